#include "screen/screen.h"

#include <algorithm>

#include "data/text_fold.h"
#include "data/data_error.h"
#include "screen/key_codes.h"
#include "screen/utf8_text.h"

namespace ondrel {

Zone& Screen::add(std::string name, ZoneKind kind, const char* container, std::string caption, Rect position, int tab,
                  bool enabled, std::size_t maxLength) {
    Zone* parent = container ? &zone(container) : nullptr;
    zones_.push_back(std::make_unique<Zone>(*this, std::move(name), kind, parent, std::move(caption), position, tab,
                                            enabled, maxLength));
    return *zones_.back();
}

// The zones as they stand when the control is created.
Screen::Screen() {
    using K = ZoneKind;
    add("Etq_Assoc", K::Label, nullptr, "Entité juridique", {0, 60, 1035, 195}, 0, true);
    add("Txt_CodAssoc", K::TextBox, nullptr, "", {1080, 0, 495, 315}, 1, true, 3);
    add("Cbo_Assoc", K::EditableCombo, nullptr, "", {1680, 0, 6015, 315}, 2, true);
    add("Cdr_Exercice", K::Frame, nullptr, "Exercice", {0, 360, 7815, 670}, 23, false);
    Zone& year = add("Cbo_Exercice", K::DropDownList, "Cdr_Exercice", "", {720, 240, 1215, 315}, 3, false);
    year.addItem("N");
    year.addItem("N+1");
    add("Etq_DebutExercice", K::Label, "Cdr_Exercice", "du", {3360, 300, 180, 195}, 24, false);
    add("Txt_DateDebutExercice", K::TextBox, "Cdr_Exercice", "", {3720, 240, 975, 315}, 4, false).setDisplayOnly();
    add("Etq_FinExercice", K::Label, "Cdr_Exercice", "au", {5520, 300, 180, 195}, 25, false);
    add("Txt_DateFinExercice", K::TextBox, "Cdr_Exercice", "", {5880, 240, 975, 315}, 5, false).setDisplayOnly();
    add("Cac_Reg", K::CheckBox, nullptr, "Regroupement budgétaire", {0, 1080, 2895, 255}, 38, false);
    add("Etq_CompteBudget", K::Label, nullptr, "Compte budgétaire", {0, 1440, 1335, 195}, 26, false);
    add("Txt_Cpte", K::TextBox, nullptr, "", {1560, 1440, 1335, 315}, 6, false, 10);
    add("Cbo_Cpte", K::EditableCombo, nullptr, "", {3000, 1440, 4815, 315}, 7, false);
    add("Txt_LibCompte", K::TextBox, nullptr, "", {3000, 1440, 4815, 315}, 8, false, 40);
    add("Etq_ValeurBudget", K::Label, nullptr, "Valeur à budgétiser", {0, 1860, 1365, 195}, 27, false);
    add("Txt_ValBud", K::TextBox, nullptr, "", {1560, 1800, 1335, 315}, 9, false, 12);
    add("Cdr_Repartition", K::Frame, nullptr, "Répartition", {0, 2160, 7815, 2580}, 28, false);
    add("Cdr_AutoManuel", K::Frame, "Cdr_Repartition", "", {1080, 120, 5535, 450}, 29, false);
    add("Opt_Automatique", K::OptionButton, "Cdr_AutoManuel", "Automatique", {480, 180, 1600, 195}, 10, false);
    add("Opt_Manuelle", K::OptionButton, "Cdr_AutoManuel", "Manuelle", {3360, 180, 1600, 195}, 11, false);
    add("Etq_Periode", K::Label, "Cdr_Repartition", "Période", {360, 555, 540, 195}, 30, false);
    add("Etq_Affectation", K::Label, "Cdr_Repartition", "Affectation", {6120, 555, 765, 195}, 31, false);
    add("Lst_RepartPer", K::ListBox, "Cdr_Repartition", "", {120, 720, 7575, 900}, 36, false);
    add("Cbo_Periode", K::DropDownList, "Cdr_Repartition", "", {120, 1680, 5535, 315}, 12, true);
    add("Txt_Affect", K::TextBox, "Cdr_Repartition", "", {5640, 1680, 2055, 315}, 13, false, 12).setRightAligned();
    add("Cmd_AjouterRepartition", K::CommandButton, "Cdr_Repartition", "Ajouter", {120, 2085, 855, 375}, 17, false);
    add("Cmd_SupprimerRepartition", K::CommandButton, "Cdr_Repartition", "Supprimer", {1080, 2040, 855, 375}, 16, false);
    add("Cmd_OkRepartition", K::CommandButton, "Cdr_Repartition", "Ok", {5880, 2085, 855, 375}, 14, false);
    add("Cmd_AnnulerRepartition", K::CommandButton, "Cdr_Repartition", "Annuler", {6840, 2085, 855, 375}, 15, false);
    add("Cdr_Eclatement", K::Frame, nullptr, "Clé de répartition analytique", {0, 4800, 7815, 2025}, 32, false);
    add("Txt_Eclat", K::TextBox, "Cdr_Eclatement", "", {120, 240, 735, 315}, 18, false, 3);
    add("Cbo_Eclat", K::DropDownList, "Cdr_Eclatement", "", {960, 240, 6732, 315}, 19, false);
    add("Etq_Repartition", K::Label, "Cdr_Eclatement", "Répartition", {6120, 600, 765, 195}, 34, false);
    add("Etq_LibelleSectAnal", K::Label, "Cdr_Eclatement", "Section analytique", {240, 840, 1305, 195}, 33, false);
    add("Etq_N", K::Label, "Cdr_Eclatement", "N", {5880, 840, 120, 195}, 39, false);
    add("Etq_N1", K::Label, "Cdr_Eclatement", "N+1", {6960, 840, 300, 195}, 40, false);
    add("Lst_Sect", K::ListBox, "Cdr_Eclatement", "", {120, 1080, 7575, 900}, 37, false);
    add("Cmd_SupprimerBudget", K::CommandButton, nullptr, "Supprimer", {0, 6915, 855, 375}, 35, false);
    add("Cmd_OkBudget", K::CommandButton, nullptr, "Ok", {5040, 6915, 855, 375}, 20, false);
    add("Cmd_AnnulerBudget", K::CommandButton, nullptr, "Annuler", {6000, 6915, 855, 375}, 21, false);
    add("Cmd_Sortir", K::CommandButton, nullptr, "Sortir", {6960, 6915, 855, 375}, 22, true);
    add("Mnu_Aide", K::Menu, nullptr, "Aide", {}, -1, true);
    add("Mnu_Sommaire", K::MenuItem, "Mnu_Aide", "Aide VALMORENT", {}, -1, true);
}

Zone* Screen::find(const std::string& name) {
    for (auto& z : zones_)
        if (z->name() == name)
            return z.get();
    return nullptr;
}

Zone& Screen::zone(const std::string& name) {
    if (Zone* z = find(name))
        return *z;
    throw DataError(kInvalidCall, "Aucune zone ne s'appelle " + name + ".");
}

void Screen::moveFocus(Zone& to) {
    if (focus_ == &to)
        return;
    Zone* old = focus_;
    focus_ = &to;
    if (focusObserver_)
        focusObserver_(to);
    if (old && old->events().lostFocus)
        old->events().lostFocus();
}

bool Screen::reach(Zone& zone) {
    if (!zone.canTakeFocus())
        return false;
    reached_ = &zone;
    moveFocus(zone);
    return zone.canTakeFocus();
}

// The zone left runs its LostFocus before the next zone is chosen: leaving the amount
// opens the distribution, and Tab then goes on into it. A LostFocus that puts the
// focus somewhere itself keeps it there.
void Screen::tab(Direction direction) {
    Zone* from = focus_;
    if (from) {
        focus_ = nullptr;
        if (from->events().lostFocus)
            from->events().lostFocus();
        if (focus_)
            return;
    }
    std::vector<Zone*> order;
    for (auto& z : zones_)
        if (z->tabIndex() >= 0)
            order.push_back(z.get());
    std::sort(order.begin(), order.end(), [](Zone* a, Zone* b) { return a->tabIndex() < b->tabIndex(); });
    if (direction == Direction::Backward)
        std::reverse(order.begin(), order.end());
    const auto at = std::find(order.begin(), order.end(), from);
    const std::size_t current = at == order.end() ? order.size() - 1 : static_cast<std::size_t>(at - order.begin());
    for (std::size_t step = 1; step <= order.size(); ++step) {
        Zone* next = order[(current + step) % order.size()];
        if (next->canTakeFocus()) {
            reached_ = next;
            moveFocus(*next);
            return;
        }
    }
    focus_ = from;
}

void Screen::settleFocus() {
    for (std::size_t tries = 0; tries < zones_.size(); ++tries) {
        if (focus_ && focus_->canTakeFocus())
            return;
        if (reached_ && reached_ != focus_ && reached_->canTakeFocus())
            moveFocus(*reached_);
        else
            tab();
    }
}

void Screen::pressKey(Zone& zone, int keyAscii) {
    if (zone.events().keyPress)
        zone.events().keyPress(keyAscii);
    if (keyAscii == 0)
        return;
    if (zone.kind() == ZoneKind::TextBox || zone.kind() == ZoneKind::EditableCombo) {
        if (keyAscii == kBackspace)
            zone.eraseBackward();
        else if (keyAscii != kEnter)
            zone.typeChar(charText(keyAscii));
    } else if (zone.kind() == ZoneKind::DropDownList && keyAscii != kBackspace && keyAscii != kEnter) {
        // A character selects the next item that begins with it, wrapping round.
        std::string initial = foldCase(charText(keyAscii));
        int n = zone.listCount();
        for (int step = 1; step <= n; ++step) {
            int i = (zone.listIndex() + step + n) % n;
            if (foldCase(leftChars(zone.list(i), 1)) == initial) {
                zone.setListIndex(i);
                return;
            }
        }
    }
}

void Screen::showError(const std::string& text) {
    if (!boxes_)
        throw DataError(kInvalidCall, "Aucun message ne peut être affiché : " + text);
    boxes_->error(text);
}

bool Screen::ask(const std::string& text) {
    if (!boxes_)
        throw DataError(kInvalidCall, "Aucune question ne peut être posée : " + text);
    return boxes_->question(text);
}

void Screen::popupMenu(Zone& menu) {
    if (menuPresenter_)
        menuPresenter_(menu);
}

}  // namespace ondrel
