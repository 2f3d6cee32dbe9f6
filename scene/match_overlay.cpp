// What a match adds to the picture: the scoreboard in the top-left corner, the match's status
// lines, the marks on the counting stones of an end and the result screen. Text sits on dark
// half-transparent bands so it stays readable over the bright ice.

#include "game/field.h"
#include "game/shot_phases.h"
#include "scene/outlined_text.h"

#include <algorithm>
#include <string>

using QModule::makeRect;
using QModule::makeVec2;

namespace {

constexpr D3DCOLOR BandColour = argb(160, 1, 1, 1);
constexpr D3DCOLOR ChoiceColour = argb(200, 40, 90, 200);
constexpr D3DCOLOR White = 0xFFFFFFFF;
constexpr D3DCOLOR RedText = argb(255, 255, 110, 110);
constexpr D3DCOLOR YellowText = argb(255, 255, 230, 80);
constexpr D3DCOLOR GreyText = argb(255, 170, 170, 170);

constexpr int TexIce = 0;
constexpr int RowHeight = 16;
constexpr int NameWidth = 92;
constexpr int EndWidth = 20;
constexpr int MaxEndColumns = 12; // extra ends beyond this scroll the first ones away
constexpr int SumWidth = 28;

D3DCOLOR teamColour(match::Team t)
{
    return t == match::Team::Red ? RedText : YellowText;
}

// The computer's strength as the match dialog names it.
QString levelWord(int level)
{
    switch (level) {
    case 1:
        return Field::tr("弱い");
    case 3:
        return Field::tr("強い");
    default:
        return Field::tr("普通");
    }
}

int firstEndColumn(const match::Match& m)
{
    return std::max(1, m.end() - MaxEndColumns + 1);
}

int endColumns(const match::Match& m)
{
    return std::min(MaxEndColumns, std::max(m.settings().ends, m.end()));
}

int boardWidth(const match::Match& m)
{
    return NameWidth + EndWidth * endColumns(m) + 2 * SumWidth + 8;
}

RECT cell(int x, int row, int width)
{
    return RECT{x, 2 + RowHeight * row, x + width, 2 + RowHeight * (row + 1)};
}

std::string words(const QString& text)
{
    return text.toStdString();
}

// Points of an end played, "・" for the end in progress, blank for ends to come.
std::string endCell(const match::Match& m, int end, int team)
{
    if (end <= int(m.endPoints().size()))
        return std::to_string(m.endPoints()[end - 1][team]);
    if (end == m.end() && !m.over())
        return words(QCoreApplication::translate("Field", "・"));
    return "";
}

} // namespace

QString Field::teamName(match::Team team)
{
    return team == match::Team::Red ? tr("赤") : tr("黄");
}

void Field::drawMatchBoard()
{
    const match::Match& m = *match_;
    const float width = float(boardWidth(m));
    Gfx->drawSprAbs(Tex[TexIce], makeVec2(0, 0), makeRect(0, 1, 0, 1), makeVec2(0, 0), makeVec2(width, 52), 0,
                    BandColour);
    if (Phase == ShotPhase::MatchResult) {
        Gfx->drawSprAbs(Tex[TexIce], makeVec2(160, 150), makeRect(0, 1, 0, 1), makeVec2(0, 0), makeVec2(320, 130), 0,
                        BandColour);
        const float x = resultChoice_ == 0 ? 200.0f : 340.0f;
        Gfx->drawSprAbs(Tex[TexIce], makeVec2(x, 240), makeRect(0, 1, 0, 1), makeVec2(0, 0), makeVec2(100, 24), 0,
                        ChoiceColour);
    }
}

