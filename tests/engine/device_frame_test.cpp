// Device creation, render states, frame counters, frame-rate measurement and frame pacing.

#include "engine_harness.h"

#include "engine/q_light.h"
#include "engine/q_mat.h"
#include "engine/q_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <limits>

using enginetest::Harness;

namespace {

const char* const kTriangle = "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

TEST(DeviceCreation, WindowedUsesTheDesktopFormatFullScreenX8R8G8B8At75HzAndFailuresFallBackToSoftware)
{
    Harness windowed, full;
    windowed.init();
    full.init(QRN::True, QRN::True);
    const engine::PresentParams &w = windowed.requests.at(0), &f = full.requests.at(0);
    EXPECT_TRUE(w.Windowed && !f.Windowed);
    EXPECT_EQ((std::array{w.BackBufferFormat, w.FullScreen_RefreshRateInHz, f.BackBufferFormat,
                  f.FullScreen_RefreshRateInHz}),
        (std::array<std::uint32_t, 4>{windowed.desktop.Format, 0, engine::FMT_X8R8G8B8, 75}));
    EXPECT_EQ(windowed.qrn->getDDD().backBufferHeight(), 480);

    // A failed hardware attempt falls back to software with one message; software asked for says so.
    const std::string fallback = "message:このシステムではハードウェア頂点処理が使用できないため、"
                                 "ソフトウェア頂点処理モードに変更します。";
    for (const auto& [useHardware, failures, events, usesHardware] : {
             std::tuple{QRN::True, 0, std::vector<std::string>{"size:640x480", "create:hardware"}, QRN::True},
             std::tuple{QRN::True, 1,
                 std::vector<std::string>{"size:640x480", "create:hardware", fallback, "create:software"},
                 QRN::False},
             std::tuple{QRN::False, 0,
                 std::vector<std::string>{"size:640x480", "message:ソフトウェアモード", "create:software"},
                 QRN::False}}) {
        Harness h;
        h.hardwareFailures = failures;
        h.init(useHardware);
        EXPECT_EQ(h.events, events);
        EXPECT_EQ(h.dialogs.captions, std::vector<std::string>(h.dialogs.messages.size(), "Rinkfall"));
        EXPECT_EQ(h.qrn->getUseHardware(), usesHardware);
        EXPECT_NO_THROW(h.qrn->SceneBegin());
    }

    Harness none;
    none.hardwareFailures = 1;
    none.softwareFails = true;
    EXPECT_THROW(none.init(), gfx::DeviceError);
    EXPECT_THROW(none.qrn->SceneBegin(), gfx::DeviceError);
}

// The switches the game turns; blend factors are set even with blending off.
TEST(RenderStates, Set3DSystemCanAlphaAndFrameCounters)
{
    Harness h;
    h.init();
    const auto states = [&](std::initializer_list<std::uint32_t> list) {
        std::vector<std::uint32_t> values;
        for (std::uint32_t state : list)
            values.push_back(h.null().renderState(state));
        return values;
    };
    h.qrn->set3DSystem(QRN::False, QRN::False, QRN::False);
    h.qrn->CanAlpha(QRN::False, 128, d3d::CMP_GREATER);
    EXPECT_EQ(states({d3d::RS_SHADEMODE, d3d::RS_FILLMODE, d3d::RS_LIGHTING, d3d::RS_ALPHATESTENABLE,
                  d3d::RS_ALPHABLENDENABLE, d3d::RS_ALPHAREF, d3d::RS_ALPHAFUNC, d3d::RS_SRCBLEND,
                  d3d::RS_DESTBLEND}),
        (std::vector<std::uint32_t>{d3d::SHADE_FLAT, d3d::FILL_WIREFRAME, 0, 0, 0, 128, d3d::CMP_GREATER,
            d3d::BLEND_SRCALPHA, d3d::BLEND_INVSRCALPHA}));
    h.qrn->set3DSystem(QRN::True, QRN::True, QRN::True);
    h.qrn->CanAlpha(QRN::True, 0, d3d::CMP_ALWAYS);
    EXPECT_EQ(states({d3d::RS_SHADEMODE, d3d::RS_FILLMODE, d3d::RS_LIGHTING, d3d::RS_ALPHATESTENABLE,
                  d3d::RS_ALPHABLENDENABLE}),
        (std::vector<std::uint32_t>{d3d::SHADE_GOURAUD, d3d::FILL_SOLID, 1, 1, 1}));
    h.qrn->DisplayClear(0xFF102030u);
    ASSERT_FALSE(h.null().clears().empty());
    EXPECT_EQ(h.null().clears().back().color, 0xFF102030u);

    // SceneBegin zeroes the frame's counters and lights.
    Q_Mesh mesh;
    mesh.setMesh(*h.qrn, h.writeFile("tri.x", kTriangle));
    Q_Mat mat;
    Q_Light lights[1];
    lights[0].setSwitch(QRN::True);
    const auto counts = [&] {
        return std::array{h.qrn->getNumDrawVertex(), h.qrn->getNumDrawFace(), h.qrn->getNumDrawLight()};
    };
    h.qrn->SceneBegin();
    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {}, QRN::False);
    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {}, QRN::True);
    h.qrn->drawLight(lights);
    EXPECT_EQ(counts(), (std::array{3, 1, 1}));
    h.qrn->SceneEnd();
    h.qrn->SceneBegin();
    EXPECT_EQ(counts(), (std::array{0, 0, 0}));

    // Adding past thirty-two bits is an overflow, not a wrap.
    h.qrn->addNumDrawVertex(std::numeric_limits<std::int32_t>::max() - 1);
    h.qrn->addNumDrawVertex(1);
    EXPECT_THROW(h.qrn->addNumDrawVertex(1), std::overflow_error);
    EXPECT_EQ(h.qrn->getNumDrawVertex(), std::numeric_limits<std::int32_t>::max());
    h.qrn->addNumDrawFace(-1);
    EXPECT_THROW(h.qrn->addNumDrawFace(std::numeric_limits<std::int32_t>::min()), std::overflow_error);
}

