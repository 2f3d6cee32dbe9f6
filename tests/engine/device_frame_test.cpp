// Device creation, render states, frame counters, frame-rate measurement and frame pacing.

#include "engine_harness.h"

#include "engine/engine_errors.h"
#include "engine/q_light.h"
#include "engine/q_mat.h"
#include "engine/q_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <limits>

using enginetest::Harness;
using RenderStates = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

namespace {

const std::string kFallback =
    "このシステムではハードウェア頂点処理が使用できないため、ソフトウェア頂点処理モードに変更します。";

// ---------------------------------------------------------------------------------------------
// Device creation

TEST(DeviceCreation, HardwareWindowUsesTheDesktopFormatAndNoMessage)
{
    Harness h;
    h.init();
    ASSERT_EQ(h.requests.size(), 1u);
    EXPECT_FALSE(h.requests[0].software);
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_EQ(h.qrn->getUseHardware(), QRN::True);

    const engine::PresentParams& p = h.requests[0].params;
    EXPECT_TRUE(p.Windowed);
    EXPECT_EQ(p.BackBufferWidth, 640u);
    EXPECT_EQ(p.BackBufferHeight, 480u);
    EXPECT_EQ(p.BackBufferFormat, h.desktop.Format);
    EXPECT_EQ(p.BackBufferCount, 1u);
    EXPECT_TRUE(p.EnableAutoDepthStencil);
    EXPECT_EQ(p.AutoDepthStencilFormat, engine::FMT_D24S8);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);

    ASSERT_EQ(h.windowSizes.size(), 1u);
    EXPECT_EQ(h.windowSizes[0], std::make_pair(640, 480));
    EXPECT_EQ(h.qrn->getDDD().backBufferWidth(), 640);
    EXPECT_EQ(h.qrn->getWidth(), 640);
    EXPECT_EQ(h.qrn->getHeight(), 480);
}

TEST(DeviceCreation, FullScreenAsksForX8R8G8B8At75Hz)
{
    Harness h;
    h.init(QRN::True, QRN::True);
    const engine::PresentParams& p = h.requests.at(0).params;
    EXPECT_FALSE(p.Windowed);
    EXPECT_EQ(p.BackBufferFormat, engine::FMT_X8R8G8B8);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 75u);
}

TEST(DeviceCreation, FailedHardwareAttemptFallsBackToSoftwareWithOneMessage)
{
    Harness h;
    h.hardwareFailures = 1;
    h.init();
    const std::vector<std::string> expected{"create:hardware", "message:" + kFallback, "create:software"};
    EXPECT_EQ(h.events, expected);
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].caption, "Rinkfall");
    EXPECT_EQ(h.qrn->getUseHardware(), QRN::False);
    EXPECT_NO_THROW(h.qrn->SceneBegin());
}

TEST(DeviceCreation, SoftwareRequestSaysSoBeforeCreating)
{
    Harness h;
    h.init(QRN::False);
    const std::vector<std::string> expected{"message:ソフトウェアモード", "create:software"};
    EXPECT_EQ(h.events, expected);
    EXPECT_EQ(h.qrn->getUseHardware(), QRN::False);
}

TEST(DeviceCreation, FailingSoftwareAttemptReachesTheCaller)
{
    Harness h;
    h.hardwareFailures = 1;
    h.softwareFails = true;
    EXPECT_THROW(h.init(), gfx::DeviceError);
    EXPECT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_THROW(h.qrn->getDDD(), gfx::DeviceError);
}

TEST(DeviceCreation, CallsBeforeTheDeviceExistFail)
{
    Harness h;
    EXPECT_THROW(h.qrn->SceneBegin(), gfx::DeviceError);
    EXPECT_THROW(h.qrn->set3DSystem(QRN::True, QRN::True, QRN::True), gfx::DeviceError);
    EXPECT_THROW(h.qrn->getDDX(), gfx::DeviceError);
}

TEST(DeviceCreation, NonPositiveWindowSizeIsRefusedAfterStoringIt)
{
    Harness h;
    EXPECT_THROW(h.qrn->setDisplay(0, 480, QRN::False, QRN::True), std::invalid_argument);
    EXPECT_EQ(h.qrn->getWidth(), 0);
    EXPECT_EQ(h.qrn->getHeight(), 480);
    EXPECT_TRUE(h.windowSizes.empty());
}

// ---------------------------------------------------------------------------------------------
// Render states

