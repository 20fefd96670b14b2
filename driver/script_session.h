// driver: ondrel-script's session, a person at the screen played from a script.
// Stands on control.
#pragma once

#include <deque>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control/crt_ondrel.h"

namespace ondrel {

// A malformed script line, an unknown zone or command: the script stops there.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Plays a person at the screen of one control on a real database, and prints what
// that person would see as JSON Lines.
class ScriptSession : public HostWindow, public MessageBoxes {
public:
    ScriptSession(std::shared_ptr<Database> db, std::shared_ptr<UserRights> rights, ClientContext client,
                  std::ostream& out);
    ~ScriptSession() override;

    // Runs one line of a script; blank lines and comments do nothing.
    void run(const std::string& line);

    void unload() override;
    void error(const std::string& text) override;
    bool question(const std::string& text) override;

    static std::vector<std::string> words(const std::string& line);

private:
    using Args = std::vector<std::string>;
    struct Command {
        int arity;   // -1: any number of arguments
        void (ScriptSession::*run)(const Args&);
    };
    static const std::map<std::string, Command>& commands();
    void command(const std::vector<std::string>& w);

    void init(const Args&);
    void focus(const Args& a);
    void tab(const Args&);
    void keyCommand(const Args& a);
    void type(const Args& a);
    void paste(const Args& a);
    void cut(const Args& a);
    void caret(const Args& a);
    Zone& editable(const std::string& name);
    void select(const Args& a);
    void dblclick(const Args& a);
    void click(const Args& a);
    void answer(const Args& a);
    void rightclick(const Args&);
    void menu(const Args& a);
    void dump(const Args& names);
    void terminate(const Args&);

    Zone& zoneNamed(const std::string& name);
    bool reach(Zone& zone);   // gives the zone the focus; false (and refused) when it cannot take it
    void key(Zone& zone, const std::string& key);
    void hostError(const std::exception& e);
    Crt_Ondrel& control();

    std::shared_ptr<Database> db_;
    std::shared_ptr<UserRights> rights_;
    ClientContext client_;
    std::ostream& out_;
    std::unique_ptr<Crt_Ondrel> control_;
    std::deque<bool> answers_;
    bool menuOpen_ = false;
};

}  // namespace ondrel