TEST(FrameRate, CountsObservedSecondChangesFPSIsNeverZeroAndSixteenBitCountsOverflow)
{
    Harness h{0.0, 0.0}; // a clock that readings do not move
    const auto at = [&](double seconds) {
        h.clock.set(seconds);
        return h.qrn->checkFPS();
    };
    EXPECT_EQ(at(0.5), 0) << "within the first second: no change";
    EXPECT_EQ(h.qrn->getRunTime(), 0);
    at(0.9);
    EXPECT_EQ(at(5.2), 2) << "four seconds skipped are one change";
    EXPECT_EQ(h.qrn->getRunTime(), 1);
    EXPECT_EQ(at(6.0), 0) << "a second whose only call was its first";
    EXPECT_EQ(h.qrn->getFPS(), 1);
    EXPECT_EQ(at(6.5), 1) << "the replaced value is stored";

    for (int i = 1; i < 32767; ++i)
        at(6.75);
    EXPECT_THROW(at(6.75), std::overflow_error);
    for (int i = 1; i <= 32768; ++i)
        at(i + 6.5);
    EXPECT_THROW(h.qrn->getRunTime(), std::overflow_error);
}

TEST(FramePacing, WaitsTenMillisecondsAsleepABackwardsClockEndsTheWaitAndLateWakeUpsDelayNoLaterFrame)
{
    Harness h{100.0};
    h.init();
    const auto presents = [&] { return h.null().counts().presents; };
    h.qrn->Flip();
    double first = h.clock.peek();
    h.clock.set(first + 0.003);
    h.qrn->Flip();
    EXPECT_EQ(presents(), 2);
    EXPECT_NEAR(h.clock.peek() - first, QRN::kFrameInterval + 5e-5, 5e-5);
    EXPECT_GE(h.input.eventPumps, 1) << "window events run before the sleep";
    EXPECT_EQ(h.clock.sleeps, 1) << "one sleep to the deadline";
    EXPECT_GT(h.clock.slept, 0.006) << "the wait sleeps rather than spins";

    h.clock.set(h.clock.peek() + 0.02);
    const int sleeps = h.clock.sleeps;
    h.qrn->Flip();
    EXPECT_EQ(h.clock.sleeps, sleeps) << "a late frame is presented at once";

    // A clock going backwards ends the wait, as does one already behind the previous present.
    h.clock.onSleep = [](enginetest::SteppingClock& c) { c.set(5.0); };
    h.qrn->Flip();
    EXPECT_EQ((std::array{presents(), h.clock.sleeps}), (std::array{4, sleeps + 1}));
    h.clock.onSleep = nullptr;
    h.clock.set(1.0);
    h.qrn->Flip();
    EXPECT_EQ((std::array{presents(), h.clock.sleeps}), (std::array{5, sleeps + 1}));

    first = h.clock.peek();
    h.clock.onSleep = [](enginetest::SteppingClock& c) { c.set(c.peek() + 0.002); }; // sleeps overshoot
    h.qrn->Flip();
    h.qrn->Flip();
    EXPECT_NEAR(h.clock.peek() - first, 2 * QRN::kFrameInterval + 0.002, 1e-4) << "presents keep their grid";
    // A wake-up more than a whole frame late starts a new grid where it woke.
    h.clock.onSleep = [](enginetest::SteppingClock& c) { c.set(c.peek() + 0.025); };
    h.qrn->Flip();
    const double woke = h.clock.peek();
    h.clock.onSleep = nullptr;
    h.qrn->Flip();
    EXPECT_NEAR(h.clock.peek() - woke, QRN::kFrameInterval, 1e-4);
}

TEST(FramePacingOtherClocks, AStoppedClockDoesNotHangTheFrameAndASteadyOneSleepsInsteadOfSpinning)
{
    platform::VirtualClock stopped(50.0);
    Harness h(0, 0, &stopped);
    h.init();
    h.qrn->Flip();
    h.qrn->Flip(); // never moves: the wait must give up
    EXPECT_EQ(h.null().counts().presents, 2);

    // The steady clock: a hundred frames a second without busy waiting.
    platform::SteadyClock clock;
    Harness s(0, 0, &clock);
    s.init();
    s.qrn->Flip();
    const double start = clock.now();
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < 20; ++i)
        s.qrn->Flip();
    const double wall = clock.now() - start, cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    // The presents keep the grid of the first one's due time, which its wake-up may have overshot.
    EXPECT_GE(wall, 19 * QRN::kFrameInterval) << "frames came early";
    EXPECT_LT(cpu, 0.5 * wall) << "the wait should sleep, not spin";
    clock.sleepFor(0.005);
    EXPECT_GE(clock.now() - start - wall, 0.005);
}

} // namespace