TEST(RenderStates, Set3DSystemOrderAndValues)
{
    Harness h;
    h.init();
    h.qrn->set3DSystem(QRN::True, QRN::True, QRN::True);
    const RenderStates on{{d3d::RS_SHADEMODE, d3d::SHADE_GOURAUD}, {d3d::RS_FILLMODE, d3d::FILL_SOLID},
                          {d3d::RS_CULLMODE, d3d::CULL_CCW},       {d3d::RS_ZWRITEENABLE, 1},
                          {d3d::RS_ZENABLE, d3d::ZB_TRUE},         {d3d::RS_LIGHTING, 1}};
    EXPECT_EQ(h.device().renderStateLog, on);

    h.device().renderStateLog.clear();
    h.qrn->set3DSystem(QRN::False, QRN::False, QRN::False);
    const RenderStates off{{d3d::RS_SHADEMODE, d3d::SHADE_FLAT}, {d3d::RS_FILLMODE, d3d::FILL_WIREFRAME},
                           {d3d::RS_CULLMODE, d3d::CULL_CCW},    {d3d::RS_ZWRITEENABLE, 1},
                           {d3d::RS_ZENABLE, d3d::ZB_TRUE},      {d3d::RS_LIGHTING, 0}};
    EXPECT_EQ(h.device().renderStateLog, off);
}

TEST(RenderStates, CanAlphaSetsBlendFactorsWhateverTheMode)
{
    Harness h;
    h.init();
    h.qrn->CanAlpha(QRN::True, 0, d3d::CMP_ALWAYS);
    const RenderStates on{{d3d::RS_ALPHATESTENABLE, 1}, {d3d::RS_ALPHABLENDENABLE, 1},
                          {d3d::RS_ALPHAREF, 0},        {d3d::RS_ALPHAFUNC, d3d::CMP_ALWAYS},
                          {d3d::RS_SRCBLEND, d3d::BLEND_SRCALPHA}, {d3d::RS_DESTBLEND, d3d::BLEND_INVSRCALPHA}};
    EXPECT_EQ(h.device().renderStateLog, on);

    h.device().renderStateLog.clear();
    h.qrn->CanAlpha(QRN::False, 128, d3d::CMP_GREATER);
    const RenderStates off{{d3d::RS_ALPHATESTENABLE, 0}, {d3d::RS_ALPHABLENDENABLE, 0},
                           {d3d::RS_ALPHAREF, 128},      {d3d::RS_ALPHAFUNC, d3d::CMP_GREATER},
                           {d3d::RS_SRCBLEND, d3d::BLEND_SRCALPHA}, {d3d::RS_DESTBLEND, d3d::BLEND_INVSRCALPHA}};
    EXPECT_EQ(h.device().renderStateLog, off);
}

TEST(RenderStates, SpecularAmbientAndClear)
{
    Harness h;
    h.init();
    h.qrn->CanSpecular(QRN::True);
    EXPECT_EQ(h.device().renderState(d3d::RS_SPECULARENABLE), 1u);
    h.qrn->CanSpecular(QRN::False);
    EXPECT_EQ(h.device().renderState(d3d::RS_SPECULARENABLE), 0u);

    h.qrn->setAmbient(0x10, 0x20, 0x30);
    EXPECT_EQ(h.device().renderState(d3d::RS_AMBIENT), 0xFF102030u);

    h.qrn->DisplayClear(0xFF336699u);
    ASSERT_EQ(h.null().clears().size(), 1u);
    const gfx::ClearRecord& c = h.null().clears()[0];
    EXPECT_EQ(c.flags, d3d::CLEAR_TARGET | d3d::CLEAR_ZBUFFER);
    EXPECT_EQ(c.color, 0xFF336699u);
    EXPECT_EQ(c.z, 1.0f);
    EXPECT_EQ(c.stencil, 0u);
}

// ---------------------------------------------------------------------------------------------
// Draw counters

TEST(FrameCounters, SceneBeginZeroesCountersLightsAndQueue)
{
    Harness h;
    h.init();
    Q_Mesh mesh;
    mesh.setMesh(*h.qrn, h.writeFile("tri.x", "xof 0302txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n"));
    Q_Mat mat;
    Q_Light lights[1];
    lights[0].setSwitch(QRN::True);

    h.qrn->SceneBegin();
    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {}, QRN::False);
    mesh.DrawMesh(*h.qrn, mat, {}, {1, 1, 1}, {}, QRN::True);
    h.qrn->drawLight(lights);
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 3);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 1);
    EXPECT_EQ(h.qrn->getNumDrawLight(), 1);
    EXPECT_EQ(h.qrn->getAlphaCount(), 1);
    h.qrn->SceneEnd();

    h.qrn->SceneBegin();
    EXPECT_EQ(h.qrn->getNumDrawVertex(), 0);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 0);
    EXPECT_EQ(h.qrn->getNumDrawLight(), 0);
    EXPECT_EQ(h.qrn->getAlphaCount(), 0);
    const std::size_t drawsBefore = h.null().subsetDraws().size();
    h.qrn->DrawAlphaProcessing({0, 0, -5});
    EXPECT_EQ(h.null().subsetDraws().size(), drawsBefore);
    EXPECT_EQ(h.null().counts().beginScenes, 2);
}

