// control: the control Crt_Ondrel (its interface, start-up, rights, help and exit);
// its handlers live in the rooms of its subsystems, entity, account, breakdown,
// periods and budget, as methods of this class. Stands on screen, platform and store.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "budget/currency.h"
#include "control/pass_over.h"
#include "control/shared_state.h"
#include "data/request.h"
#include "data/result_table.h"
#include "platform/client_context.h"
#include "platform/help.h"
#include "platform/host_window.h"
#include "platform/rights.h"
#include "screen/screen.h"

namespace ondrel {

// The budget-entry control. A host places it, assigns its three service objects,
// calls Init, and the control then runs on the events of its screen.
class Crt_Ondrel {
public:
    Crt_Ondrel(HostWindow& host, HelpFactory makeHelp);
    ~Crt_Ondrel();   // UserControl_Terminate
    Crt_Ondrel(const Crt_Ondrel&) = delete;
    Crt_Ondrel& operator=(const Crt_Ondrel&) = delete;

    Screen& screen() { return screen_; }

    // _Crt_Ondrel, in slot order.
    bool W_Sortir = false;
    void DroitsUtilisateur(std::shared_ptr<UserRights> rights);
    void TheClient(const ClientContext& client);
    void TheDatabase(std::shared_ptr<Database> database);
    void Init();
    void Txt_Cpte_Change();
    void RequeteAssoc();
    void RemplirAssoc();
    void Griser();
    void GriserRepart();
    void RemplirEclat();
    void RequeteEclat();
    void RempListEclat();
    void RemplirCboPeriode();
    void VerifZone();
    void VerifRepart();
    void EcrireDonnees();
    void AffichePlanComptable();
    void AfficheBudget();

    // The bare surface of the control, pressed with any mouse button.
    void UserControl_MouseDown();

    // Whether the line on screen holds work that Annuler would throw away: a new line
    // with an amount or a period line, or a stored line whose label, distribution or key
    // differ from what Ok would find on file (budget/line_changes.cpp).
    bool lineChanged();
    // Shows the refusal and says true when the user's rights do not let the line be
    // saved or deleted: whoever drives the screen asks before writing anything beside it.
    bool refuseWithoutRights();

    // Members that other steps read back.
    bool W_Creation = false;
    bool W_AjoutPeriode = false;
    bool W_ZonesOk = false;
    bool W_Trouve = false;
    bool W_Regroupement = false;
    std::string W_CodeExercice;
    Currency W_TotalReparti;
    Currency W_SommeRepart;

private:
    void bindEvents();
    void AppliquerDroits();
    bool fullRights();
    bool refuseWhenLocked();
    // A stored text (a code, a label) that holds a control character is refused on
    // leaving its zone: the message is shown and the zone emptied.
    bool refuseControlChars(Zone& zone);
    void openFiles();
    File& file(SuiteFile f);
    SharedState& shared() { return *shared_; }
    // A fresh W_Requete with its three values, run on the database.
    ResultTable select(const std::string& sentence, const std::string& fileName, const std::string& fields);
    std::string sentenceWithPrefix(const std::string& head, const std::string& prefix, const std::string& tail);

    // Entity (entity_selection.cpp) and fiscal year (fiscal_year.cpp).
    void Txt_CodAssoc_Change();
    void Txt_CodAssoc_KeyPress(int& keyAscii);
    void Txt_CodAssoc_LostFocus();
    int codeChanges_ = 0;   // Txt_CodAssoc_Change runs, nested ones included
    void Cbo_Assoc_Change();
    void Cbo_Assoc_Click();
    void Cbo_Assoc_KeyPress(int& keyAscii);
    void Cbo_Exercice_Click();
    void Cbo_Exercice_KeyPress(int& keyAscii);
    void fiscalYearBody();
    bool showFiscalYear();
    bool W_ExerciceInvalide = false;   // the chosen year's dates do not read or its months cannot be walked

    // Account (account_entry.cpp, creation_rules.cpp, account_picker.cpp).
    void Txt_Cpte_KeyPress(int& keyAscii);
    void Txt_Cpte_LostFocus();
    void Txt_LibCompte_LostFocus();
    void Cbo_Cpte_Click();
    void Cbo_Cpte_KeyPress(int& keyAscii);
    void completeAccount();
    void listBudgetLines();
    void lookUpCompleteNumber(PassOver& step);
    void refuseAccount(PassOver& step);
    void closingStep(PassOver& step);
    void creationRules(PassOver& step, bool inChart);
    int blockingLevel(PassOver& step);
    void refuseNesting(PassOver& step, int level);
    void emptyRefusedAccount(PassOver& step);
    void offerChartAccount(PassOver& step);
    void offerDetailedAccount(PassOver& step);
    void offerGroupingAccount(PassOver& step);
    void offerChartInstead(PassOver& step);
    void unreadableAccount(PassOver& step);
    void acceptCreation();
    void newLineSetUp();

