#include "sheets/screen_writer.h"

#include "account/account_number.h"
#include "budget/budget_key.h"
#include "budget/stored_distribution.h"
#include "periods/period_line.h"
#include "screen/key_codes.h"
#include "screen/utf8_text.h"

namespace ondrel {

ScreenWriter::ScreenWriter(std::shared_ptr<Database> db, std::shared_ptr<UserRights> rights)
    : db_(std::move(db)), control_(*this, {}) {
    control_.screen().setMessageBoxes(this);
    control_.TheDatabase(db_);
    control_.DroitsUtilisateur(std::move(rights));
    control_.TheClient({"ondrel-admin", ""});
    control_.Init();
}

ScreenWriter::~ScreenWriter() = default;

// Every question of the screen on the way to saving a line is answered Yes (create the
// account, remove a period line, leave an addition), unless a person is there to ask.
bool ScreenWriter::question(const std::string& text) {
    ++questions_;
    return ask_ ? ask_(text) : true;
}

std::optional<std::string> ScreenWriter::rightsRefusal() {
    messages_.clear();
    if (!control_.refuseWithoutRights())
        return std::nullopt;
    return refused().refusal;
}

ScreenWriter::Opening ScreenWriter::openNewLine(const std::string& entity, const std::string& year,
                                                const std::string& typed,
                                                const std::function<bool(const std::string&)>& ask) {
    messages_.clear();
    Opening opening;
    LineToWrite line{entity, year, typed, {}, {}, Currency::zero(), {}};
    if (!chooseEntityAndYear(line)) {
        opening.refusal = refused().refusal;
        return opening;
    }
    Zone& account = zone("Txt_Cpte");
    if (typed.empty() || !allDigits(typed) || charCount(typed) > account.maxLength()) {
        opening.refusal = "Le compte « " + excerpt(typed) + " » n'est pas un numéro d'au plus " +
                          std::to_string(account.maxLength()) + " chiffres.";
        return opening;
    }
    const bool grouping = isGroupingAccount(completeWithZeros(typed));
    zone("Cac_Reg").setValue(grouping ? 1 : 0);
    leave(account);
    account.select(0, static_cast<int>(charCount(account.text())));
    ask_ = ask;
    questions_ = 0;
    account.paste(typed);
    control_.screen().pressKey(account, kEnter);
    ask_ = nullptr;
    if (control_.W_Creation && messages_.empty())
        opening.line = NewLine{account.text(), zone("Txt_LibCompte").text(), zone("Txt_Eclat").text(), grouping};
    else if (zone("Cmd_OkBudget").enabled() && messages_.empty())
        opening.refusal = "Le compte " + account.text() + " a déjà sa ligne dans ce budget.";
    else if (!messages_.empty() || questions_ == 0)
        opening.refusal = refused().refusal;   // a No to a question refuses nothing: the person chose
    cancelLine();
    return opening;
}

void ScreenWriter::cancelLine() {
    messages_.clear();
    for (const char* cancel : {"Cmd_AnnulerRepartition", "Cmd_AnnulerBudget"})
        if (zone(cancel).enabled()) {
            leave(zone(cancel));
            zone(cancel).click();
        }
    messages_.clear();
}

void ScreenWriter::leave(Zone& to) {
    control_.screen().reach(to);
}

bool ScreenWriter::enter(Zone& zone, const std::string& text, const std::string& what) {
    const std::size_t length = charCount(text);
    if (zone.maxLength() != 0 && length > zone.maxLength()) {
        refuse(what + " « " + excerpt(text) + " » a " + std::to_string(length) + " caractères ; l'écran en prend au plus " +
               std::to_string(zone.maxLength()) + ".");
        return false;
    }
    if (!control_.screen().reach(zone)) {
        refuse(what + " « " + excerpt(text) + " » ne peut pas être saisi : sa zone est verrouillée.");
        return false;
    }
    // Erased first, then typed: a key typed over the selected entity code is lost, as the
    // code's change empties the entity's name, which empties the code.
    if (!zone.text().empty()) {
        zone.select(0, static_cast<int>(charCount(zone.text())));
        zone.eraseBackward();
    }
    for (std::string rest = text; !rest.empty() && zone.canTakeFocus();) {
        const std::string one = leftChars(rest, 1);
        rest.erase(0, one.size());
        control_.screen().pressKey(zone, charCode(one));
    }
    if (zone.text().empty() && !text.empty() && messages_.empty())
        refuse(what + " « " + excerpt(text) + " » n'existe pas pour l'entité " + control_.screen().zone("Txt_CodAssoc").text() + ".");
    else if (zone.text() != text && messages_.empty())
        refuse(what + " « " + excerpt(text) + " » n'est pas accepté par l'écran, qui n'y prend que ce qu'on peut y taper.");
    return messages_.empty();
}

ScreenWriter::Result ScreenWriter::write(const LineToWrite& line, OnFile onFile) {
    messages_.clear();
    Result result;
    try {
        if (!chooseEntityAndYear(line) || !openLine(line, onFile, result.outcome))
            return refused();
        if (result.outcome == Outcome::Kept)
            return result;
        enterPeriods(line);
        if (messages_.empty() && enter(zone("Txt_Eclat"), line.key, "la clé de répartition"))
            leave(zone("Cmd_OkBudget"));
        if (!messages_.empty())
            return refused();
        if (result.outcome == Outcome::Replaced && !control_.lineChanged()) {
            // Nothing new to store, but the line still passes the checks of Ok: a total
            // that is not the sum of its months is refused whatever is on file.
            control_.VerifZone();
            if (!control_.W_ZonesOk || !messages_.empty())
                return refused();
            zone("Cmd_AnnulerBudget").click();
            result.outcome = Outcome::Unchanged;
            return result;
        }
        zone("Cmd_OkBudget").click();
    } catch (const std::exception& e) {
        messages_.push_back(e.what());
    }
    if (!control_.W_ZonesOk || !messages_.empty())
        return refused();
    return result;
}

// The entity code typed and Enter pressed, as a person enters it: "1" is padded to 001.
bool ScreenWriter::chooseEntityAndYear(const LineToWrite& line) {
    Zone& code = zone("Txt_CodAssoc");
    if (code.text() != line.entity) {
        if (!enter(code, line.entity, "l'entité"))
            return false;
        control_.screen().pressKey(code, kEnter);
        if (!messages_.empty())
            return false;
    }
    if (!zone("Cbo_Exercice").canTakeFocus()) {
        refuse("L'entité « " + excerpt(line.entity) + " » n'est pas un code d'entité de trois chiffres.");
        return false;
    }
    zone("Cbo_Exercice").pick(line.year == "N" ? 0 : 1);
    return messages_.empty() && zone("Txt_Cpte").canTakeFocus();
}

// The account typed whole: a stored line shows, or the creation is offered and taken.
// The label of a stored line is locked on the screen; the file's label replaces it
// all the same, within the same limits as a typed one.
bool ScreenWriter::openLine(const LineToWrite& line, OnFile onFile, Outcome& outcome) {
    zone("Cac_Reg").setValue(isGroupingAccount(line.account) ? 1 : 0);
    // Pasted rather than typed: each digit typed would list the lines that begin with it.
    Zone& account = zone("Txt_Cpte");
    const bool digits = !line.account.empty() && line.account.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || charCount(line.account) > account.maxLength()) {
        refuse("Le compte « " + excerpt(line.account) + " » n'est pas un numéro d'au plus " +
               std::to_string(account.maxLength()) + " chiffres.");
        return false;
    }
    leave(account);
    account.select(0, static_cast<int>(charCount(account.text())));
    account.paste(line.account);
    control_.screen().pressKey(account, kEnter);
    if (!zone("Cmd_OkBudget").enabled() || !messages_.empty())
        return false;
    if (!control_.W_Creation && onFile == OnFile::Keep) {
        outcome = Outcome::Kept;
        zone("Cmd_AnnulerBudget").click();
        return true;
    }
    outcome = control_.W_Creation ? Outcome::Created : Outcome::Replaced;
    Zone& label = zone("Txt_LibCompte");
    if (!line.label.empty() && line.label != label.text()) {
        if (label.canTakeFocus()) {
            if (!enter(label, line.label, "le libellé"))
                return false;
        } else if (charCount(line.label) > label.maxLength()) {
            return enter(label, line.label, "le libellé");
        } else if (holdsControlChar(line.label)) {
            refuse(controlCharRefusal());
            return false;
        } else {
            label.setText(line.label);
        }
    }
    if (!enter(zone("Txt_ValBud"), formatAmount(line.total), "le total"))
        return false;
    leave(zone("Txt_Eclat"));
    return messages_.empty();
}