void Field::drawMatchLines(const char* help2, const char* help3)
{
    const match::Match& m = *match_;
    // The scoreboard's text: ends across, teams down, the total and the stones left at the right.
    const int first = firstEndColumn(m);
    const int columns = endColumns(m);
    const int sumX = NameWidth + EndWidth * columns;
    Gfx->drawText(words(tr("エンド")), GreyText, cell(4, 0, NameWidth));
    for (int c = 0; c < columns; ++c)
        Gfx->drawText(std::to_string(first + c), GreyText, cell(NameWidth + EndWidth * c, 0, EndWidth));
    Gfx->drawText(words(tr("計")), GreyText, cell(sumX, 0, SumWidth));
    Gfx->drawText(words(tr("残")), GreyText, cell(sumX + SumWidth, 0, SumWidth));
    for (int t = 0; t < 2; ++t) {
        const match::Team team = static_cast<match::Team>(t);
        const bool turn = !m.over() && ShotPhase::stepOf(Phase) >= 0 && m.toThrow() == team;
        QString player = teamName(team);
        if (cpu_)
            player = team == match::Team::Yellow ? tr("%1CPU").arg(player) : tr("%1あなた").arg(player);
        std::string name = std::string(turn ? "▶" : "　") + words(player);
        if (m.hammer() == team)
            name += "◆";
        Gfx->drawText(name, teamColour(team), cell(0, t + 1, NameWidth));
        for (int c = 0; c < columns; ++c)
            Gfx->drawText(endCell(m, first + c, t), teamColour(team), cell(NameWidth + EndWidth * c, t + 1, EndWidth));
        Gfx->drawText(std::to_string(m.score()[t]), teamColour(team), cell(sumX, t + 1, SumWidth));
        Gfx->drawText(std::to_string(m.stonesLeft(team)), teamColour(team), cell(sumX + SumWidth, t + 1, SumWidth));
    }

    QString line1, line2, line3;
    const QString endText = tr("第%1エンド（全%2エンド）").arg(m.end()).arg(m.settings().ends);
    const QString total = tr("赤 %1 － %2 黄").arg(m.score()[0]).arg(m.score()[1]);
    switch (Phase) {
    case ShotPhase::EndCount: {
        const int shown = int(m.endPoints().size());
        const QString count = lastCount_.scorer ? tr("%1が%2点（得点したストーンに輪の印）")
                                                      .arg(teamName(*lastCount_.scorer))
                                                      .arg(lastCount_.points)
                                                : tr("ブランクエンド（0点）");
        line1 = tr("第%1エンド終了　%2").arg(shown).arg(count);
        line2 = tr("合計　%1").arg(total);
        line3 = m.over() ? tr("スペース：結果へ") : tr("スペース：次のエンドへ　Ｅｓｃ：試合をやめる");
        break;
    }
    case ShotPhase::MatchResult: {
        const auto winner = m.winner();
        Gfx->drawText(words(tr("試合終了")), White, RECT{280, 160, 480, 176});
        Gfx->drawText(words(total), White, RECT{270, 185, 480, 201});
        Gfx->drawText(words(winner ? tr("%1の勝ち").arg(teamName(*winner)) : tr("引き分け")),
                      winner ? teamColour(*winner) : White, RECT{285, 210, 480, 226});
        Gfx->drawText(words(tr("もう一度")), White, RECT{222, 244, 320, 260});
        Gfx->drawText(words(tr("終了")), White, RECT{375, 244, 440, 260});
        line1 = tr("試合終了");
        line3 = tr("Ａ／Ｄ：選ぶ　スペース：決定　Ｅｓｃ：終了");
        break;
    }
    case ShotPhase::LeaveMatch:
        line1 = tr("試合をやめますか？");
        line2 = tr("スペース：やめる（ゲームを終了）");
        line3 = tr("Ｅｓｃ：試合を続ける");
        break;
    default: {
        line1 = tr("%1　%2の番").arg(endText, teamName(m.toThrow()));
        if (!matchMessage_.empty())
            line1 += tr("　直前の投球　%1").arg(QString::fromStdString(matchMessage_));
        if (cpuToThrow()) {
            line2 = tr("コンピューター（%1）が投げています").arg(levelWord(matchSetup_.cpuLevel));
            line3 = tr("Ｅｓｃ：試合をやめる");
        } else {
            line2 = help2 ? tr(help2) : QString();
            line3 = help3 ? tr(help3) : QString();
        }
        break;
    }
    }
    drawOutlinedText(*Gfx, words(line1), White, RECT{0, 432, 640, 480});
    drawOutlinedText(*Gfx, words(line2), White, RECT{0, 448, 640, 480});
    drawOutlinedText(*Gfx, words(line3), White, RECT{0, 464, 640, 480});
}

// Seen from above a stone shows mostly its pale top: each gets a cap in its team's colour, and each
// counting stone a wide ring around it, so the count can be checked at a glance.
void Field::drawCountMarks()
{
    if (Phase != ShotPhase::EndCount)
        return;
    for (const int record : lastCount_.counting) {
        const StoneRec& s = Stones[record];
        Mesh[2].DrawMesh(*Gfx, countMats_[0], {s.Pos.x, 0.01f, s.Pos.z}, {0.6f, 0.02f, 0.6f}, {0, 0, 0}, 0);
    }
    for (int i = 0; i < match::StonesPerEnd; ++i) {
        const StoneRec& s = Stones[i];
        if (s.InPlay == -1)
            Mesh[2].DrawMesh(*Gfx, countMats_[1 + i % 2], {s.Pos.x, 0.205f, s.Pos.z}, {0.17f, 0.01f, 0.17f},
                             {0, 0, 0}, 0);
    }
}

