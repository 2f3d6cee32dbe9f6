#pragma once

// The set-up of a match, asked before it starts: the opponent (the computer at one of three
// strengths, or a second player at the same keyboard), the number of ends and the free-guard-zone
// rule.

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QSpinBox;

struct MatchChoice {
    bool againstCpu = true;
    int cpuLevel = 2; // 1 弱い, 2 普通, 3 強い
    int ends = 8;     // 1..10
    bool freeGuardZone = false;
};

// Runs the game window for a match and returns the program's exit code when the game ends.
using MatchLauncher = std::function<int(const MatchChoice&)>;

class MatchDialog : public QDialog {
    Q_OBJECT

public:
    explicit MatchDialog(QWidget* parent = nullptr);
    MatchChoice choice() const;

    QComboBox* opponent() const { return opponent_; }
    QSpinBox* ends() const { return ends_; }
    QCheckBox* freeGuardZone() const { return freeGuardZone_; }

private:
    QComboBox* opponent_;
    QSpinBox* ends_;
    QCheckBox* freeGuardZone_;
};
