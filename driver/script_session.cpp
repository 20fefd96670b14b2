#include "driver/script_session.h"

#include <charconv>
#include <ostream>

#include <nlohmann/json.hpp>

#include "screen/key_codes.h"
#include "screen/utf8_text.h"

namespace ondrel {

using Json = nlohmann::ordered_json;

namespace {


int number(const std::string& word) {
    int n = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), n);
    if (ec != std::errc() || end != word.data() + word.size())
        throw ScriptError("\"" + word + "\" is not a number");
    return n;
}

std::string currencyText(Currency c) {
    std::int64_t units = c.tenThousandths();
    std::string sign = units < 0 ? "-" : "";
    std::uint64_t magnitude = units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    std::string fraction = std::to_string(magnitude % 10000);
    return sign + std::to_string(magnitude / 10000) + "." + std::string(4 - fraction.size(), '0') + fraction;
}

// The help as the driver shows it: one line naming the topic and its title.
class ScriptHelp : public Help {
public:
    explicit ScriptHelp(std::ostream& out) : out_(out) {}
    void SetClient(const ClientContext&) override {}
    void SetDatabase(std::shared_ptr<Database>) override {}
    std::string ShowHelp(const std::string& topic, const std::string& letter, const std::string& title) override {
        Json j;
        j["help"] = {{"topic", topic}, {"letter", letter}, {"title", title}};
        out_ << j.dump() << "\n";
        return {};
    }

private:
    std::ostream& out_;
};

// What a person sees of a zone: its text, its list and its state, as its kind has them.
Json stateOf(const Zone& z) {
    Json j;
    j["zone"] = z.name();
    auto items = [&] {
        Json list = Json::array();
        for (int i = 0; i < z.listCount(); ++i)
            list.push_back(Json::array({z.list(i), z.itemData(i)}));
        return list;
    };
    switch (z.kind()) {
    case ZoneKind::TextBox:
        j["text"] = z.text();
        j["enabled"] = z.enabled();
        j["visible"] = z.visible();
        break;
    case ZoneKind::EditableCombo:
    case ZoneKind::DropDownList:
        j["text"] = z.text();
        j["enabled"] = z.enabled();
        j["visible"] = z.visible();
        j["listIndex"] = z.listIndex();
        j["items"] = items();
        break;
    case ZoneKind::ListBox:
        j["enabled"] = z.enabled();
        j["listIndex"] = z.listIndex();
        j["items"] = items();
        break;
    case ZoneKind::CommandButton:
        j["enabled"] = z.enabled();
        j["visible"] = z.visible();
        break;
    case ZoneKind::OptionButton:
        j["enabled"] = z.enabled();
        j["value"] = z.value() != 0;
        break;
    case ZoneKind::CheckBox:
        j["enabled"] = z.enabled();
        j["value"] = z.value();
        break;
    default:
        j["enabled"] = z.enabled();
        break;
    }
    return j;
}

// The control's working members that the scenarios follow.
Json membersOf(const Crt_Ondrel& c) {
    Json members;
    members["W_Sortir"] = c.W_Sortir;
    members["W_Creation"] = c.W_Creation;
    members["W_AjoutPeriode"] = c.W_AjoutPeriode;
    members["W_ZonesOk"] = c.W_ZonesOk;
    members["W_CodeExercice"] = c.W_CodeExercice;
    members["W_TotalReparti"] = currencyText(c.W_TotalReparti);
    members["W_SommeRepart"] = currencyText(c.W_SommeRepart);
    return members;
}

}  // namespace

ScriptSession::ScriptSession(std::shared_ptr<Database> db, std::shared_ptr<UserRights> rights, ClientContext client,
                             std::ostream& out)
    : db_(std::move(db)), rights_(std::move(rights)), client_(std::move(client)), out_(out) {
    control_ = std::make_unique<Crt_Ondrel>(*this, [this] { return std::make_shared<ScriptHelp>(out_); });
    control_->screen().setMessageBoxes(this);
    control_->screen().setMenuPresenter([this](Zone& menu) {
        Json items = Json::array();
        for (const auto& z : control_->screen().zones())
            if (z->container() == &menu)
                items.push_back(z->caption());
        out_ << Json{{"menu", items}}.dump() << "\n";
        menuOpen_ = true;
    });
}

ScriptSession::~ScriptSession() = default;

Crt_Ondrel& ScriptSession::control() {
    if (!control_)
        throw ScriptError("the control has been destroyed");
    return *control_;
}

void ScriptSession::unload() {
    out_ << R"({"hostClosed":true})" << "\n";
}

