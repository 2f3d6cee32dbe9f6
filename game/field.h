#pragma once

// The game window: the state of FieldState plus the engine objects, the frame loop, the shot
// phases and the view controls. Its drawing methods (Set_3D, Draw_3D, Draw_2D, Draw_System and the
// scene set-up) live in scene/.

#include "engine/q_key.h"
#include "engine/q_light.h"
#include "engine/q_mat.h"
#include "engine/q_mesh.h"
#include "engine/q_std.h"
#include "engine/q_tex.h"
#include "engine/qif.h"
#include "engine/qrn.h"
#include "game/field_state.h"
#include "game/match/cpu_player.h"
#include "game/match/match_setup.h"
#include "game/sound_events.h"

#include <QCoreApplication>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

// What the window needs from whoever runs it.
struct FieldEnvironment {
    engine::QrnPlatform platform;         // device factory, loaders, clock, dialogs, input host
    std::function<void()> showWindow;     // step "show the window" of a new game
    std::string programDir;               // the folder Library/ sits in
    std::uint32_t seed = 0;               // of the balance triangle's start angle and the computer player
    std::optional<match::MatchSetup> match; // GMode 2 and 3: the match's set-up (defaults if none)
    double mouseSensitivity = 1.0;        // factor on mouse-look's turn; 1 is the game's own rate
    bool invertLook = false;              // moving the mouse up tilts the view down
    sound::Sink* sound = nullptr;         // hears every frame's sounds; none: the game is silent
};

// Points in a frame where a runner (replay, recording, dumps, frame limits) looks in. All optional.
struct FieldHooks {
    std::function<void()> beforeFrame; // before any work of the frame
    std::function<void()> atPoll;      // window events have run; the poll comes next
    std::function<void()> beforeFlip;  // the frame is drawn; Flip comes next
    std::function<bool()> afterFrame;  // after Flip; false ends the loop as Esc does
};

class Field : public FieldState {
    // The texts the window draws are made in the player's language: tr() in the scene's files.
    Q_DECLARE_TR_FUNCTIONS(Field)

public:
    // Indices into Keys, in the order the keys are handled each frame.
    enum KeyIndex : int { KeyEsc, KeyW, KeyS, KeyA, KeyD, KeySpace, KeyF1, KeyF2, KeyF3, KeyEnter, KeyCount };

    explicit Field(FieldEnvironment environment);
    ~Field();
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    void setHooks(FieldHooks hooks) { hooks_ = std::move(hooks); }

    // Sets up the device and the scene, binds the keys and runs the frame loop until Esc. The
    // caller ends the program when it returns.
    void NewGame(std::int16_t& GMode);
    // NewGame without the loop, and the loop's start and one pass: what tests and tools drive.
    void prepareGame(std::int16_t gameMode);
    void beginLoop();
    void runFrame();
    void Game_Main();

    // Window events.
    void onMouseButtonDown(std::int16_t Button);
    // The close box ends the game as Esc does, after the frame in progress.
    void onCloseRequest() { Running = 0; }

    QRN& engine() { return *Gfx; }
    const QRN& engine() const { return *Gfx; }
    QIF& input() { return *Inp; }
    const std::array<Q_Key, KeyCount>& keyBindings() const { return Keys; }
    // The fps value this frame's checkFPS returned.
    std::int16_t frameFps() const { return FrameFps; }
    // The match in progress in GMode 2 and 3; null in every other mode.
    const match::Match* currentMatch() const { return match_.get(); }
    // A team and what one of its stones did, in the player's language.
    static QString teamName(match::Team team);
    static QString shotText(const match::ShotReport& report);

    // --- frame steps -----------------------------------------------------------------------------
    void Draw_Pre();
    void Draw_Event();
    // scene/
    void Set_3D();
    void Draw_3D();
    void Draw_2D();
    void Draw_System();

private:
    // scene/: the resource steps of a new game.
    void Load_SceneTextures();
    void Setup_SceneObjects();
    void Setup_TextAndStages();

    // Draw_Pre
    void newShot();
    void releaseStone();
    void countShotFrame();

    // Draw_Event
    void mouseLook();
    void clicksAndZoom();
    void toggleZoom();
    void rampZoom();
    void handleKeys();
    void handleW(std::int16_t state);
    void handleS(std::int16_t state);
    void handleA(std::int16_t state);
    void handleD(std::int16_t state);
    void handleSpace(std::int16_t state);
    void handleF1(std::int16_t state);
    void handleF2(std::int16_t state);
    void handleEnter(std::int16_t state);
    void placeStone();
    void walk(double xAngleDeg, double zAngleDeg);
    void brush(std::int16_t command);
    void keepFreeCameraInBounds();

    // game/match_play.cpp: the match around the shot phases.
    void startMatch();
    bool cpuToThrow() const;
    void cpuKeys();
    bool cpuSetting(float& value, float target, void (Field::*lower)(std::int16_t), void (Field::*raise)(std::int16_t));
    void stonesCameToRest();
    bool matchPhaseKeys();
    void continueAfterCount();
    void askToLeave();
    // scene/match_overlay.cpp
    void drawMatchBoard();
    void drawMatchLines(const char* help2, const char* help3);
    void drawCountMarks();

    // game/field_sound.cpp
    void hear(sound::Kind kind, int stone, float speed, float level = 1);
    void hearStroke();
    std::array<long, 3> gaugeNotches() const;
    void hearGauges(const std::array<long, 3>& before);
    void passFrameSounds();

    float fps();
    float randomAngle();
    StoneRec& currentStone() { return Stones[CurStone]; }

    FieldEnvironment env_;
    FieldHooks hooks_;
    std::mt19937 random_;

    std::unique_ptr<QRN> Gfx;
    std::unique_ptr<QIF> Inp;
    std::array<Q_Tex, 9> Tex;
    Q_Tex BackTex;
    std::array<Q_Key, KeyCount> Keys;
    std::array<Q_Mesh, 3> Mesh;
    std::array<Q_Mat, 3> Mat;
    Q_Std Cam;
    std::array<Q_Light, 2> Lights;
    engine::FontLabel tmpFont0{"ＭＳ ゴシック", 9};
    ViewRec AimView;
    std::int16_t FrameFps = 0;

    // The match (GMode 2 and 3).
    match::MatchSetup matchSetup_;
    std::unique_ptr<match::Match> match_;
    std::unique_ptr<match::CpuPlayer> cpu_;
    int matchesStarted_ = 0;
    std::optional<match::Shot> cpuShot_; // the computer's shot for the stone in hand
    int cpuPause_ = 0;                   // frames until its next step, so the human sees the gauges move
    int cpuShootingFrames_ = 0;
    std::string matchMessage_;           // what the last stone did
    match::EndCount lastCount_;
    std::int16_t phaseBeforeLeave_ = 0;
    int resultChoice_ = 0;               // 0 もう一度, 1 終了
    std::array<Q_Mat, 3> countMats_; // the counting mark, red and yellow caps seen from above

    std::vector<sound::Event> sounds_; // what this frame made so far
    long soundFrame_ = 0;
};
