#include "account/account_number.h"
#include "budget/budget_key.h"
#include "control/crt_ondrel.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {
constexpr int kLineAbove = 1;
constexpr int kLineBelow = 2;
constexpr int kUnreadable = 3;
constexpr const char* kCreateQuestion = "Voulez-vous créer ce compte budgétaire ?";
}  // namespace

// The rules for a complete number that has no budget line yet, in their order: no
// nesting, then a chart account, a detailed account, or a grouping account.
void Crt_Ondrel::creationRules(PassOver& step, bool inChart) {
    bool locked = false;
    if (step.read([&] { locked = refuseWhenLocked(); }) == Found::Unknown)
        return unreadableAccount(step);
    if (locked)
        return emptyRefusedAccount(step);
    const int level = blockingLevel(step);
    if (level == kUnreadable)
        return unreadableAccount(step);
    if (W_Trouve)
        return refuseNesting(step, level);
    if (inChart)
        return offerChartAccount(step);
    if (!isGroupingAccount(Txt_Cpte.text()))
        return offerDetailedAccount(step);
    offerGroupingAccount(step);
}

// Budget lines never nest within one entity and one fiscal year: a line on a grouping
// account above the number (its first 9 digits down to its first one), or on any
// account below it, blocks the creation. A read that fails tells nothing, and blocks
// it too.
int Crt_Ondrel::blockingLevel(PassOver& step) {
    const std::string number = Txt_Cpte.text();
    W_Trouve = false;
    W_Regroupement = false;
    for (const std::string& above : accountsAbove(number)) {
        const Found line =
            step.readRecord(file(SuiteFile::Budget), budgetKey(W_CodeExercice, Txt_CodAssoc.text(), above), [](Record) {});
        if (line == Found::Unknown)
            return kUnreadable;
        W_Trouve = line == Found::Yes;
        if (W_Trouve)
            break;
    }
    if (W_Trouve)
        return kLineAbove;
    int level = 0;
    const Found below = step.read([&] {
        W_Selection = select(sentenceWithPrefix("SSELECT BUDGET AVEC 0 = ",
                                                W_CodeExercice + Txt_CodAssoc.text() + significantPrefix(number),
                                                " 0 1 PAR 1"),
                             "BUDGET", "0 1");
        if (!W_Selection->cell(1, 1).empty()) {
            W_Trouve = true;
            level = kLineBelow;
        }
    });
    return below == Found::Unknown ? kUnreadable : level;
}

void Crt_Ondrel::refuseNesting(PassOver& step, int level) {
    if (level == kLineAbove)
        step([&] { screen_.showError("Un compte de regroupement a déjà été validé - création impossible."); });
    else
        step([&] { screen_.showError("Un compte budgétaire de classe inférieure a déjà été validé - création impossible."); });
    emptyRefusedAccount(step);
}

// The account zone emptied for another number, as after any refused creation; the
// message was shown.
void Crt_Ondrel::emptyRefusedAccount(PassOver& step) {
    step([&] { Txt_Cpte.setText(""); });
    step([&] { Cbo_Cpte.setText(""); });
    step([&] { Cbo_Cpte.clear(); });
    step([&] { GriserRepart(); });
    step([&] { Txt_Cpte.setFocus(); });
}

// The number is an account of the entity's chart: its label is offered with the question.
void Crt_Ondrel::offerChartAccount(PassOver& step) {
    step([&] { Cbo_Cpte.setText(leftChars(shared().chartRecord->value(1, 1), kLabelLength)); });
    if (step.yes([&] { return screen_.ask(kCreateQuestion); })) {
        acceptCreation();
        W_Trouve = false;
        W_Regroupement = false;
        return;
    }
    step([&] { AffichePlanComptable(); });
    step([&] { Txt_Cpte.setText(""); });
}

void Crt_Ondrel::offerDetailedAccount(PassOver& step) {
    W_Trouve = false;
    const Found account = step.readRecord(file(SuiteFile::PlanComptable), chartKey(Txt_CodAssoc.text(), Txt_Cpte.text()),
                                          [&](Record r) { shared().chartRecord = std::move(r); });
    if (account == Found::Unknown)
        return unreadableAccount(step);
    if (account == Found::No)
        return offerChartInstead(step);
    if (step.yes([&] { return screen_.ask(kCreateQuestion); })) {
        acceptCreation();
        W_Trouve = false;
        W_Regroupement = false;
        return;
    }
    W_Creation = false;
    W_Trouve = false;
    W_Regroupement = false;
    step([&] { Txt_LibCompte.setText(""); });
    step([&] { Txt_LibCompte.setEnabled(false); });
    step([&] { Txt_LibCompte.setVisible(false); });
    step([&] { Cbo_Cpte.setVisible(true); });
    step([&] { Cbo_Cpte.setEnabled(true); });
    step([&] { Cbo_Cpte.clear(); });
    step([&] { Txt_Cpte.setText(""); });
    step([&] { GriserRepart(); });
    step([&] { Txt_Cpte.setFocus(); });
}

