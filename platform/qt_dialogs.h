#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace platform {

// Qt's modal message box (OK only) and input box, centred on the active window.
class QtDialogs : public Dialogs {
public:
    void messageBox(const std::string& text, const std::string& caption) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override;
};

} // namespace platform
