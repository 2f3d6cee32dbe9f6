// The 3D part of a frame: the sheet, one physics step, the stones.

#include "engine/d3dx_math.h"
#include "game/field.h"

#include <array>
#include <vector>

namespace {

// One placement of the unit floor square.
struct SheetPiece {
    D3DVECTOR centre;
    D3DVECTOR scale;
    D3DVECTOR angle; // degrees about x, y, z
};

// Pieces that share one texture, drawn one after another. The pieces never move, so their world
// matrices are made once.
struct SheetGroup {
    SheetGroup(int slot, const std::vector<SheetPiece>& pieces) : texture(slot)
    {
        for (const SheetPiece& p : pieces)
            worlds.push_back(engine::d3dx::worldMatrix(p.centre, p.scale, p.angle));
    }
    int texture; // slot of Tex
    std::vector<D3DMATRIX> worlds;
};

constexpr D3DVECTOR Unit{1, 1, 1};
constexpr D3DVECTOR Flat{0, 0, 0};
constexpr D3DVECTOR Turned{0, 180, 0}; // the far half of the sheet faces the other way
constexpr D3DVECTOR FacingNear{90, 0, 0};
constexpr D3DVECTOR FacingFar{270, 0, 0};
constexpr float WallMiddle = 0.5f; // panels stand from y 0 to 1

enum TextureSlot : int { Ice = 0, House = 1, Wall = 2, Side = 3, Line = 4, Center = 5, LineSide = 6 };

std::vector<SheetPiece> wallPanels()
{
    std::vector<SheetPiece> walls;
    for (int i = 0; i <= 39; ++i) { // the long sides, one panel per unit of length
        const float z = static_cast<float>(i);
        walls.push_back({{-0.5f, WallMiddle, z}, Unit, {90, 90, 0}});
        walls.push_back({{6.5f, WallMiddle, z}, Unit, {90, 270, 0}});
    }
    for (int i = 1; i <= 5; ++i) { // the ends
        const float x = static_cast<float>(i);
        walls.push_back({{x, WallMiddle, -0.5f}, Unit, FacingNear});
        walls.push_back({{x, WallMiddle, 39.5f}, Unit, FacingFar});
    }
    for (float x : {0.0f, 6.0f}) { // the end panels at the corners of the sheet
        walls.push_back({{x, WallMiddle, -0.5f}, Unit, FacingNear});
        walls.push_back({{x, WallMiddle, 39.5f}, Unit, FacingFar});
    }
    return walls;
}

// The sheet and its walls in drawing order: 94 wall panels, then 17 floor pieces.
const std::vector<SheetGroup>& sheetGroups()
{
    static const std::vector<SheetGroup> groups{
        {Wall, wallPanels()},
        {House, {{{3, 0, 3}, {5, 1, 5}, Flat}, {{3, 0, 36}, {5, 1, 5}, Turned}}},
        {Side,
         {{{0, 0, 3}, {1, 1, 5}, Flat},
          {{6, 0, 3}, {1, 1, 5}, Flat},
          {{0, 0, 36}, {1, 1, 5}, Turned},
          {{6, 0, 36}, {1, 1, 5}, Turned}}},
        {Line, {{{3, 0, 8}, {5, 1, 5}, Flat}, {{3, 0, 31}, {5, 1, 5}, Turned}}},
        {LineSide,
         {{{0, 0, 8}, {1, 1, 5}, Flat},
          {{6, 0, 8}, {1, 1, 5}, Flat},
          {{0, 0, 31}, {1, 1, 5}, Turned},
          {{6, 0, 31}, {1, 1, 5}, Turned}}},
        {Center, {{{3, 0, 19.5f}, {5, 1, 18}, Flat}}},
        {Ice,
         {{{0, 0, 19.5f}, {1, 1, 18}, Flat},
          {{6, 0, 19.5f}, {1, 1, 18}, Flat},
          {{3, 0, 0}, {1, 1, 7}, {0, 90, 0}},
          {{3, 0, 39}, {7, 1, 1}, Flat}}},
    };
    return groups;
}

constexpr D3DVECTOR StoneScale{0.25f, 0.2f, 0.25f};
constexpr float StoneHeight = 0.1f; // the stored height of a held stone is not drawn

void drawSheet(QRN& gfx, const std::array<Q_Tex, 9>& tex, const Q_Mesh& floor, const Q_Mat& white)
{
    for (const SheetGroup& group : sheetGroups()) {
        gfx.setTexture(tex[group.texture]);
        floor.DrawMeshAtEach(gfx, white, group.worlds);
    }
}

// Stones 0..15 alternate red and yellow; the last record is never played and never drawn.
void drawStones(QRN& gfx, const std::array<StoneRec, FieldState::StoneCount>& stones, const Q_Mesh& pipe,
                const Q_Mat& red, const Q_Mat& yellow)
{
    for (int i = 0; i < FieldState::PlayedStones; ++i) {
        const StoneRec& stone = stones[i];
        if (stone.InPlay != -1)
            continue;
        pipe.DrawMesh(gfx, i % 2 == 0 ? red : yellow, {stone.Pos.x, StoneHeight, stone.Pos.z}, StoneScale,
                      {0, stone.Rot, 0}, 0);
    }
}

} // namespace

void Field::Draw_3D()
{
    drawSheet(*Gfx, Tex, Mesh[0], Mat[0]);
    // The stones are drawn where this frame's step leaves them, so a stone that leaves play now
    // is not drawn now.
    Proc_Phys();
    Gfx->setTexture(Tex[Wall]);
    // The stone mesh is drawn squashed to stone size; without unit normals the squash would light
    // it four to five times too brightly and wash its colour out.
    gfx::Device& device = Gfx->getDDD();
    device.setRenderState(d3d::RS_NORMALIZENORMALS, 1);
    drawStones(*Gfx, Stones, Mesh[2], Mat[1], Mat[2]);
    device.setRenderState(d3d::RS_NORMALIZENORMALS, 0);
    if (match_)
        drawCountMarks();
    Gfx->DrawAlphaProcessing(Cam.getPosition());
}