// A class, sub-class or sub-sub-class: its label shows in place of the chart list, and
// the line is created only when "Regroupement budgétaire" is ticked.
void Crt_Ondrel::offerGroupingAccount(PassOver& step) {
    const std::string prefix = significantPrefix(Txt_Cpte.text());
    W_Trouve = false;
    const Found grouping =
        step.readRecord(file(classFileFor(prefix)), prefix, [&](Record r) { shared().classRecord = std::move(r); });
    if (grouping == Found::Unknown)
        return unreadableAccount(step);
    if (grouping == Found::No)
        return offerChartInstead(step);
    step([&] { Cbo_Cpte.clear(); });
    step([&] { Cbo_Cpte.setVisible(false); });
    step([&] { Cbo_Cpte.setEnabled(false); });
    step([&] { Txt_LibCompte.setVisible(true); });
    step([&] { Txt_LibCompte.setEnabled(true); });
    step([&] { Txt_LibCompte.setText(leftChars(shared().classRecord->value(1, 1), kLabelLength)); });
    W_Trouve = true;
    W_Regroupement = true;
    step([&] { Txt_Cpte.setText(completeWithZeros(prefix)); });
    if (Cac_Reg.value() != 0 &&
        step.yes([&] { return screen_.ask("Voulez-vous créer ce compte de regroupement budgétaire ?"); })) {
        acceptCreation();
        W_Trouve = false;
        return;
    }
    step([&] { AffichePlanComptable(); });
    step([&] { Txt_Cpte.setText(""); });
}

// No such account or class: the chart accounts of its prefix, for a new choice.
void Crt_Ondrel::offerChartInstead(PassOver& step) {
    step([&] { AffichePlanComptable(); });
    step([&] { Txt_Cpte.setEnabled(true); });
    step([&] { Cac_Reg.setEnabled(true); });
    step([&] { Txt_Cpte.setText(""); });
}

void Crt_Ondrel::acceptCreation() {
    PassOver step;
    W_Creation = true;
    step([&] { Txt_Cpte.setEnabled(false); });
    step([&] { Cac_Reg.setEnabled(false); });
    step([&] { Etq_ValeurBudget.setEnabled(true); });
    step([&] { Txt_ValBud.setEnabled(true); });
    step([&] { Txt_ValBud.setFocus(); });
}

// Opens the new line: the entity, year and account are frozen, the amount, the label
// and the key become enterable, and the record to write is obtained.
void Crt_Ondrel::newLineSetUp() {
    PassOver step;
    for (Zone* z : entityAndYearZones())
        step([&] { z->setEnabled(false); });
    if (W_Regroupement) {
        step([&] { Txt_LibCompte.setEnabled(false); });
        W_Regroupement = false;
    } else {
        step([&] { Txt_LibCompte.setEnabled(true); });
    }
    if (!Cbo_Cpte.text().empty())
        step([&] { Txt_LibCompte.setText(leftChars(Cbo_Cpte.text(), kLabelLength)); });
    step([&] { Cbo_Cpte.clear(); });
    step([&] { Cbo_Cpte.setVisible(false); });
    step([&] { Txt_LibCompte.setVisible(true); });
    step([&] { Txt_Cpte.setEnabled(false); });
    step([&] { Cac_Reg.setEnabled(false); });
    W_TotalReparti = Currency::zero();
    step([&] { Cdr_Eclatement.setEnabled(true); });
    step([&] { Txt_Eclat.setEnabled(true); });
    step([&] { Cbo_Eclat.setEnabled(true); });
    step([&] { RemplirEclat(); });
    const Found record = step.read([&] {
        shared().budgetRecord =
            file(SuiteFile::Budget).OpenRecordForWrite(budgetKey(W_CodeExercice, Txt_CodAssoc.text(), Txt_Cpte.text()));
    });
    if (record == Found::Unknown) {
        // No record to write into: the new line cannot be opened.
        const std::string why = step.failure();
        step([&] { screen_.showError(why); });
        step([&] { Cmd_AnnulerBudget_Click(); });
        return;
    }
    step([&] { Cmd_SupprimerBudget.setEnabled(false); });
    step([&] { Cmd_Sortir.setEnabled(false); });
    step([&] { Cmd_AnnulerBudget.setEnabled(true); });
    step([&] { Cmd_OkBudget.setEnabled(true); });
    step([&] { Txt_ValBud.setFocus(); });
}

}  // namespace ondrel
