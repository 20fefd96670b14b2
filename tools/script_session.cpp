#include "tools/script_session.h"

#include <charconv>
#include <ostream>

#include <nlohmann/json.hpp>

#include "screen/utf8_text.h"

namespace ondrel {

using Json = nlohmann::ordered_json;

namespace {

constexpr std::uint32_t kGenericFailure = 0x80004005;

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

bool ScriptSession::reach(Zone& zone) {
    if (!zone.canTakeFocus()) {
        out_ << Json{{"refused", zone.name()}}.dump() << "\n";
        return false;
    }
    control().screen().moveFocus(zone);
    return true;
}

void ScriptSession::key(Zone& zone, const std::string& key) {
    int code = key == "Enter" ? 13 : key == "Backspace" ? 8 : charCode(key);
    if (code < 0)
        throw ScriptError("a key is Enter, Backspace or one character, not \"" + key + "\"");
    if (reach(zone))
        control().screen().pressKey(zone, code);
}

void ScriptSession::hostError(const std::exception& e) {
    const auto* data = dynamic_cast<const DataError*>(&e);
    Json j;
    j["hostError"] = {{"number", data ? data->number() : kGenericFailure}, {"description", e.what()}};
    out_ << j.dump() << "\n";
}

void ScriptSession::run(const std::string& line) {
    auto start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#')
        return;
    auto w = words(line.substr(0, line.find_last_not_of("\r") + 1));
    try {
        command(w);
    } catch (const ScriptError&) {
        throw;
    } catch (const std::exception& e) {
        hostError(e);
    }
}

void ScriptSession::command(const std::vector<std::string>& w) {
    const std::string& c = w[0];
    auto arity = [&](std::size_t n) {
        if (w.size() != n + 1)
            throw ScriptError(c + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s"));
    };
    if (c == "init") {
        arity(0);
        control().TheDatabase(db_);
        control().DroitsUtilisateur(rights_);
        control().TheClient(client_);
        control().Init();
    } else if (c == "focus") {
        arity(1);
        reach(zoneNamed(w[1]));
    } else if (c == "tab") {
        arity(0);
        control().screen().tab();
    } else if (c == "key") {
        arity(2);
        key(zoneNamed(w[1]), w[2]);
    } else if (c == "type") {
        arity(2);
        Zone& z = zoneNamed(w[1]);
        std::string rest = w[2];
        while (!rest.empty()) {
            std::string one = leftChars(rest, 1);
            rest = rest.substr(one.size());
            if (!z.canTakeFocus()) {
                out_ << Json{{"refused", z.name()}}.dump() << "\n";
                return;
            }
            key(z, one);
        }
    } else if (c == "paste") {
        arity(2);
        Zone& z = zoneNamed(w[1]);
        if (!z.hasText() || z.kind() == ZoneKind::DropDownList)
            throw ScriptError("cannot paste into " + z.name());
        if (reach(z))
            z.setText(z.maxLength() ? leftChars(w[2], z.maxLength()) : w[2]);
    } else if (c == "select") {
        arity(2);
        Zone& z = zoneNamed(w[1]);
        if (!z.isCombo())
            throw ScriptError(z.name() + " is not a combo box");
        int index = number(w[2]);
        if (reach(z))
            z.pick(index);
    } else if (c == "dblclick") {
        arity(2);
        Zone& z = zoneNamed(w[1]);
        if (z.kind() != ZoneKind::ListBox)
            throw ScriptError(z.name() + " is not a list box");
        int index = number(w[2]);
        if (reach(z)) {
            z.setListIndex(index);
            if (z.events().dblClick)
                z.events().dblClick();
        }
    } else if (c == "click") {
        arity(1);
        Zone& z = zoneNamed(w[1]);
        if (z.kind() != ZoneKind::CommandButton && z.kind() != ZoneKind::OptionButton && z.kind() != ZoneKind::CheckBox)
            throw ScriptError(z.name() + " cannot be clicked");
        if (reach(z))
            z.click();
    } else if (c == "answer") {
        arity(1);
        if (w[1] != "yes" && w[1] != "no")
            throw ScriptError("answer yes or answer no");
        answers_.push_back(w[1] == "yes");
    } else if (c == "rightclick") {
        arity(0);
        control().UserControl_MouseDown();
    } else if (c == "menu") {
        arity(1);
        Zone& z = zoneNamed(w[1]);
        if (z.kind() != ZoneKind::MenuItem)
            throw ScriptError(z.name() + " is not a menu item");
        if (!menuOpen_) {
            out_ << Json{{"refused", z.name()}}.dump() << "\n";
            return;
        }
        menuOpen_ = false;
        if (z.events().click)
            z.events().click();
    } else if (c == "dump") {
        dump({w.begin() + 1, w.end()});
    } else if (c == "terminate") {
        arity(0);
        control_.reset();
    } else {
        throw ScriptError("unknown command " + c);
    }
}

void ScriptSession::dump(const std::vector<std::string>& names) {
    std::vector<Zone*> zones;
    if (names.empty()) {
        for (const auto& z : control().screen().zones())
            if (z->kind() != ZoneKind::Menu && z->kind() != ZoneKind::MenuItem)
                zones.push_back(z.get());
    } else {
        for (const auto& n : names)
            zones.push_back(&zoneNamed(n));
    }
    for (Zone* z : zones) {
        Json j;
        j["zone"] = z->name();
        auto items = [&] {
            Json list = Json::array();
            for (int i = 0; i < z->listCount(); ++i)
                list.push_back(Json::array({z->list(i), z->itemData(i)}));
            return list;
        };
        switch (z->kind()) {
        case ZoneKind::TextBox:
            j["text"] = z->text();
            j["enabled"] = z->enabled();
            j["visible"] = z->visible();
            break;
        case ZoneKind::EditableCombo:
        case ZoneKind::DropDownList:
            j["text"] = z->text();
            j["enabled"] = z->enabled();
            j["visible"] = z->visible();
            j["listIndex"] = z->listIndex();
            j["items"] = items();
            break;
        case ZoneKind::ListBox:
            j["enabled"] = z->enabled();
            j["listIndex"] = z->listIndex();
            j["items"] = items();
            break;
        case ZoneKind::CommandButton:
            j["enabled"] = z->enabled();
            j["visible"] = z->visible();
            break;
        case ZoneKind::OptionButton:
            j["enabled"] = z->enabled();
            j["value"] = z->value() != 0;
            break;
        case ZoneKind::CheckBox:
            j["enabled"] = z->enabled();
            j["value"] = z->value();
            break;
        default:
            j["enabled"] = z->enabled();
            break;
        }
        out_ << j.dump() << "\n";
    }
    Zone* focus = control().screen().focus();
    out_ << Json{{"focus", focus ? Json(focus->name()) : Json(nullptr)}}.dump() << "\n";
    const Crt_Ondrel& c = control();
    Json members;
    members["W_Sortir"] = c.W_Sortir;
    members["W_Creation"] = c.W_Creation;
    members["W_AjoutPeriode"] = c.W_AjoutPeriode;
    members["W_ZonesOk"] = c.W_ZonesOk;
    members["W_CodeExercice"] = c.W_CodeExercice;
    members["W_TotalReparti"] = currencyText(c.W_TotalReparti);
    members["W_SommeRepart"] = currencyText(c.W_SommeRepart);
    out_ << Json{{"members", members}}.dump() << "\n";
}

}  // namespace ondrel
