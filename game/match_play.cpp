// The match around the shot phases (GMode 2 and 3): whose stone is next, the computer's turns,
// what each stone did, the end's count, the result and leaving. The rules themselves live in
// game/match/; this file only connects them to the frame loop.

#include "game/field.h"

#include "game/shot_phases.h"

#include <cmath>
#include <span>

using namespace ShotPhase;

namespace {

constexpr std::int16_t KeyUp = 0;
constexpr std::int16_t KeyPressed = 1;
constexpr std::int16_t KeyHeld = 2;

// Frames the computer lingers before each step, so a human can follow its gauges.
constexpr int CpuThinkFrames = 45;
constexpr int CpuStepFrames = 20;
// Its release waits at most this long for the balance angle it wants.
constexpr int CpuMaxShootingFrames = 400;
constexpr double BalanceTurnRate = 480; // degrees per second, as the shooting step turns it

std::span<StoneRec, match::StonesPerEnd> playedStones(std::array<StoneRec, FieldState::StoneCount>& stones)
{
    return std::span<StoneRec, match::StonesPerEnd>(stones.data(), match::StonesPerEnd);
}

double angleBetween(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

} // namespace

void Field::startMatch()
{
    matchSetup_ = env_.match.value_or(match::MatchSetup{});
    matchSetup_.againstCpu = GMode == match::GModeAgainstCpu;
    match_ = std::make_unique<match::Match>(matchSetup_.rules);
    cpu_.reset();
    // Each match of the run has its own stream, drawn from the run's seed: a recording replays.
    if (matchSetup_.againstCpu)
        cpu_ = std::make_unique<match::CpuPlayer>(matchSetup_.cpuLevel,
                                                  env_.seed * 2654435761u + std::uint32_t(matchesStarted_));
    ++matchesStarted_;
    match::clearSheet(playedStones(Stones));
    cpuShot_.reset();
    cpuPause_ = 0;
    matchMessage_.clear();
    lastCount_ = {};
    // Only their own glow colours the marks. The marks are flattened discs, and the device does not
    // renormalise normals: the flattening lengthens the upward normal so much that any diffuse or
    // ambient share would wash the colour out to white. The diffuse alpha stays 1: it is the alpha.
    const D3DCOLORVALUE none = QModule::makeColorValue(0, 0, 0, 0);
    const auto glowing = [none](Q_Mat& mat, float r, float g, float b) {
        mat.setMaterial(QModule::makeColorValue(1, 0, 0, 0), none, none, QModule::makeColorValue(1, r, g, b), 1.0f);
    };
    glowing(countMats_[0], 0.1f, 0.9f, 0.2f);
    glowing(countMats_[1], 0.95f, 0.15f, 0.15f);
    glowing(countMats_[2], 0.95f, 0.85f, 0.1f);
    Phase = SingleBase + NewShot;
}

// The computer plays yellow; it acts only in the shot steps.
bool Field::cpuToThrow() const
{
    return cpu_ && match_ && match_->toThrow() == match::Team::Yellow && stepOf(Phase) >= 0;
}

// Moves one gauge towards the computer's setting through the human's own key handlers, never past
// it. True once the setting is reached and the pause after it is over.
bool Field::cpuSetting(float& value, float target, void (Field::*lower)(std::int16_t),
                       void (Field::*raise)(std::int16_t))
{
    if (value > target) {
        (this->*lower)(KeyHeld);
        value = value < target ? target : value;
        return false;
    }
    if (value < target) {
        (this->*raise)(KeyHeld);
        value = value > target ? target : value;
        return false;
    }
    return --cpuPause_ <= 0;
}

void Field::cpuKeys()
{
    const match::Situation situation = match::situationOf(*match_);
    if (!cpuShot_ && stepOf(Phase) != StonesRunning && stepOf(Phase) != Release) {
        match::StoneSet stones;
        std::copy(Stones.begin(), Stones.begin() + match::StonesPerEnd, stones.begin());
        cpuShot_ = cpu_->choose(stones, situation);
        cpuPause_ = CpuThinkFrames;
    }
    const auto next = [this] {
        handleSpace(KeyPressed);
        cpuPause_ = CpuStepFrames;
    };
    switch (stepOf(Phase)) {
    case FreeCamera:
        if (--cpuPause_ <= 0)
            next();
        break;
    case Position:
        if (cpuSetting(AimX, cpuShot_->aimX, &Field::handleA, &Field::handleD))
            next();
        break;
    case SpinStep:
        if (cpuSetting(SpinSet, cpuShot_->spin, &Field::handleA, &Field::handleD))
            next();
        break;
    case Power:
        if (cpuSetting(PowerSet, cpuShot_->power, &Field::handleA, &Field::handleD))
            next();
        break;
    case Ready:
        if (--cpuPause_ <= 0) {
            next();
            cpuShootingFrames_ = 0;
        }
        break;
    case Shooting: {
        // Space is held while the triangle turns; it is let go when the angle is the one wanted.
        const double perFrame = BalanceTurnRate / fps();
        if (angleBetween(BalAngle, cpuShot_->balance) <= perFrame / 2 || ++cpuShootingFrames_ > CpuMaxShootingFrames)
            handleSpace(KeyUp);
        break;
    }
    case StonesRunning: {
        cpuShot_.reset();
        const std::int16_t command = cpu_->sweepCommandAt(*this, situation);
        if (command != 0)
            brush(command);
        break;
    }
    default:
        break;
    }
}

void Field::stonesCameToRest()
{
    const match::Team thrower = match_->toThrow();
    const match::ShotReport report = match_->afterDelivery(playedStones(Stones));
    matchMessage_ = tr("%1：%2").arg(teamName(thrower), shotText(report)).toStdString();
    cpuShot_.reset();
    if (!match_->endFinished()) {
        Phase = SingleBase + NewShot;
        return;
    }
    lastCount_ = match_->finishEnd(playedStones(Stones));
    Phase = EndCount;
    CamMode = 7;
}

QString Field::shotText(const match::ShotReport& report)
{
    using Rest = match::ShotReport::Rest;
    if (report.foulRestored)
        return tr("フリーガードゾーン違反：ストーンを元に戻しました");
    QString out;
    if (report.opponentRemoved > 0)
        out += tr("テイクアウト（%1個）　").arg(report.opponentRemoved);
    if (report.ownRemoved > 0)
        out += tr("味方のストーンを%1個除外　").arg(report.ownRemoved);
    switch (report.rest) {
    case Rest::House:
        return out + tr("ハウス内");
    case Rest::Guard:
        return out + tr("ガード");
    case Rest::Beyond:
        return out + tr("ハウス外");
    case Rest::ShortOfHog:
        return out + tr("ホグライン手前で除外");
    case Rest::SideOut:
        return out + tr("サイドアウト");
    case Rest::BackOut:
        return out + tr("バックラインを越えて除外");
    }
    return out;
}

// Keys of the match's own phases, and Esc anywhere in a match. True when the frame's keys are
// used up.
bool Field::matchPhaseKeys()
{
    const std::int16_t esc = Keys[KeyEsc].getState();
    const std::int16_t space = Keys[KeySpace].getState();
    switch (Phase) {
    case LeaveMatch:
        if (space == KeyPressed)
            Running = 0;
        else if (esc == KeyPressed)
            Phase = phaseBeforeLeave_;
        return true;
    case EndCount:
        if (space == KeyPressed)
            continueAfterCount();
        else if (esc == KeyPressed)
            askToLeave();
        return true;
    case MatchResult:
        if (Keys[KeyA].getState() == KeyPressed)
            resultChoice_ = 0;
        if (Keys[KeyD].getState() == KeyPressed)
            resultChoice_ = 1;
        if (esc == KeyPressed || (space == KeyPressed && resultChoice_ == 1))
            Running = 0;
        else if (space == KeyPressed)
            startMatch();
        return true;
    default:
        if (esc != KeyPressed)
            return false;
        askToLeave();
        return true;
    }
}

void Field::askToLeave()
{
    phaseBeforeLeave_ = Phase;
    Phase = LeaveMatch;
}

void Field::continueAfterCount()
{
    match::clearSheet(playedStones(Stones));
    if (match_->over()) {
        Phase = MatchResult;
        resultChoice_ = 0;
        CamMode = 4;
        return;
    }
    Phase = SingleBase + NewShot;
}
