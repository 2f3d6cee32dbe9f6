#include "engine/q_mesh.h"

#include "engine/d3dx_math.h"
#include "engine/engine_errors.h"
#include "engine/q_mat.h"
#include "engine/qrn.h"
#include "platform/native_path.h"

#include <exception>

void Q_Mesh::setMesh(QRN& refQRN, const std::string& path)
{
    try {
        mesh_ = refQRN.getDDX().loadMeshFromX(path);
    } catch (const std::exception& e) {
        const std::string message = "Unfound:" + platform::existingNativePath(path).string();
        refQRN.showMessage(message);
        throw engine::FatalExit(message + " (" + e.what() + ")", 1);
    }
}

void Q_Mesh::DrawMesh(QRN& refQRN, const Q_Mat& refMat, const D3DVECTOR& translation, const D3DVECTOR& scaling,
                      const D3DVECTOR& angle, std::int16_t AlphaProcess) const
{
    if (!mesh_)
        throw gfx::DeviceError("DrawMesh: no mesh loaded");
    gfx::Device& device = refQRN.getDDD();
    if (AlphaProcess != 0) {
        refQRN.AlphaProcessing(*mesh_, refMat, device.texture(0), translation, scaling, angle);
        return;
    }
    DrawMeshAt(refQRN, refMat, engine::d3dx::worldMatrix(translation, scaling, angle));
}

void Q_Mesh::DrawMeshAt(QRN& refQRN, const Q_Mat& refMat, const D3DMATRIX& world) const
{
    if (!mesh_)
        throw gfx::DeviceError("DrawMesh: no mesh loaded");
    gfx::Device& device = refQRN.getDDD();
    device.setTransform(d3d::TS_WORLD, world);
    device.setMaterial(refMat.getMaterial());
    refQRN.drawMeshSubsets(*mesh_);
}

void Q_Mesh::DrawMeshAtEach(QRN& refQRN, const Q_Mat& refMat, std::span<const D3DMATRIX> worlds) const
{
    if (!mesh_)
        throw gfx::DeviceError("DrawMesh: no mesh loaded");
    if (worlds.empty())
        return;
    refQRN.getDDD().setMaterial(refMat.getMaterial());
    refQRN.drawMeshSubsetsAt(*mesh_, worlds);
}