// The periods as a person enters them: the automatic spread, or the lines on screen
// removed and each period added with its amount.
void ScreenWriter::enterPeriods(const LineToWrite& line) {
    if (line.periods.empty()) {
        leave(zone("Opt_Automatique"));
        zone("Opt_Automatique").click();
        return;
    }
    Zone& lines = zone("Lst_RepartPer");
    while (lines.listCount() > 0 && messages_.empty()) {
        leave(lines);
        lines.setListIndex(0);
        lines.events().dblClick();
        zone("Cmd_SupprimerRepartition").click();
    }
    Zone& periods = zone("Cbo_Periode");
    for (const auto& [index, amount] : line.periods) {
        if (!messages_.empty())
            return;
        if (index < 0 || index >= periods.listCount()) {
            messages_.push_back("La période n° " + std::to_string(index + 1) + " ne fait pas partie de l'exercice.");
            return;
        }
        leave(zone("Cmd_AjouterRepartition"));
        zone("Cmd_AjouterRepartition").click();
        periods.pick(index);
        if (!enter(zone("Txt_Affect"), formatAmount(amount), "le montant de " + periods.list(index)))
            return;
        leave(zone("Cmd_OkRepartition"));
        zone("Cmd_OkRepartition").click();
    }
}

// The screen's first message says why, and the screen is put back to an empty account.
ScreenWriter::Result ScreenWriter::refused() {
    Result result;
    // The screen says nothing of an account it cannot take: it offers the chart instead.
    result.refusal = messages_.empty()
                         ? std::string("Ce compte n'est ni au plan comptable de l'entité ni un compte de regroupement.")
                         : messages_.front();
    for (const char* cancel : {"Cmd_AnnulerRepartition", "Cmd_AnnulerBudget"})
        if (zone(cancel).enabled()) {
            leave(zone(cancel));
            zone(cancel).click();
        }
    messages_.clear();
    return result;
}

}  // namespace ondrel