    // Breakdown keys (key_selection.cpp).
    void Cbo_Eclat_Click();
    void Cbo_Eclat_KeyPress(int& keyAscii);
    void Txt_Eclat_Change();
    void Txt_Eclat_KeyPress(int& keyAscii);
    void Txt_Eclat_LostFocus();
    void selectKeyItem();

    // Distribution (automatic_spread.cpp, manual_edit.cpp, confirmation.cpp).
    void Opt_Automatique_Click();
    void Cmd_AjouterRepartition_Click();
    void Lst_RepartPer_DblClick();
    void Cmd_SupprimerRepartition_Click();
    void Txt_Affect_KeyPress(int& keyAscii);
    void Txt_Affect_LostFocus();
    void Cmd_OkRepartition_Click();
    void Cmd_AnnulerRepartition_Click();
    enum class LineEdit { Addition, Change, Leave };
    void setLineEditZones(LineEdit state);

    // Amounts and budget commands (amount_entry.cpp, commands.cpp).
    void Txt_ValBud_KeyPress(int& keyAscii);
    void Txt_ValBud_LostFocus();
    void amountKeyFilter(Zone& zone, int& keyAscii);
    bool formatOnLeaving(Zone& zone);
    void lockDistribution();
    void openDistribution();
    void Cmd_OkBudget_Click();
    void Cmd_AnnulerBudget_Click();
    void Cmd_SupprimerBudget_Click();
    void Cmd_Sortir_Click();
    void Mnu_Sommaire_Click();
    void unlockEntityAndYear();
    // The zones that identify the line's entity and year, frozen while a line is open.
    std::array<Zone*, 6> entityAndYearZones();
    // The zones in which the account of a line is typed or picked.
    std::array<Zone*, 4> accountZones();
    void accountReset();
    void offerExitOnly();
    void reshowStoredLine(const DataError& e);
    bool showStoredKey(const std::string& keyCode);
    std::string unreadableLine() const;
    // What of the stored line on screen could not be shown; a line that holds such
    // values is not saved over.
    std::string W_ValeursIllisibles;
    std::string lineKey();

    Screen screen_;
    HostWindow& host_;
    HelpFactory makeHelp_;
    std::shared_ptr<SharedState> shared_;

    std::shared_ptr<UserRights> W_Droits;
    std::shared_ptr<ScreenRights> W_DroitsEcran;
    std::optional<ResultTable> W_SelAssoc;
    std::optional<ResultTable> W_SelEclat;
    std::optional<ResultTable> W_Selection;
    std::optional<Request> W_Requete;

    Zone& Etq_Assoc;
    Zone& Txt_CodAssoc;
    Zone& Cbo_Assoc;
    Zone& Cdr_Exercice;
    Zone& Cbo_Exercice;
    Zone& Etq_DebutExercice;
    Zone& Txt_DateDebutExercice;
    Zone& Etq_FinExercice;
    Zone& Txt_DateFinExercice;
    Zone& Cac_Reg;
    Zone& Etq_CompteBudget;
    Zone& Txt_Cpte;
    Zone& Cbo_Cpte;
    Zone& Txt_LibCompte;
    Zone& Etq_ValeurBudget;
    Zone& Txt_ValBud;
    Zone& Cdr_Repartition;
    Zone& Cdr_AutoManuel;
    Zone& Opt_Automatique;
    Zone& Opt_Manuelle;
    Zone& Etq_Periode;
    Zone& Etq_Affectation;
    Zone& Lst_RepartPer;
    Zone& Cbo_Periode;
    Zone& Txt_Affect;
    Zone& Cmd_AjouterRepartition;
    Zone& Cmd_SupprimerRepartition;
    Zone& Cmd_OkRepartition;
    Zone& Cmd_AnnulerRepartition;
    Zone& Cdr_Eclatement;
    Zone& Txt_Eclat;
    Zone& Cbo_Eclat;
    Zone& Etq_Repartition;
    Zone& Etq_LibelleSectAnal;
    Zone& Etq_N;
    Zone& Etq_N1;
    Zone& Lst_Sect;
    Zone& Cmd_SupprimerBudget;
    Zone& Cmd_OkBudget;
    Zone& Cmd_AnnulerBudget;
    Zone& Cmd_Sortir;
    Zone& Mnu_Aide;
    Zone& Mnu_Sommaire;
};

}  // namespace ondrel
