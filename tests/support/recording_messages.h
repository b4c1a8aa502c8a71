#pragma once

#include <string>
#include <vector>

#include "platform/messages.h"

namespace qarvex::test {

// Message boxes that record what they were asked to show and answer yes/no as told.
class RecordingMessages : public Messages {
public:
    struct Shown {
        std::string text;
        std::string caption;
        Icon icon;
    };

    void Show(const std::string& text, const std::string& caption, Icon icon) override {
        shown.push_back({text, caption, icon});
    }
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        asked.push_back({text, caption, Icon::Information});
        return answer;
    }

    std::vector<Shown> shown;
    std::vector<Shown> asked;
    bool answer = false;
};

}  // namespace qarvex::test
