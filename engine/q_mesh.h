#pragma once

// One mesh loaded from a .x file. It is always drawn with a Q_Mat and whatever texture the caller
// has set; the file's own materials and texture names are not used.

#include "platform/gfx/d3d_types.h"
#include "platform/gfx/device.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class QRN;
class Q_Mat;

class Q_Mesh {
public:
    // Loads `path`; on any failure tells the user "Unfound:<path>" (with the system's
    // separators) and ends the program (engine::FatalExit, which also carries the reason).
    void setMesh(QRN& refQRN, const std::string& path);
    const gfx::Mesh* getMesh() const { return mesh_.get(); }

    // Scales, turns about X, Y, Z (degrees), moves and draws every subset; with AlphaProcess
    // non-zero the mesh is queued with the texture now on stage 0 and drawn later, farthest first.
    void DrawMesh(QRN& refQRN, const Q_Mat& refMat, const D3DVECTOR& translation, const D3DVECTOR& scaling,
                  const D3DVECTOR& angle, std::int16_t AlphaProcess) const;
    // Draws every subset at once with a world matrix made beforehand (worldMatrix of the same
    // placement gives the same picture as DrawMesh): for meshes placed where they never move.
    void DrawMeshAt(QRN& refQRN, const Q_Mat& refMat, const D3DMATRIX& world) const;
    // DrawMeshAt at each of `worlds` in turn, in as few draws as the device manages.
    void DrawMeshAtEach(QRN& refQRN, const Q_Mat& refMat, std::span<const D3DMATRIX> worlds) const;

private:
    std::unique_ptr<gfx::Mesh> mesh_;
};
