#pragma once

#include "online/screen.h"

#include <array>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace online {

// Account registration: a name and a password (typed twice) go to Regist.php.
class Regist : public Screen {
    Q_OBJECT

public:
    explicit Regist(OnlineContext& context);
    void setTitleMenu(Screen& titleMenu) { titleMenu_ = &titleMenu; }

    void NewGame() override;

    int16_t RegistState = 0;

private:
    void SetControls(bool enable);
    void TextB_Change(int index);
    void CDR_Send_Click();
    void CDR_Return_Click();
    bool inputsComplete();
    void applyReply(const Reply& reply);

    Screen* titleMenu_ = nullptr;
    std::array<QLabel*, 7> Word{};
    std::array<QLineEdit*, 3> TextB{};
    QPushButton* CDR_Send = nullptr;
    QPushButton* CDR_Return = nullptr;
};

} // namespace online