TEST(FrameCounters, AddingPastThirtyTwoBitsIsAnOverflowNotAWrap)
{
    Harness h;
    h.init();
    h.qrn->addNumDrawVertex(std::numeric_limits<std::int32_t>::max() - 1);
    h.qrn->addNumDrawVertex(1);
    EXPECT_THROW(h.qrn->addNumDrawVertex(1), std::overflow_error);
    EXPECT_EQ(h.qrn->getNumDrawVertex(), std::numeric_limits<std::int32_t>::max());
    h.qrn->addNumDrawFace(5);
    h.qrn->addNumDrawFace(7);
    EXPECT_EQ(h.qrn->getNumDrawFace(), 12);
    EXPECT_THROW(h.qrn->addNumDrawFace(std::numeric_limits<std::int32_t>::max()), std::overflow_error);
}

// ---------------------------------------------------------------------------------------------
// Frame rate and run time (the test sets the clock between calls; readings cost no time)

struct FrameRate : ::testing::Test {
    Harness h{0.0, 0.0};
    void at(double seconds) { h.clock.set(seconds); }
};

TEST_F(FrameRate, SixtyCallsInASecondReportFiftyNine)
{
    at(10.0);
    h.qrn->checkFPS(); // the change to second 10: runs the count from 0
    EXPECT_EQ(h.qrn->getFPS(), 1) << "no second completed yet";
    for (int i = 1; i < 60; ++i) {
        at(10.0 + i / 60.0);
        EXPECT_EQ(h.qrn->checkFPS(), 1) << "call " << i;
    }
    at(11.0);
    EXPECT_EQ(h.qrn->checkFPS(), 59);
    EXPECT_EQ(h.qrn->getFPS(), 59);
    EXPECT_EQ(h.qrn->getRunTime(), 2);
}

TEST_F(FrameRate, FirstSecondIsNotAChangeAndRunTimeCountsChangesNotSeconds)
{
    at(0.5);
    EXPECT_EQ(h.qrn->checkFPS(), 0);
    EXPECT_EQ(h.qrn->getRunTime(), 0);
    at(0.9);
    h.qrn->checkFPS();
    at(5.2); // four seconds skipped: one observed change
    EXPECT_EQ(h.qrn->checkFPS(), 2);
    EXPECT_EQ(h.qrn->getRunTime(), 1);
    at(5.3);
    h.qrn->checkFPS();
    at(6.0);
    EXPECT_EQ(h.qrn->checkFPS(), 1);
    EXPECT_EQ(h.qrn->getRunTime(), 2);
}

TEST_F(FrameRate, GetFPSNeverReturnsZero)
{
    at(3.0);
    h.qrn->checkFPS();
    at(4.0); // a second whose only call was its first
    EXPECT_EQ(h.qrn->checkFPS(), 0);
    EXPECT_EQ(h.qrn->getFPS(), 1);
    EXPECT_EQ(h.qrn->checkFPS(), 1) << "the replaced value is stored";
}

TEST_F(FrameRate, CountersPastSixteenBitsAreOverflows)
{
    at(0.25);
    for (int i = 0; i < 32767; ++i)
        h.qrn->checkFPS();
    EXPECT_THROW(h.qrn->checkFPS(), std::overflow_error);

    Harness longRun(0.0, 0.0);
    double t = 0.5;
    for (int i = 0; i < 32768; ++i) {
        t += 1.0;
        longRun.clock.set(t);
        longRun.qrn->checkFPS();
    }
    EXPECT_THROW(longRun.qrn->getRunTime(), std::overflow_error);
}

// ---------------------------------------------------------------------------------------------
// Frame pacing

struct FramePacing : ::testing::Test {
    Harness h{100.0};
    void SetUp() override { h.init(); }
    int presents() { return h.null().counts().presents; }
};

TEST_F(FramePacing, SecondPresentWaitsTenMillisecondsMostlyAsleep)
{
    h.qrn->Flip();
    const double firstPresent = h.clock.peek();
    EXPECT_EQ(presents(), 1);

    h.clock.set(firstPresent + 0.003);
    h.clock.sleeps.clear();
    const int pumpsBefore = h.input.eventPumps;
    h.qrn->Flip();
    const double secondPresent = h.clock.peek();
    EXPECT_EQ(presents(), 2);
    EXPECT_GE(secondPresent - firstPresent, QRN::kFrameInterval);
    EXPECT_LT(secondPresent - firstPresent, QRN::kFrameInterval + 1e-4);
    EXPECT_GT(h.input.eventPumps - pumpsBefore, 1) << "window events run while waiting";
    EXPECT_GT(h.clock.totalSlept(), 0.006) << "the wait sleeps rather than spins";
    EXPECT_LE(h.clock.totalSlept(), 0.007);
}

