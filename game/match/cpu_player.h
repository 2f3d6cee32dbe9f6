#pragma once

// The computer player. For each delivery it simulates candidate shots with the game's own release
// and physics step from the current position (draws to points of the house, guards, takeouts and
// hit-and-rolls, at several curls), scores the resting positions and throws the best, spoilt by
// execution noise. Strength is search breadth and noise. While its stone runs it sweeps when a
// simulation of the rest of the run says sweeping ends better. Every random choice comes from its
// own generator, seeded by the caller, and nothing depends on the clock: a match replays exactly.

#include "game/match/match_rules.h"
#include "game/match/shot_sim.h"

#include <cstdint>
#include <random>
#include <vector>

namespace match {

// What the player knows of the match when it throws.
struct Situation {
    Team team = Team::Red;
    int record = 0;        // the stone it throws
    int thrown = 0;        // stones already thrown this end
    Team hammer = Team::Yellow;
};
Situation situationOf(const Match& m);

// How good a resting position is for `team`, in rough points.
double evaluatePosition(const StoneSet& stones, const Situation& situation);

class CpuPlayer {
public:
    // level: 1 弱い, 2 普通, 3 強い (clamped).
    CpuPlayer(int level, std::uint32_t seed);

    int level() const { return level_; }
    // The shot it means to play (no noise), and the shot it actually throws (noise added).
    Shot plan(const StoneSet& stones, const Situation& situation);
    Shot choose(const StoneSet& stones, const Situation& situation);
    // Mid-run: whether to sweep from the slot `running` is at on, judged by simulating the rest
    // of the run both ways.
    bool wantsSweep(const FieldState& running, const Situation& situation);
    // Called once per frame of its running shot, before the frame's physics step: the brushing
    // command to give now (0 none, 1 left, 2 right). It re-decides every SweepReview frames.
    std::int16_t sweepCommandAt(const FieldState& running, const Situation& situation);
    static constexpr int SweepReview = 64;
    // Simulated shots so far (for benchmarks).
    long simulations() const { return simulations_; }

private:
    struct PathSample {
        float power;
        float aimX;   // the aim the path was thrown with
        float finalX; // where the stone came to rest alone
        float finalZ;
        bool inPlay;
        std::vector<std::pair<float, float>> track; // (z, x) per step until it passed the house
    };
    struct Curl {
        float spin;
        std::vector<PathSample> paths; // by rising power
    };

    const Curl& curl(float spin);
    std::vector<Shot> candidates(const StoneSet& stones, const Situation& situation);
    void addDraw(std::vector<Shot>& out, const Curl& c, float x, float z);
    void addHit(std::vector<Shot>& out, const Curl& c, float x, float z, float offset);
    double judge(const StoneSet& stones, const Situation& situation, const Shot& shot);
    double gaussian();
    Shot withNoise(Shot shot);

    int level_;
    std::mt19937 random_;
    ShotSimulator sim_;
    std::vector<Curl> curls_;
    long simulations_ = 0;
    bool sweeping_ = false;
};

// A player that throws random legal shots: what the computer player is measured against.
Shot randomShot(std::mt19937& random);

} // namespace match
