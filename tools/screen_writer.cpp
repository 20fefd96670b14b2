#include "tools/screen_writer.h"

#include "account/account_number.h"

namespace ondrel {

ScreenWriter::ScreenWriter(std::shared_ptr<Database> db) : control_(*this, {}) {
    control_.screen().setMessageBoxes(this);
    control_.TheDatabase(std::move(db));
    control_.DroitsUtilisateur(fixedRights(2));
    control_.TheClient({"ondrel-admin", ""});
    control_.Init();
}

ScreenWriter::~ScreenWriter() = default;

// Every question of the screen on the way to saving a line is answered Yes: create the
// account, remove a period line, leave an addition.
bool ScreenWriter::question(const std::string&) {
    return true;
}

void ScreenWriter::leave(Zone& to) {
    control_.screen().reach(to);
}

ScreenWriter::Result ScreenWriter::write(const LineToWrite& line, bool replace) {
    messages_.clear();
    Result result;
    try {
        if (!chooseEntityAndYear(line) || !openLine(line, replace, result.outcome))
            return refused();
        if (result.outcome == Outcome::Kept)
            return result;
        enterPeriods(line);
        leave(zone("Txt_Eclat"));
        zone("Txt_Eclat").setText(line.key);
        leave(zone("Cmd_OkBudget"));
        zone("Cmd_OkBudget").click();
    } catch (const std::exception& e) {
        messages_.push_back(e.what());
    }
    if (!control_.W_ZonesOk || !messages_.empty())
        return refused();
    return result;
}

bool ScreenWriter::chooseEntityAndYear(const LineToWrite& line) {
    Zone& code = zone("Txt_CodAssoc");
    if (code.text() != line.entity) {
        leave(code);
        code.setText(line.entity);
    }
    if (!zone("Cbo_Exercice").canTakeFocus())
        return false;
    zone("Cbo_Exercice").pick(line.year == "N" ? 0 : 1);
    return messages_.empty() && zone("Txt_Cpte").canTakeFocus();
}

// The account typed whole: a stored line shows, or the creation is offered and taken.
bool ScreenWriter::openLine(const LineToWrite& line, bool replace, Outcome& outcome) {
    zone("Cac_Reg").setValue(isGroupingAccount(line.account) ? 1 : 0);
    leave(zone("Txt_Cpte"));
    zone("Txt_Cpte").setText(line.account);
    if (!zone("Cmd_OkBudget").enabled() || !messages_.empty())
        return false;
    if (!control_.W_Creation && !replace) {
        outcome = Outcome::Kept;
        zone("Cmd_AnnulerBudget").click();
        return true;
    }
    outcome = control_.W_Creation ? Outcome::Created : Outcome::Replaced;
    Zone& label = zone("Txt_LibCompte");
    if (label.canTakeFocus() && !line.label.empty()) {
        leave(label);
        label.setText(line.label);
    }
    leave(zone("Txt_ValBud"));
    zone("Txt_ValBud").setText(formatAmount(line.total));
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
        leave(zone("Txt_Affect"));
        zone("Txt_Affect").setText(formatAmount(amount));
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
