#include "control/crt_ondrel.h"

#include "data/data_error.h"
#include "data/select_sentence.h"

namespace ondrel {

namespace {

// What a host that forgot a service object meets.
std::string noRights() {
    return "L'écran n'a pas reçu les droits de l'utilisateur : il ne peut pas démarrer.";
}

std::string noDatabase() {
    return "L'écran n'a pas reçu de base de données : il ne peut pas démarrer.";
}

}  // namespace

Crt_Ondrel::Crt_Ondrel(HostWindow& host, HelpFactory makeHelp)
    : host_(host), makeHelp_(std::move(makeHelp)), shared_(SharedState::ofThisThread()),
      Etq_Assoc(screen_.zone("Etq_Assoc")), Txt_CodAssoc(screen_.zone("Txt_CodAssoc")),
      Cbo_Assoc(screen_.zone("Cbo_Assoc")), Cdr_Exercice(screen_.zone("Cdr_Exercice")),
      Cbo_Exercice(screen_.zone("Cbo_Exercice")), Etq_DebutExercice(screen_.zone("Etq_DebutExercice")),
      Txt_DateDebutExercice(screen_.zone("Txt_DateDebutExercice")), Etq_FinExercice(screen_.zone("Etq_FinExercice")),
      Txt_DateFinExercice(screen_.zone("Txt_DateFinExercice")), Cac_Reg(screen_.zone("Cac_Reg")),
      Etq_CompteBudget(screen_.zone("Etq_CompteBudget")), Txt_Cpte(screen_.zone("Txt_Cpte")),
      Cbo_Cpte(screen_.zone("Cbo_Cpte")), Txt_LibCompte(screen_.zone("Txt_LibCompte")),
      Etq_ValeurBudget(screen_.zone("Etq_ValeurBudget")), Txt_ValBud(screen_.zone("Txt_ValBud")),
      Cdr_Repartition(screen_.zone("Cdr_Repartition")), Cdr_AutoManuel(screen_.zone("Cdr_AutoManuel")),
      Opt_Automatique(screen_.zone("Opt_Automatique")), Opt_Manuelle(screen_.zone("Opt_Manuelle")),
      Etq_Periode(screen_.zone("Etq_Periode")), Etq_Affectation(screen_.zone("Etq_Affectation")),
      Lst_RepartPer(screen_.zone("Lst_RepartPer")), Cbo_Periode(screen_.zone("Cbo_Periode")),
      Txt_Affect(screen_.zone("Txt_Affect")), Cmd_AjouterRepartition(screen_.zone("Cmd_AjouterRepartition")),
      Cmd_SupprimerRepartition(screen_.zone("Cmd_SupprimerRepartition")),
      Cmd_OkRepartition(screen_.zone("Cmd_OkRepartition")), Cmd_AnnulerRepartition(screen_.zone("Cmd_AnnulerRepartition")),
      Cdr_Eclatement(screen_.zone("Cdr_Eclatement")), Txt_Eclat(screen_.zone("Txt_Eclat")),
      Cbo_Eclat(screen_.zone("Cbo_Eclat")), Etq_Repartition(screen_.zone("Etq_Repartition")),
      Etq_LibelleSectAnal(screen_.zone("Etq_LibelleSectAnal")), Etq_N(screen_.zone("Etq_N")),
      Etq_N1(screen_.zone("Etq_N1")), Lst_Sect(screen_.zone("Lst_Sect")),
      Cmd_SupprimerBudget(screen_.zone("Cmd_SupprimerBudget")), Cmd_OkBudget(screen_.zone("Cmd_OkBudget")),
      Cmd_AnnulerBudget(screen_.zone("Cmd_AnnulerBudget")), Cmd_Sortir(screen_.zone("Cmd_Sortir")),
      Mnu_Aide(screen_.zone("Mnu_Aide")), Mnu_Sommaire(screen_.zone("Mnu_Sommaire")) {
    bindEvents();
}

void Crt_Ondrel::bindEvents() {
    auto on = [this](void (Crt_Ondrel::*handler)()) { return [this, handler] { (this->*handler)(); }; };
    auto onKey = [this](void (Crt_Ondrel::*handler)(int&)) {
        return [this, handler](int& keyAscii) { (this->*handler)(keyAscii); };
    };
    Txt_CodAssoc.events() = {.change = on(&Crt_Ondrel::Txt_CodAssoc_Change),
                             .lostFocus = on(&Crt_Ondrel::Txt_CodAssoc_LostFocus),
                             .keyPress = onKey(&Crt_Ondrel::Txt_CodAssoc_KeyPress)};
    Cbo_Assoc.events() = {.change = on(&Crt_Ondrel::Cbo_Assoc_Change),
                          .click = on(&Crt_Ondrel::Cbo_Assoc_Click),
                          .keyPress = onKey(&Crt_Ondrel::Cbo_Assoc_KeyPress)};
    // A drop-down list never changes its text but by a selection: Click and KeyPress run the year.
    Cbo_Exercice.events() = {.click = on(&Crt_Ondrel::Cbo_Exercice_Click),
                             .keyPress = onKey(&Crt_Ondrel::Cbo_Exercice_KeyPress)};
    Txt_Cpte.events() = {.change = on(&Crt_Ondrel::Txt_Cpte_Change),
                         .lostFocus = on(&Crt_Ondrel::Txt_Cpte_LostFocus),
                         .keyPress = onKey(&Crt_Ondrel::Txt_Cpte_KeyPress)};
    Txt_LibCompte.events() = {.lostFocus = on(&Crt_Ondrel::Txt_LibCompte_LostFocus)};
    Cbo_Cpte.events() = {.click = on(&Crt_Ondrel::Cbo_Cpte_Click), .keyPress = onKey(&Crt_Ondrel::Cbo_Cpte_KeyPress)};
    Txt_ValBud.events() = {.lostFocus = on(&Crt_Ondrel::Txt_ValBud_LostFocus),
                           .keyPress = onKey(&Crt_Ondrel::Txt_ValBud_KeyPress)};
    Opt_Automatique.events() = {.click = on(&Crt_Ondrel::Opt_Automatique_Click)};
    Txt_Affect.events() = {.lostFocus = on(&Crt_Ondrel::Txt_Affect_LostFocus),
                           .keyPress = onKey(&Crt_Ondrel::Txt_Affect_KeyPress)};
    Lst_RepartPer.events() = {.dblClick = on(&Crt_Ondrel::Lst_RepartPer_DblClick)};
    Txt_Eclat.events() = {.change = on(&Crt_Ondrel::Txt_Eclat_Change),
                          .lostFocus = on(&Crt_Ondrel::Txt_Eclat_LostFocus),
                          .keyPress = onKey(&Crt_Ondrel::Txt_Eclat_KeyPress)};
    Cbo_Eclat.events() = {.click = on(&Crt_Ondrel::Cbo_Eclat_Click), .keyPress = onKey(&Crt_Ondrel::Cbo_Eclat_KeyPress)};
    Cmd_AjouterRepartition.events() = {.click = on(&Crt_Ondrel::Cmd_AjouterRepartition_Click)};
    Cmd_SupprimerRepartition.events() = {.click = on(&Crt_Ondrel::Cmd_SupprimerRepartition_Click)};
    Cmd_OkRepartition.events() = {.click = on(&Crt_Ondrel::Cmd_OkRepartition_Click)};
    Cmd_AnnulerRepartition.events() = {.click = on(&Crt_Ondrel::Cmd_AnnulerRepartition_Click)};
    Cmd_OkBudget.events() = {.click = on(&Crt_Ondrel::Cmd_OkBudget_Click)};
    Cmd_AnnulerBudget.events() = {.click = on(&Crt_Ondrel::Cmd_AnnulerBudget_Click)};
    Cmd_SupprimerBudget.events() = {.click = on(&Crt_Ondrel::Cmd_SupprimerBudget_Click)};
    Cmd_Sortir.events() = {.click = on(&Crt_Ondrel::Cmd_Sortir_Click)};
    Mnu_Sommaire.events() = {.click = on(&Crt_Ondrel::Mnu_Sommaire_Click)};
}

void Crt_Ondrel::TheClient(const ClientContext& client) {
    shared().client = client;
}

void Crt_Ondrel::TheDatabase(std::shared_ptr<Database> database) {
    shared().database = std::move(database);
}

void Crt_Ondrel::DroitsUtilisateur(std::shared_ptr<UserRights> rights) {
    W_Droits = std::move(rights);
    if (!W_Droits)
        throw DataError(kInvalidCall, noRights());
    W_DroitsEcran = W_Droits->RightsForKey(kScreenKey);
}

void Crt_Ondrel::Init() {
    openFiles();
    W_Sortir = false;
    W_Creation = false;
    W_AjoutPeriode = false;
    AppliquerDroits();
    RequeteAssoc();
    RemplirAssoc();
    if (!Txt_CodAssoc.text().empty())
        Txt_Cpte.setFocus();
}

void Crt_Ondrel::openFiles() {
    if (!shared().database)
        throw DataError(kInvalidCall, noDatabase());
    for (std::size_t i = 0; i < shared().files.size(); ++i)
        shared().files[i] = shared().database->OpenFile(kSuiteFiles[i]);
    shared().sectionTable = file(SuiteFile::Tables).ReadRecord("SECTANAL");
}

File& Crt_Ondrel::file(SuiteFile f) {
    auto& handle = shared().files[static_cast<std::size_t>(f)];
    if (!handle)
        throw DataError(kInvalidCall, std::string("Le fichier ") + kSuiteFiles[static_cast<std::size_t>(f)] +
                                          " n'est pas ouvert : l'écran n'a pas pu démarrer sur cette base.");
    return *handle;
}

bool Crt_Ondrel::fullRights() {
    if (!W_DroitsEcran)
        throw DataError(kInvalidCall, noRights());
    return W_DroitsEcran->AccessLevel() == kFullRights;
}

// Hiding the buttons is what the person sees; the commands also refuse by themselves,
// whatever path reaches them.
bool Crt_Ondrel::refuseWithoutRights() {
    if (fullRights())
        return false;
    screen_.showError("Vos droits sur cet écran ne permettent pas d'enregistrer ni de supprimer un budget.");
    return true;
}

void Crt_Ondrel::AppliquerDroits() {
    if (fullRights())
        return;
    Cmd_SupprimerBudget.setVisible(false);
    Cmd_OkBudget.setVisible(false);
}

ResultTable Crt_Ondrel::select(const std::string& sentence, const std::string& fileName, const std::string& fields) {
    W_Requete.emplace();
    W_Requete->set(1, sentence);
    W_Requete->set(2, fileName);
    W_Requete->set(3, fields);
    if (!shared().database)
        throw DataError(kInvalidCall, noDatabase());
    int status = 0;
    return shared().database->RunSelect(W_Requete->text(), "", &status);
}

std::string Crt_Ondrel::sentenceWithPrefix(const std::string& head, const std::string& prefix, const std::string& tail) {
    auto quoted = quoteValue(prefix + "]");
    if (!quoted)
        throw DataError(kBadSelect, "Ce texte contient les trois sortes de guillemets (\", ' et \\) : il ne peut pas être cherché.");
    return head + *quoted + tail;
}

void Crt_Ondrel::Cmd_Sortir_Click() {
    W_Sortir = true;
    host_.unload();
}

void Crt_Ondrel::UserControl_MouseDown() {
    screen_.popupMenu(Mnu_Aide);
}

void Crt_Ondrel::Mnu_Sommaire_Click() {
    if (!shared().help && makeHelp_)
        shared().help = makeHelp_();
    if (!shared().help)
        throw DataError(kInvalidCall, "L'aide n'est pas disponible sur ce poste.");
    shared().help->SetClient(shared().client);
    shared().help->SetDatabase(shared().database);
    shared().help->ShowHelp("Ctr_Ondrel.htm", "P", "Gestion budgétaire - Saisie budget");
}

Crt_Ondrel::~Crt_Ondrel() {
    W_DroitsEcran.reset();
    W_Droits.reset();
    W_SelEclat.reset();
    // The shared records, files and database go with the last instance of the thread.
    shared_.reset();
}

}  // namespace ondrel
