#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "control/crt_ondrel.h"
#include "screen/key_codes.h"
#include "screen/utf8_text.h"
#include "tests/store/temp_database.h"
#include "admin/demo_data.h"

namespace ondrel::test {

// A host and its message boxes, recording what the person would see.
class RecordingHost : public HostWindow, public MessageBoxes {
public:
    void unload() override { ++unloads; }
    void error(const std::string& text) override { messages.push_back(text); }
    bool question(const std::string& text) override {
        messages.push_back(text);
        bool yes = answers.empty() || answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }

    int unloads = 0;
    std::vector<std::string> messages;
    std::deque<bool> answers;
};

// A control on a demo database, started as a host would start it.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override { writeDemoData(*data.db, "owner"); }

    // A control on the test database, or on another connection to it: a second desk.
    std::unique_ptr<Crt_Ondrel> start(std::int32_t level = 2, std::shared_ptr<Database> db = nullptr) {
        auto c = std::make_unique<Crt_Ondrel>(host, [] { return std::shared_ptr<Help>(); });
        c->screen().setMessageBoxes(&host);
        c->TheDatabase(db ? db : data.db);
        c->DroitsUtilisateur(fixedRights(level));
        c->TheClient({"owner", data.path()});
        c->Init();
        return c;
    }

    // Keys pressed by the person, one character at a time, on a zone the person can
    // reach: the focus goes there as a click would, and a zone locked meanwhile takes no more.
    static void type(Crt_Ondrel& c, const std::string& zone, const std::string& keys) {
        Zone& z = c.screen().zone(zone);
        ASSERT_TRUE(z.canTakeFocus()) << zone << " cannot take the focus";
        z.setFocus();
        for (std::string rest = keys; !rest.empty();) {
            const std::string key = leftChars(rest, 1);
            rest.erase(0, key.size());
            ASSERT_TRUE(z.canTakeFocus()) << zone << " was locked before \"" << key << "\"";
            c.screen().pressKey(z, key == "\n" ? kEnter : key == "\b" ? kBackspace : charCode(key));
        }
    }

    TempDatabase data;
    RecordingHost host;
};

}  // namespace ondrel::test
