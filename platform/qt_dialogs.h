#pragma once

#include "platform/dialogs.h"

#include <memory>

class QTranslator;
class QWidget;

namespace platform {

// Qt's modal message box (OK only) and input box, centred on the active window. While it exists,
// Qt's own texts (the standard buttons among them) are in Japanese, as the rest of the program.
// Every text given is shown as plain text, exactly as it is.
class QtDialogs : public Dialogs {
public:
    QtDialogs();
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    void messageBox(const std::string& text, const std::string& caption) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override;

private:
    std::unique_ptr<QTranslator> qtTexts_;
};

} // namespace platform
