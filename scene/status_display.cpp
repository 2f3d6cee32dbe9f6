// The status text: the counters in the top-right corner and the help lines of the current phase.

#include "game/field.h"
#include "scene/outlined_text.h"

#include <string>

namespace {

// The help lines, put into the player's language when drawn. The wide blanks are ideographic
// spaces (U+3000).
constexpr const char* LineA = QT_TRANSLATE_NOOP("Field", "フェイズ：自　カメラ：フリーモード");
constexpr const char* LineB = QT_TRANSLATE_NOOP("Field", "マウス／視線移動　左クリック：ハウス⇔投げ位置　右クリック：距離変更");
constexpr const char* LineC = QT_TRANSLATE_NOOP("Field", "キー　／ＷＳＡＤ：視点移動　スペース：シュートモードへ");
constexpr const char* LineD = QT_TRANSLATE_NOOP("Field", "フェイズ：自　カメラ：シュートモード　ポジション決め");
constexpr const char* LineE = QT_TRANSLATE_NOOP("Field", "マウス／視線移動　左クリック：ズーム　右クリック：ハウス確認");
constexpr const char* LineF = QT_TRANSLATE_NOOP("Field", "キー　／Ａ：左移動　Ｄ：右移動　スペース：スピン決めへ　Ｗ：位置リセット");
constexpr const char* LineG = QT_TRANSLATE_NOOP("Field", "フェイズ：自　カメラ：シュートモード　スピン決め");
constexpr const char* LineH = QT_TRANSLATE_NOOP("Field", "キー　／Ａ：左回転　Ｄ：右回転　スペース：パワー決めへ　Ｗ：スピンリセット　Ｓ：戻る");
constexpr const char* LineI = QT_TRANSLATE_NOOP("Field", "フェイズ：自　カメラ：シュートモード　パワー決め");
constexpr const char* LineJ = QT_TRANSLATE_NOOP("Field", "キー　／Ａ：弱く　Ｄ：強く　スペース：シュート　Ｗ：パワーリセット　Ｓ：戻る");
constexpr const char* LineK = QT_TRANSLATE_NOOP("Field", "フェイズ：自　カメラ：シュートモード　レディー");
constexpr const char* LineL = QT_TRANSLATE_NOOP("Field", "スペースを押し続けてください。バランストライアングルが回転し、キーを離すと止まります。");
constexpr const char* LineM = QT_TRANSLATE_NOOP("Field", "フェイズ：自　カメラ：シュートモード　シューティング");
constexpr const char* LineN = QT_TRANSLATE_NOOP("Field", "スペースキーを離すと、バランスを決定します。上下はパワーに、左右は回転に影響します。");
constexpr const char* LineO = QT_TRANSLATE_NOOP("Field", "フェイズ：自　カメラ：シュートモード　スウィーピング");
constexpr const char* LineP = QT_TRANSLATE_NOOP("Field", "シングルモード　カメラ：フリーモード");
constexpr const char* LineQ = QT_TRANSLATE_NOOP("Field", "シングルモード　カメラ：シュートモード　ポジション決め");
constexpr const char* LineR = QT_TRANSLATE_NOOP("Field", "キー　／Ａ：左スウィープ　Ｄ：右スウィープ");

struct StatusLines {
    std::int16_t phase;
    const char* line1;
    const char* line2;
    const char* line3;
};

// The phases in which the player acts; every other phase shows only the counters.
constexpr StatusLines PhaseLines[] = {
    {11, LineA, LineB, LineC},   {12, LineD, LineE, LineF},   {13, LineG, LineE, LineH},
    {14, LineI, LineE, LineJ},   {15, LineK, LineE, LineL},   {16, LineM, LineE, LineN},
    {1001, LineP, LineB, LineC}, {1002, LineQ, LineE, LineF}, {1003, LineG, LineE, LineH},
    {1004, LineI, LineE, LineJ}, {1005, LineK, LineE, LineL}, {1006, LineM, LineE, LineN},
    {1008, LineO, LineE, LineR},
};

constexpr D3DCOLOR White = 0xFFFFFFFF;
// The value right-aligned in five characters; a longer number is shown whole.
std::string counterText(const char* label, std::int32_t value)
{
    std::string digits = std::to_string(value);
    if (digits.size() < 5)
        digits.insert(0, 5 - digits.size(), ' ');
    return label + digits;
}

RECT counterRect(int row)
{
    return RECT{576, 16 * row, 640, 100};
}

const StatusLines* linesFor(std::int16_t phase)
{
    for (const StatusLines& lines : PhaseLines) {
        if (lines.phase == phase)
            return &lines;
    }
    return nullptr;
}

} // namespace

// The frame rate is counted here and nowhere else, once per frame; its value is kept for the
// frame's dump. The draw counters are read after the 3D scene, so they cover all of it.
void Field::Draw_System()
{
    FrameFps = Gfx->checkFPS();
    drawOutlinedText(*Gfx, counterText("FPS:", FrameFps), White, counterRect(0));
    drawOutlinedText(*Gfx, counterText("Vtx:", Gfx->getNumDrawVertex()), White, counterRect(1));
    drawOutlinedText(*Gfx, counterText("Ply:", Gfx->getNumDrawFace()), White, counterRect(2));
    drawOutlinedText(*Gfx, counterText("Rkf:", ShotFrame), White, counterRect(3));

    const StatusLines* lines = linesFor(Phase);
    if (match_) {
        drawMatchLines(lines ? lines->line2 : nullptr, lines ? lines->line3 : nullptr);
        return;
    }
    if (!lines)
        return;
    drawOutlinedText(*Gfx, tr(lines->line1).toStdString(), White, RECT{0, 432, 640, 480});
    drawOutlinedText(*Gfx, tr(lines->line2).toStdString(), White, RECT{0, 448, 640, 480});
    drawOutlinedText(*Gfx, tr(lines->line3).toStdString(), White, RECT{0, 464, 640, 480});
}

void drawOutlinedText(QRN& gfx, const std::string& text, D3DCOLOR colour, const RECT& area)
{
    constexpr D3DCOLOR Outline = 0xFF000000;
    gfx.drawOutlinedText(text, colour, Outline, area);
}