TEST_F(FramePacing, LateFrameIsPresentedAtOnce)
{
    h.qrn->Flip();
    h.clock.set(h.clock.peek() + 0.02);
    h.clock.sleeps.clear();
    h.qrn->Flip();
    EXPECT_TRUE(h.clock.sleeps.empty());
    EXPECT_EQ(presents(), 2);
}

TEST_F(FramePacing, PacingHoldsLateInALongRun)
{
    // Near a day's worth of seconds a float clock only resolves ~8 ms; pacing must still hold.
    h.clock.set(86399.0);
    for (int frame = 0; frame < 20; ++frame) {
        const double before = h.clock.peek();
        h.qrn->Flip();
        if (frame > 0) {
            EXPECT_GE(h.clock.peek() - before, QRN::kFrameInterval - 2e-4) << "frame " << frame;
            EXPECT_LT(h.clock.peek() - before, QRN::kFrameInterval + 2e-4) << "frame " << frame;
        }
    }
}

TEST_F(FramePacing, ClockGoingBackwardsEndsTheWait)
{
    h.qrn->Flip();
    h.clock.onSleep = [](enginetest::SteppingClock& c) { c.set(5.0); };
    h.qrn->Flip();
    EXPECT_EQ(presents(), 2);
    EXPECT_EQ(h.clock.sleeps.size(), 1u);

    // Already behind the previous present: no wait at all.
    h.clock.onSleep = nullptr;
    h.clock.sleeps.clear();
    h.clock.set(1.0);
    h.qrn->Flip();
    EXPECT_EQ(presents(), 3);
    EXPECT_TRUE(h.clock.sleeps.empty());
}

TEST(FramePacingStoppedClock, StoppedClockDoesNotHangTheFrame)
{
    platform::VirtualClock stopped(50.0);
    std::vector<std::string> events;
    enginetest::RecordingDialogs dialogs(events);
    enginetest::CountingInputHost input;
    engine::QrnPlatform p;
    gfx::NullDevice* device = nullptr;
    p.createDevice = [&](const engine::PresentParams&, bool) -> std::unique_ptr<gfx::Device> {
        auto d = std::make_unique<gfx::NullDevice>();
        device = d.get();
        return d;
    };
    p.clock = &stopped;
    p.dialogs = &dialogs;
    p.input = &input;
    QRN qrn(std::move(p));
    qrn.AutoDxInit(nullptr, 640, 480, QRN::False, QRN::True);
    qrn.Flip();
    qrn.Flip(); // the clock never moves: the wait must give up
    stopped.advance(0.0099);
    qrn.Flip(); // inside the last fraction of a millisecond, where the wait polls
    EXPECT_EQ(device->counts().presents, 3);
}

// The steady clock, remembering its latest reading: after Flip that is the time of the present.
class LastReadingClock final : public platform::Clock {
public:
    double now() const override { return last = steady.now(); }
    void sleepFor(double seconds) override { steady.sleepFor(seconds); }
    mutable double last = 0;

private:
    platform::SteadyClock steady;
};

TEST(FramePacingRealClock, HundredFramesASecondWithoutBusyWaiting)
{
    LastReadingClock clock;
    std::vector<std::string> events;
    enginetest::RecordingDialogs dialogs(events);
    enginetest::CountingInputHost input;
    engine::QrnPlatform p;
    p.createDevice = [](const engine::PresentParams&, bool) -> std::unique_ptr<gfx::Device> {
        return std::make_unique<gfx::NullDevice>();
    };
    p.clock = &clock;
    p.dialogs = &dialogs;
    p.input = &input;
    QRN qrn(std::move(p));
    qrn.AutoDxInit(nullptr, 640, 480, QRN::False, QRN::True);

    constexpr int kFrames = 60;
    qrn.Flip();
    const double start = clock.last;
    double previous = start;
    double shortest = 1, longest = 0;
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < kFrames; ++i) {
        qrn.Flip();
        const double now = clock.last;
        shortest = std::min(shortest, now - previous);
        longest = std::max(longest, now - previous);
        previous = now;
    }
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wall = previous - start;
    std::printf("%d frames: interval shortest %.3f ms, mean %.3f ms, longest %.3f ms; cpu %.1f%% of the wall time\n",
                kFrames, shortest * 1e3, wall / kFrames * 1e3, longest * 1e3, 100.0 * cpu / wall);
    EXPECT_GE(shortest, QRN::kFrameInterval);
    EXPECT_LT(cpu, 0.5 * wall) << "the wait should sleep, not spin";
}

} // namespace
