#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Answers input boxes from a queue (cancel when empty) and keeps every message shown.
class ScriptedDialogs : public platform::Dialogs {
public:
    struct Prompt {
        std::string prompt, title, initial;
    };

    void messageBox(const std::string& text, const std::string& caption) override
    {
        messages.push_back(text);
        captions.push_back(caption);
    }
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& initial) override
    {
        prompts.push_back({prompt, title, initial});
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<std::string> captions;
    std::vector<Prompt> prompts;
    std::deque<std::optional<std::string>> answers;
};

} // namespace testing_support
