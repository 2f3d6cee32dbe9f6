// The transparent-mesh queue of QRN: meshes collected during the frame, drawn farthest first.

#include "engine/d3dx_math.h"
#include "engine/engine_errors.h"
#include "engine/q_mat.h"
#include "engine/qrn.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

// The squared distance rounded to a whole number, halves to even. Kept as a double: a far entry's
// key beyond 32 bits still orders correctly instead of failing the frame; a NaN position sorts
// nearest, after every real key.
double distanceKey(const D3DVECTOR& viewer, const D3DVECTOR& at)
{
    const double dy = static_cast<double>(viewer.y) - at.y;
    const double dx = static_cast<double>(viewer.x) - at.x;
    const double dz = static_cast<double>(viewer.z) - at.z;
    const double key = std::nearbyint(dy * dy + dx * dx + dz * dz);
    return std::isnan(key) ? -std::numeric_limits<double>::infinity() : key;
}

} // namespace

void QRN::AlphaProcessing(const gfx::Mesh& refMesh, const Q_Mat& refMat, const gfx::Texture* refTex,
                          const D3DVECTOR& translation, const D3DVECTOR& scaling, const D3DVECTOR& angle)
{
    const std::int16_t next = engine::checkedAdd<std::int16_t>(alphaCount, 1, "alphaCount");
    alphaQueue.resize(static_cast<std::size_t>(alphaCount));
    alphaQueue.push_back(engine::AlphaObject{&refMat, translation, scaling, angle, refTex, &refMesh});
    alphaCount = next;
}

void QRN::drawMeshSubsets(const gfx::Mesh& mesh)
{
    gfx::Device& d = getDDD();
    // Every attribute id up to the vertex count, as the mesh's own loop over them did; ids without
    // faces draw nothing, so only the ids with faces are asked for.
    for (std::uint32_t id : mesh.drawnAttribIds()) {
        if (id > mesh.numVertices())
            break;
        d.drawSubset(mesh, id);
    }
    addNumDrawVertex(engine::checkedNarrow<std::int32_t>(mesh.numVertices(), "vertex count"));
    addNumDrawFace(engine::checkedNarrow<std::int32_t>(mesh.numFaces(), "face count"));
}

void QRN::drawMeshSubsetsAt(const gfx::Mesh& mesh, std::span<const D3DMATRIX> worlds)
{
    gfx::Device& d = getDDD();
    const std::span<const std::uint32_t> ids = mesh.drawnAttribIds();
    // A mesh of several subsets is drawn placement by placement: each placement's subsets all
    // come before the next placement's, as when it was drawn alone.
    if (ids.size() != 1 || ids.front() > mesh.numVertices()) {
        for (const D3DMATRIX& world : worlds) {
            d.setTransform(d3d::TS_WORLD, world);
            drawMeshSubsets(mesh);
        }
        return;
    }
    d.drawSubsetAt(mesh, ids.front(), worlds);
    for (std::size_t i = 0; i < worlds.size(); ++i) {
        addNumDrawVertex(engine::checkedNarrow<std::int32_t>(mesh.numVertices(), "vertex count"));
        addNumDrawFace(engine::checkedNarrow<std::int32_t>(mesh.numFaces(), "face count"));
    }
}

void QRN::DrawAlphaProcessing(const D3DVECTOR& position)
{
    const auto n = static_cast<std::size_t>(alphaCount);
    if (n == 0)
        return;
    std::vector<double> keys(n);
    for (std::size_t i = 0; i < n; ++i)
        keys[i] = distanceKey(position, alphaQueue[i].translation);
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    // Farthest first; equal keys keep their queue order.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] > keys[b]; });

    gfx::Device& d = getDDD();
    for (std::size_t index : order) {
        const engine::AlphaObject& e = alphaQueue[index];
        d.setTransform(d3d::TS_WORLD, engine::d3dx::worldMatrix(e.translation, e.scaling, e.angle));
        d.setMaterial(e.mat->getMaterial());
        d.setTexture(0, e.tex);
        drawMeshSubsets(*e.mesh);
    }
}
