#pragma once

#include <functional>
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

// What a write does with a line already on file: replaces it, or keeps it as it is.
enum class OnFile { Replace, Keep };

// Writes budget lines by playing a person at the screen, on a control of its own and
// with that person's rights: each line passes every check of the screen, and a refused
// one gets the message the screen gives a person who types it.
class ScreenWriter : public HostWindow, public MessageBoxes {
public:
    ScreenWriter(std::shared_ptr<Database> db, std::shared_ptr<UserRights> rights);
    ~ScreenWriter() override;

    // Kept: on file, and left alone; Unchanged: on file already as the line says.
    enum class Outcome { Created, Replaced, Kept, Unchanged };
    struct Result {
        Outcome outcome = Outcome::Kept;
        std::optional<std::string> refusal;   // the screen's message when it refused the line
    };
    Result write(const LineToWrite& line, OnFile onFile);
    // The screen's refusal when the person's rights do not let a line be saved; what is
    // written beside a line (its note) asks this first.
    std::optional<std::string> rightsRefusal();

    // What the screen says of an account typed for a new line of the entity's year, as
    // it completes it (a number of one to three significant digits taken as a grouping
    // account): the line it would open, or why it refuses. Its questions go to ask;
    // nothing is stored either way.
    struct NewLine {
        std::string account, label, key;
        bool grouping = false;
    };
    struct Opening {
        std::optional<NewLine> line;
        std::optional<std::string> refusal;   // neither: the person said No
    };
    Opening openNewLine(const std::string& entity, const std::string& year, const std::string& typed,
                        const std::function<bool(const std::string&)>& ask);

    void unload() override {}
    void error(const std::string& text) override { messages_.push_back(text); }
    bool question(const std::string& text) override;

private:
    Zone& zone(const char* name) { return control_.screen().zone(name); }
    // The person moves on to another zone: the LostFocus of the one left runs.
    void leave(Zone& to);
    // The person types the text over what the zone holds. A text that the zone does not
    // take whole (longer than it holds, or with a character its keys refuse) refuses the
    // line: nothing typed is ever cut short.
    bool enter(Zone& zone, const std::string& text, const std::string& what);
    void refuse(const std::string& why) { messages_.push_back(why); }
    bool chooseEntityAndYear(const LineToWrite& line);
    bool openLine(const LineToWrite& line, OnFile onFile, Outcome& outcome);
    void enterPeriods(const LineToWrite& line);
    Result refused();

    void cancelLine();

    std::shared_ptr<Database> db_;
    Crt_Ondrel control_;
    std::vector<std::string> messages_;
    std::function<bool(const std::string&)> ask_;   // none: every question is answered Yes
    int questions_ = 0;
};

}  // namespace ondrel
