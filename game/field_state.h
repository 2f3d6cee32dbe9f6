#pragma once

// The plain state of the game window: the stones, the shot being prepared, the phase and the view.
// The window class adds the engine objects on top; keeping this part free of them lets the physics
// and the phase logic run in tests and tools without a device.

#include "engine/qmodule.h"
#include "game/stone_rec.h"

#include <array>
#include <cstdint>

struct FieldState {
    static constexpr int StoneCount = 17;   // 0..15 are played; the last record is never moved
    static constexpr int PlayedStones = 16;
    static constexpr int BrushSlots = 1001; // one per four frames of a shot

    ViewRec View{{0, 1, 0}, 0, 0, 45};
    std::int16_t LastMouseX = 0;
    std::int16_t LastMouseY = 0;
    std::int16_t Running = 0;
    std::int16_t SolidFill = 0;
    std::int16_t MouseLook = 0;
    std::int16_t GMode = 0;
    std::int16_t Phase = 0;
    std::int16_t CurStone = 0;
    std::int16_t CamMode = 0;
    float Zoom = 0;
    std::int16_t ZoomOn = 0;
    std::array<StoneRec, StoneCount> Stones{};
    float AimX = 0;
    float SpinSet = 0;
    float PowerSet = 0;
    float BalAngle = 0;
    std::array<std::int16_t, BrushSlots> BrushLog{};
    std::int16_t ShotFrame = 0;

    // The hits of the last physics step, in the order they happened: what the sound hears.
    struct Hit {
        std::int8_t mover = 0;
        std::int8_t struck = 0;
        float speed = 0; // what the struck stone was handed
    };
    static constexpr int MaxHits = 8; // more in one step is not heard apart anyway
    std::array<Hit, MaxHits> Hits{};
    int HitCount = 0;

    // Releases stone CurStone with the set power, spin and balance angle; starts the shot's frame
    // count and an empty brushing log.
    void launchCurrentStone();
    bool anyStoneMoving() const;

    // One physics step for stones 0..15: brushing, sliding, collisions, out-of-play rules.
    void Proc_Phys();

private:
    float applyBrushCommand();
    void slideStones(float friction);
    void collideStones();
    void removeStonesOutOfPlay();
};

// The brushing command stored for a frame of the shot: 0 none, 1 left, 2 right. Frames outside
// the log (negative, or beyond its last slot) read as no command.
std::int16_t brushCommandAt(const std::array<std::int16_t, FieldState::BrushSlots>& log, int shotFrame);