void ScriptSession::error(const std::string& text) {
    Json j;
    j["message"] = text;
    j["icon"] = "exclamation";
    j["buttons"] = "ok";
    j["answer"] = "ok";
    out_ << j.dump() << "\n";
}

bool ScriptSession::question(const std::string& text) {
    bool yes = true;   // the default button
    if (!answers_.empty()) {
        yes = answers_.front();
        answers_.pop_front();
    }
    Json j;
    j["message"] = text;
    j["icon"] = "question";
    j["buttons"] = "yesno";
    j["answer"] = yes ? "yes" : "no";
    out_ << j.dump() << "\n";
    return yes;
}

std::vector<std::string> ScriptSession::words(const std::string& line) {
    std::vector<std::string> w;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\') {
                    if (i >= line.size() || (line[i] != '"' && line[i] != '\\'))
                        throw ScriptError("only \\\" and \\\\ may follow a backslash");
                    c = line[i++];
                }
                word += c;
            }
            if (!closed)
                throw ScriptError("a quoted word is never closed");
            if (i < line.size() && line[i] != ' ' && line[i] != '\t')
                throw ScriptError("a blank must follow a quoted word");
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                word += line[i++];
        }
        w.push_back(word);
    }
    return w;
}

Zone& ScriptSession::zoneNamed(const std::string& name) {
    Zone* z = control().screen().find(name);
    if (!z)
        throw ScriptError("no zone is named " + name);
    return *z;
}

// The focus moves first, and the LostFocus of the zone that had it may lock the target:
// a zone is asked twice whether it can take the focus, before and after.
bool ScriptSession::reach(Zone& zone) {
    if (control().screen().reach(zone))
        return true;
    out_ << Json{{"refused", zone.name()}}.dump() << "\n";
    return false;
}

// Delete reaches no KeyPress, as in the toolkit: it acts on the text at once.
void ScriptSession::key(Zone& zone, const std::string& key) {
    int code = key == "Enter" ? kEnter : key == "Backspace" ? kBackspace : key == "Delete" ? 0 : charCode(key);
    if (code < 0)
        throw ScriptError("a key is Enter, Backspace, Delete or one character, not \"" + key + "\"");
    if (!reach(zone))
        return;
    if (code == 0)
        zone.eraseForward();
    else
        control().screen().pressKey(zone, code);
    control().screen().settleFocus();
}

void ScriptSession::hostError(const std::exception& e) {
    const auto* data = dynamic_cast<const DataError*>(&e);
    Json j;
    j["hostError"] = {{"number", data ? data->number() : kUnspecifiedFailure}, {"description", e.what()}};
    out_ << j.dump() << "\n";
}

void ScriptSession::run(const std::string& line) {
    auto start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#')
        return;
    if (!isValidUtf8(line))
        throw ScriptError("the line is not valid UTF-8");
    auto w = words(line.substr(0, line.find_last_not_of("\r") + 1));
    auto guarded = [this](auto&& step) {
        try {
            step();
        } catch (const ScriptError&) {
            throw;
        } catch (const std::exception& e) {
            hostError(e);
        }
    };
    // Each command is a step of the person's, and the window settles the focus after it.
    guarded([&] { command(w); });
    if (control_)
        guarded([&] { control_->screen().settleFocus(); });
}

const std::map<std::string, ScriptSession::Command>& ScriptSession::commands() {
    static const std::map<std::string, Command> table = {
        {"init", {0, &ScriptSession::init}},         {"focus", {1, &ScriptSession::focus}},
        {"tab", {0, &ScriptSession::tab}},           {"key", {2, &ScriptSession::keyCommand}},
        {"type", {2, &ScriptSession::type}},         {"paste", {2, &ScriptSession::paste}},
        {"select", {2, &ScriptSession::select}},     {"dblclick", {2, &ScriptSession::dblclick}},
        {"click", {1, &ScriptSession::click}},       {"answer", {1, &ScriptSession::answer}},
        {"caret", {-1, &ScriptSession::caret}},      {"cut", {1, &ScriptSession::cut}},
        {"rightclick", {0, &ScriptSession::rightclick}}, {"menu", {1, &ScriptSession::menu}},
        {"dump", {-1, &ScriptSession::dump}},        {"terminate", {0, &ScriptSession::terminate}},
    };
    return table;
}

