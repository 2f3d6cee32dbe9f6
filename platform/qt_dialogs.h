#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace platform {

// Qt's modal message box (OK only) and input box, centred on the active window. Their standard
// buttons speak the language of the installed translations (platform::Translations).
// Every text given is shown as plain text, exactly as it is.
class QtDialogs : public Dialogs {
public:
    void messageBox(const std::string& text, const std::string& caption) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override;
};

} // namespace platform
