#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "budget/currency.h"
#include "control/crt_ondrel.h"

namespace ondrel {

// A budget line that comes from elsewhere than the keyboard: an imported row, a line
// copied from another year.
struct LineToWrite {
    std::string entity;
    std::string year;   // "N" or "N+1"
    std::string account;
    std::string label;
    std::string key;
    Currency total;
    // Period index and amount; none: the total spread over the year by the screen's
    // automatic rule.
    std::vector<std::pair<int, Currency>> periods;
};

// Writes budget lines by playing a person at the screen, on a control of its own: each
// line passes every check of the screen, and a refused one gets the message the screen
// gives a person who types it.
class ScreenWriter : public HostWindow, public MessageBoxes {
public:
    explicit ScreenWriter(std::shared_ptr<Database> db);
    ~ScreenWriter() override;

    enum class Outcome { Created, Replaced, Kept };
    struct Result {
        Outcome outcome = Outcome::Kept;
        std::optional<std::string> refusal;   // the screen's message when it refused the line
    };
    // A line already on file is kept unless replace.
    Result write(const LineToWrite& line, bool replace);

    void unload() override {}
    void error(const std::string& text) override { messages_.push_back(text); }
    bool question(const std::string& text) override;

private:
    Zone& zone(const char* name) { return control_.screen().zone(name); }
    // The person moves on to another zone: the LostFocus of the one left runs.
    void leave(Zone& to);
    bool chooseEntityAndYear(const LineToWrite& line);
    bool openLine(const LineToWrite& line, bool replace, Outcome& outcome);
    void enterPeriods(const LineToWrite& line);
    Result refused();

    Crt_Ondrel control_;
    std::vector<std::string> messages_;
};

}  // namespace ondrel