void ScriptSession::command(const std::vector<std::string>& w) {
    auto it = commands().find(w[0]);
    if (it == commands().end())
        throw ScriptError("unknown command " + w[0]);
    const int n = it->second.arity;
    if (n >= 0 && w.size() != static_cast<std::size_t>(n) + 1)
        throw ScriptError(w[0] + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s"));
    (this->*it->second.run)({w.begin() + 1, w.end()});
}

void ScriptSession::init(const Args&) {
    control().TheDatabase(db_);
    control().DroitsUtilisateur(rights_);
    control().TheClient(client_);
    control().Init();
}

void ScriptSession::focus(const Args& a) {
    reach(zoneNamed(a[0]));
}

void ScriptSession::tab(const Args&) {
    control().screen().tab();
}

void ScriptSession::keyCommand(const Args& a) {
    key(zoneNamed(a[0]), a[1]);
}

// Once the zone can no longer take input the rest is refused.
void ScriptSession::type(const Args& a) {
    Zone& z = zoneNamed(a[0]);
    std::string rest = a[1];
    while (!rest.empty()) {
        std::string one = leftChars(rest, 1);
        rest = rest.substr(one.size());
        if (!z.canTakeFocus()) {
            out_ << Json{{"refused", z.name()}}.dump() << "\n";
            return;
        }
        key(z, one);
    }
}

Zone& ScriptSession::editable(const std::string& name) {
    Zone& z = zoneNamed(name);
    if (!z.hasText() || z.kind() == ZoneKind::DropDownList)
        throw ScriptError(name + " holds no text to edit");
    return z;
}

// The person selects the whole text, then pastes over it.
void ScriptSession::paste(const Args& a) {
    Zone& z = editable(a[0]);
    if (!reach(z))
        return;
    z.select(0, static_cast<int>(charCount(z.text())));
    z.paste(a[1]);
}

void ScriptSession::cut(const Args& a) {
    Zone& z = editable(a[0]);
    if (reach(z))
        z.cut();
}

// caret ZONE START [LENGTH]: the caret before character START (from 0), and LENGTH
// characters selected from there.
void ScriptSession::caret(const Args& a) {
    if (a.size() != 2 && a.size() != 3)
        throw ScriptError("caret takes a zone, a start and an optional length");
    Zone& z = editable(a[0]);
    const int start = number(a[1]);
    const int length = a.size() == 3 ? number(a[2]) : 0;
    if (reach(z))
        z.select(start, length);
}

void ScriptSession::select(const Args& a) {
    Zone& z = zoneNamed(a[0]);
    if (!z.isCombo())
        throw ScriptError(z.name() + " is not a combo box");
    int index = number(a[1]);
    if (reach(z))
        z.pick(index);
}

void ScriptSession::dblclick(const Args& a) {
    Zone& z = zoneNamed(a[0]);
    if (z.kind() != ZoneKind::ListBox)
        throw ScriptError(z.name() + " is not a list box");
    int index = number(a[1]);
    if (!reach(z))
        return;
    z.setListIndex(index);
    if (z.events().dblClick)
        z.events().dblClick();
}

void ScriptSession::click(const Args& a) {
    Zone& z = zoneNamed(a[0]);
    if (z.kind() != ZoneKind::CommandButton && z.kind() != ZoneKind::OptionButton && z.kind() != ZoneKind::CheckBox)
        throw ScriptError(z.name() + " cannot be clicked");
    if (reach(z))
        z.click();
}

void ScriptSession::answer(const Args& a) {
    if (a[0] != "yes" && a[0] != "no")
        throw ScriptError("answer yes or answer no");
    answers_.push_back(a[0] == "yes");
}

void ScriptSession::rightclick(const Args&) {
    control().UserControl_MouseDown();
}

void ScriptSession::menu(const Args& a) {
    Zone& z = zoneNamed(a[0]);
    if (z.kind() != ZoneKind::MenuItem)
        throw ScriptError(z.name() + " is not a menu item");
    if (!menuOpen_) {
        out_ << Json{{"refused", z.name()}}.dump() << "\n";
        return;
    }
    menuOpen_ = false;
    if (z.events().click)
        z.events().click();
}

void ScriptSession::terminate(const Args&) {
    control_.reset();
}

void ScriptSession::dump(const Args& names) {
    std::vector<Zone*> zones;
    if (names.empty()) {
        for (const auto& z : control().screen().zones())
            if (z->kind() != ZoneKind::Menu && z->kind() != ZoneKind::MenuItem)
                zones.push_back(z.get());
    } else {
        for (const auto& n : names)
            zones.push_back(&zoneNamed(n));
    }
    for (Zone* z : zones)
        out_ << stateOf(*z).dump() << "\n";
    Zone* focus = control().screen().focus();
    out_ << Json{{"focus", focus ? Json(focus->name()) : Json(nullptr)}}.dump() << "\n";
    out_ << Json{{"members", membersOf(control())}}.dump() << "\n";
}

}  // namespace ondrel
