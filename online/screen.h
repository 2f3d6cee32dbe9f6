#pragma once

#include "online/master.h"
#include "online/protocol.h"
#include "platform/dialogs.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;

namespace online {

// Ends the program with an exit code. The program ends the process; tests record the call.
using ExitFunction = std::function<void(int)>;

// What every screen works with; owned by the start-up, alive for the whole run.
struct OnlineContext {
    Master& master;
    Protocol& protocol;
    platform::Dialogs& dialogs;
    ExitFunction exitProgram;
};

// One window of the online side. Tag is "1" while the window is the current screen; closing the
// current screen ends the program. Screens are hidden, never destroyed, while the program runs.
class Screen : public QWidget {
public:
    explicit Screen(OnlineContext& context);

    virtual void NewGame() = 0;

    QString Tag = QStringLiteral("0");

protected:
    bool isCurrent() const { return Tag.toDouble() == 1; }
    // Leaves this screen for the next: the next is shown before this one is hidden.
    void handOverTo(Screen& next);
    void endProgram(int code = 0) { context_.exitProgram(code); }
    void showMessage(const QString& text);

    // Enter clicks this button wherever the focus is in the form, as a dialog's default button
    // does; a focused button takes Enter for itself.
    void setDefaultButton(QPushButton* button);
    void keyPressEvent(QKeyEvent* event) override;

    void closeEvent(QCloseEvent* event) override;
    // A screen shown again stands exactly where it stood when it was hidden.
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Last words of a screen before closing it ends the program.
    virtual void beforeProgramEnds() {}

    OnlineContext& context_;

private:
    QPushButton* defaultButton_ = nullptr;
    std::optional<QPoint> place_; // where the client area stood when last hidden
};

} // namespace online
