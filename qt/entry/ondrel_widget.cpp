#include "qt/entry/ondrel_widget.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolTip>

#include "data/data_error.h"
#include "qt/entry/caption_room.h"
#include "qt/widgets/french_boxes.h"
#include "qt/entry/help_window.h"
#include "qt/entry/zone_list_model.h"
#include "screen/key_codes.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The fixed-pitch font of the two lists: their columns line up. Liberation Mono, where
// "Courier New" is missing, has the same metrics. It grows as the screen grows, so that
// the amounts of a line stay under their headings.
QFont listFont(double growth) {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(8.25 * growth);
    return font;
}

// The character code of a key as the model's KeyPress receives it; -1 for keys the
// widget handles itself (arrows, Tab, shortcuts). Alt with a letter is a character.
int keyCode(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
        return kEnter;
    if (key.key() == Qt::Key_Backspace && !(key.modifiers() & Qt::ControlModifier))
        return kBackspace;
    if (key.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
        return -1;
    const QString text = key.text();
    if (text.size() != 1 && !(text.size() == 2 && text[0].isHighSurrogate()))
        return -1;
    const char32_t code = text.toUcs4().value(0);
    return code >= 32 && code != 127 ? static_cast<int>(code) : -1;
}

// Model positions count characters; a line edit counts UTF-16 units.
int unitsBefore(const std::string& text, int chars) {
    return static_cast<int>(q(leftChars(text, static_cast<std::size_t>(chars))).size());
}

int charsBefore(const QString& text, int units) {
    return static_cast<int>(charCount(text.left(units).toStdString()));
}

// The widget tells the model where its caret and selection stand before each edit.
void tellCaret(Zone& zone, const QLineEdit& edit) {
    const QString text = edit.text();
    if (!edit.hasSelectedText()) {
        zone.select(charsBefore(text, edit.cursorPosition()));
        return;
    }
    const int start = charsBefore(text, edit.selectionStart());
    zone.select(start, charsBefore(text, edit.selectionStart() + static_cast<int>(edit.selectedText().size())) - start);
}

void showCaret(const Zone& zone, QLineEdit& edit) {
    const int start = unitsBefore(zone.text(), zone.selStart());
    if (zone.selLength() > 0)
        edit.setSelection(start, unitsBefore(zone.text(), zone.selStart() + zone.selLength()) - start);
    else
        edit.setCursorPosition(start);
}

// Cut and paste of a zone through the clipboard, from the keys and from the edit menu.
void cutToClipboard(Zone& zone) {
    if (std::string removed = zone.cut(); !removed.empty())
        QGuiApplication::clipboard()->setText(q(removed));
}

void pasteClipboard(Zone& zone) {
    zone.paste(QGuiApplication::clipboard()->text().toStdString());
}

QLineEdit* lineEditOf(QWidget* w) {
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->lineEdit();
    return qobject_cast<QLineEdit*>(w);
}

}  // namespace

OndrelWidget::OndrelWidget(QWidget* parent)
    : QWidget(parent),
      control_(std::make_unique<Crt_Ondrel>(*this, [this] { return std::make_shared<HelpWindow>(this); })) {
    // The screen was laid out for a small font.
    QFont small = font();
    small.setPointSizeF(8.0);
    setFont(small);
    control_->screen().setMessageBoxes(this);
    control_->screen().setMenuPresenter([this](Zone& menu) { popupMenu(menu); });
    control_->screen().setFocusObserver([this](Zone& zone) {
        flush();   // the zone may have been enabled by the same handler
        if (QWidget* w = widgets_.count(&zone) ? widgets_.at(&zone) : nullptr; w && zone.canTakeFocus() && !w->hasFocus())
            w->setFocus(Qt::OtherFocusReason);
    });
    build();

    // The keys of a day's work: Esc leaves the edit under way, Ctrl+S saves the line,
    // F1 opens the help.
    auto shortcut = [this](const QKeySequence& keys, auto action) {
        auto* s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, action);
    };
    // Esc leaves a period line at once; a budget line holding typed work, only once the
    // person has said so: a stray key throws nothing away. The button itself asks nothing.
    shortcut(QKeySequence(Qt::Key_Escape), [this] {
        if (control_->screen().zone("Cmd_AnnulerRepartition").canTakeFocus()) {
            press("Cmd_AnnulerRepartition");
            return;
        }
        if (!control_->screen().zone("Cmd_AnnulerBudget").canTakeFocus())
            return;
        bool changed = false;
        guarded([&] { changed = control_->lineChanged(); });
        if (!changed || askInBox(this, kMessageTitle,
                                 "Cette ligne a des modifications qui ne sont pas enregistrées. Voulez-vous les abandonner ?",
                                 false))
            press("Cmd_AnnulerBudget");
    });
    shortcut(QKeySequence::Save, [this] { press("Cmd_OkBudget"); });
    shortcut(QKeySequence::HelpContents, [this] {
        guarded([&] { control_->screen().zone("Mnu_Sommaire").events().click(); });
    });
}

OndrelWidget::~OndrelWidget() {
    control_.reset();
}

QRect OndrelWidget::scaled(Rect t) const {
    auto x = [this](int twips) { return static_cast<int>(std::lround(twips * pixelsPerTwipX_)); };
    auto y = [this](int twips) { return static_cast<int>(std::lround(twips * pixelsPerTwipY_)); };
    return QRect(x(t.left), y(t.top), x(t.left + t.width) - x(t.left), y(t.top + t.height) - y(t.top));
}

void OndrelWidget::build() {
    Screen& screen = control_->screen();
    pixelsPerTwipX_ = pixelsPerTwipY_ = logicalDpiX() / 1440.0;
    for (const auto& zone : screen.zones()) {
        if (zone->kind() == ZoneKind::Menu || zone->kind() == ZoneKind::MenuItem)
            continue;
        QWidget* parent = zone->container() ? widgets_.at(zone->container()) : this;
        QWidget* w = makeWidget(*zone, parent);
        w->setObjectName(q(zone->name()));
        widgets_[zone.get()] = w;
        zones_[w] = zone.get();
        connectWidget(*zone, w);
        zone->observer() = [this](Zone& changed) {
            if (std::find(dirty_.begin(), dirty_.end(), &changed) == dirty_.end())
                dirty_.push_back(&changed);
        };
    }
    fitCaptions();
    place();
    for (const auto& zone : screen.zones())
        if (widgets_.count(zone.get()))
            draw(*zone);
    // The tab order of the screen.
    std::vector<Zone*> order;
    for (const auto& [zone, widget] : widgets_)
        if (widget->focusPolicy() != Qt::NoFocus)
            order.push_back(const_cast<Zone*>(zone));
    std::sort(order.begin(), order.end(), [](Zone* a, Zone* b) { return a->tabIndex() < b->tabIndex(); });
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(widgets_.at(order[i - 1]), widgets_.at(order[i]));
}

// The layout was drawn for narrower fonts than a desktop has: where a caption, a button
// text, a date or a frame title needs more room than its zone, the whole screen grows
// in proportion, across and down apart, so that the arrangement stays as it was drawn.
// An option, a check box or a label only a little taller than its zone grows alone,
// about its middle (place()).
void OndrelWidget::fitCaptions() {
    double growX = 1.0, growY = 1.0;
    for (const auto& [zone, w] : widgets_) {
        const QRect room = scaled(zone->position());
        if (room.width() <= 0 || room.height() <= 0)
            continue;
        const QSize need = captionRoom(*zone, *w);
        growX = std::max(growX, static_cast<double>(need.width()) / room.width());
        growY = std::max(growY, static_cast<double>(need.height()) / room.height());
    }
    pixelsPerTwipX_ *= growX;
    pixelsPerTwipY_ *= growY;
    for (const auto& [zone, w] : widgets_)
        if (zone->kind() == ZoneKind::ListBox)
            w->setFont(listFont(growX));
}

void OndrelWidget::place() {
    setFixedSize(scaled({0, 0, Screen::kWidth, Screen::kHeight}).size());
    for (const auto& [zone, w] : widgets_) {
        QRect r = scaled(zone->position());
        if (growsAlone(*zone) && w->sizeHint().height() > r.height()) {
            const int extra = w->sizeHint().height() - r.height();
            r.adjust(0, -extra / 2, 0, extra - extra / 2);
            if (r.top() < 0)
                r.moveTop(0);
        }
        w->setGeometry(r);
        // A list overlaps its headings by a few twips: its border stands over them.
        if (zone->kind() == ZoneKind::ListBox)
            w->raise();
    }
}

QWidget* OndrelWidget::makeWidget(Zone& zone, QWidget* parent) {
    switch (zone.kind()) {
    case ZoneKind::TextBox: {
        auto* edit = new QLineEdit(parent);
        if (zone.rightAligned())
            edit->setAlignment(Qt::AlignRight);
        edit->setReadOnly(zone.displayOnly());
        if (zone.maxLength() != 0)
            edit->setMaxLength(static_cast<int>(zone.maxLength()));
        return edit;
    }
    case ZoneKind::EditableCombo:
    case ZoneKind::DropDownList: {
        auto* combo = new QComboBox(parent);
        combo->setModel(new ZoneListModel(zone, combo));
        // The zone's rectangle gives the size: no scan of the items for a size hint.
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        if (auto* view = qobject_cast<QListView*>(combo->view()))
            view->setUniformItemSizes(true);
        if (zone.kind() == ZoneKind::EditableCombo) {
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMaxVisibleItems(15);
            combo->setCompleter(nullptr);
        }
        return combo;
    }
    case ZoneKind::ListBox: {
        return new QListWidget(parent);
    }
    case ZoneKind::CommandButton: {
        auto* button = new QPushButton(q(zone.caption()), parent);
        button->setAutoDefault(false);
        return button;
    }
    case ZoneKind::OptionButton:
        return new QRadioButton(q(zone.caption()), parent);
    case ZoneKind::CheckBox:
        return new QCheckBox(q(zone.caption()), parent);
    case ZoneKind::Frame:
        return new QGroupBox(q(zone.caption()), parent);
    default:
        return new QLabel(q(zone.caption()), parent);
    }
}

// Every edit of a line edit goes to the model: keys, cut and paste by keys and by the
// French context menu. Dropping text is off; what the widget still changes by itself
// (a word deleted with Ctrl) reaches the model as the person's new text.
void OndrelWidget::connectLineEdit(Zone& zone, QLineEdit* edit) {
    Zone* z = &zone;
    edit->installEventFilter(this);
    zones_[edit] = z;
    edit->setDragEnabled(false);
    edit->setAcceptDrops(false);
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QLineEdit::customContextMenuRequested, this,
            [this, z, edit](const QPoint& at) { editMenu(*z, *edit, at); });
    connect(edit, &QLineEdit::textEdited, this, [this, z, edit](const QString& text) {
        act(*z, [&] {
            z->select(0, static_cast<int>(charCount(z->text())));
            z->paste(text.toStdString());
        });
        if (edit->text() != q(z->text()))
            edit->setText(q(z->text()));
    });
}

// One binding per kind of zone: what the person does goes to the model.
void OndrelWidget::connectWidget(Zone& zone, QWidget* widget) {
    Zone* z = &zone;
    switch (zone.kind()) {
    case ZoneKind::TextBox:
        connectLineEdit(zone, static_cast<QLineEdit*>(widget));
        break;
    case ZoneKind::EditableCombo:
    case ZoneKind::DropDownList: {
        auto* combo = static_cast<QComboBox*>(widget);
        combo->installEventFilter(this);
        if (combo->lineEdit())
            connectLineEdit(zone, combo->lineEdit());
        connect(combo, &QComboBox::activated, this, [this, z](int index) { act(*z, [&] { z->pick(index); }); });
        break;
    }
    case ZoneKind::ListBox: {
        auto* list = static_cast<QListWidget*>(widget);
        list->installEventFilter(this);
        connect(list, &QListWidget::currentRowChanged, this, [this, z](int row) {
            if (row != z->listIndex())
                act(*z, [&] { z->setListIndex(row); });
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, z, list](QListWidgetItem* item) {
            act(*z, [&] {
                z->setListIndex(list->row(item));
                if (z->events().dblClick)
                    z->events().dblClick();
            });
        });
        break;
    }
    case ZoneKind::CommandButton:
    case ZoneKind::OptionButton:
    case ZoneKind::CheckBox:
        widget->installEventFilter(this);
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, z] { act(*z, [&] { z->click(); }); });
        break;
    default:
        // A press on a label or a frame is no press on the bare surface.
        widget->installEventFilter(this);
        widget->setFocusPolicy(Qt::NoFocus);
        break;
    }
}

void OndrelWidget::press(const std::string& button) {
    Zone& zone = control_->screen().zone(button);
    act(zone, [&] { zone.click(); });
}

bool OndrelWidget::editKey(Zone& zone, QLineEdit& edit, QKeyEvent& key) {
    Screen& screen = control_->screen();
    if (key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo))
        return true;   // the model keeps no history to undo
    auto edit_ = [&](auto step) {
        tellCaret(zone, edit);
        act(zone, step);
        return true;
    };
    if (key.matches(QKeySequence::Paste))
        return edit_([&] { pasteClipboard(zone); });
    if (key.matches(QKeySequence::Cut))
        return edit_([&] { cutToClipboard(zone); });
    if (key.matches(QKeySequence::Delete))
        return edit_([&] { zone.eraseForward(); });
    const int code = keyCode(key);
    if (code < 0)
        return false;
    return edit_([&] { screen.pressKey(zone, code); });
}

// Enter presses the focused button, and opens the chosen period line as a double
// click does, as F2 does too.
bool OndrelWidget::commandKey(Zone& zone, QKeyEvent& key) {
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    if (zone.kind() == ZoneKind::CommandButton && enter && key.modifiers() == Qt::NoModifier) {
        act(zone, [&] { zone.click(); });
        return true;
    }
    if (zone.kind() == ZoneKind::ListBox && (enter || key.key() == Qt::Key_F2)) {
        act(zone, [&] {
            if (zone.events().dblClick)
                zone.events().dblClick();
        });
        return true;
    }
    return false;
}

void OndrelWidget::editMenu(Zone& zone, QLineEdit& edit, const QPoint& at) {
    tellCaret(zone, edit);
    const bool editable = zone.canTakeFocus() && !zone.displayOnly();
    QMenu menu(this);
    QAction* cut = menu.addAction("Couper", [&] { act(zone, [&] { cutToClipboard(zone); }); });
    QAction* copy = menu.addAction("Copier", [&] { QGuiApplication::clipboard()->setText(q(zone.selText())); });
    QAction* paste = menu.addAction("Coller", [&] { act(zone, [&] { pasteClipboard(zone); }); });
    QAction* erase = menu.addAction("Supprimer", [&] { act(zone, [&] { zone.eraseForward(); }); });
    menu.addSeparator();
    menu.addAction("Tout sélectionner", [&] { edit.selectAll(); });
    cut->setEnabled(editable && zone.selLength() > 0);
    copy->setEnabled(zone.selLength() > 0);
    paste->setEnabled(editable && !QGuiApplication::clipboard()->text().isEmpty());
    erase->setEnabled(editable && zone.selLength() > 0);
    menu.exec(edit.mapToGlobal(at));
}

bool OndrelWidget::eventFilter(QObject* watched, QEvent* event) {
    auto it = zones_.find(watched);
    if (it == zones_.end())
        return QWidget::eventFilter(watched, event);
    Zone& zone = *it->second;
    switch (event->type()) {
    case QEvent::FocusIn:
        // Focus that the window moves while a step runs (a focused widget just
        // disabled, a box closed, a Tab half-way between two zones) is not the person's:
        // the model's focus is put back once the step ends.
        if (running_ == 0 && !drawing_ && control_->screen().focus() != &zone && zone.canTakeFocus())
            guarded([&] { control_->screen().reach(zone); });
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return zone.kind() == ZoneKind::Label || zone.kind() == ZoneKind::Frame ||
               refusedAsHeld(zone, *static_cast<QWidget*>(watched), *event);
    case QEvent::Wheel:
        return refusedAsHeld(zone, *static_cast<QWidget*>(watched), *event);
    case QEvent::KeyPress: {
        auto& key = *static_cast<QKeyEvent*>(event);
        if (refusedAsHeld(zone, *static_cast<QWidget*>(watched), *event))
            return true;
        if ((key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
            !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const bool back = key.key() == Qt::Key_Backtab || (key.modifiers() & Qt::ShiftModifier);
            guarded([&] { control_->screen().tab(back ? Screen::Direction::Backward : Screen::Direction::Forward); });
            return true;
        }
        if (QLineEdit* edit = lineEditOf(static_cast<QWidget*>(watched)); edit && zone.hasText())
            return editKey(zone, *edit, key);
        if (zone.kind() == ZoneKind::DropDownList) {
            // A character picks the next item that begins with it, in the model.
            const int code = keyCode(key);
            if (code >= 0)
                act(zone, [&] { control_->screen().pressKey(zone, code); });
            return code >= 0;
        }
        return commandKey(zone, key);
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void OndrelWidget::hold(const std::vector<std::string>& zones, const QString& why) {
    for (const Zone* zone : held_)
        widgets_.at(zone)->setPalette(QPalette());
    held_.clear();
    heldWhy_ = why;
    if (why.isEmpty())
        return;
    for (const auto& name : zones) {
        const Zone& zone = control_->screen().zone(name);
        held_.push_back(&zone);
        // Drawn as a read-only field is: the window's colour behind the text.
        QWidget* w = widgets_.at(&zone);
        QPalette look = w->palette();
        look.setColor(QPalette::Base, look.color(QPalette::Window));
        w->setPalette(look);
    }
}

// What would change a held zone: a character, an erasure, a paste or a cut in a text;
// a pick in a list; a click or Space on a button. Moving on (Tab, Enter, Esc, the
// arrows in a text) and copying stay.
bool OndrelWidget::refusedAsHeld(const Zone& zone, QWidget& widget, const QEvent& event) const {
    if (std::find(held_.begin(), held_.end(), &zone) == held_.end())
        return false;
    bool changes = false;
    if (event.type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(event);
        const int code = keyCode(key);
        const bool arrow = key.key() == Qt::Key_Up || key.key() == Qt::Key_Down || key.key() == Qt::Key_PageUp ||
                           key.key() == Qt::Key_PageDown || key.key() == Qt::Key_Home || key.key() == Qt::Key_End ||
                           key.key() == Qt::Key_F4;
        switch (zone.kind()) {
        case ZoneKind::TextBox:
            changes = (code >= 0 && code != kEnter) || key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Cut) ||
                      key.matches(QKeySequence::Delete);
            break;
        case ZoneKind::DropDownList:
            changes = (code >= 0 && code != kEnter) || arrow;
            break;
        default:
            changes = key.key() == Qt::Key_Space || code == kEnter;
        }
    } else {
        changes = zone.kind() != ZoneKind::TextBox;
    }
    if (changes)
        QToolTip::showText(widget.mapToGlobal(QPoint(0, widget.height())), heldWhy_, &widget);
    return changes;
}

void OndrelWidget::flush() {
    drawing_ = true;
    while (!dirty_.empty()) {
        Zone* zone = dirty_.front();
        dirty_.erase(dirty_.begin());
        draw(*zone);
    }
    drawing_ = false;
}

// The model's focus on a zone that a handler has locked or hidden moves on to the next
// zone of the tab order that can take it, as a Tab would, and a screen that has no
// focus yet gives it to the first; the window's focus then stands where the model's
// does, never on a hidden zone nor on a button it did not choose.
void OndrelWidget::settleFocus() {
    Screen& screen = control_->screen();
    try {
        screen.settleFocus();
    } catch (const std::exception& e) {
        flush();
        showHostError(e);
    }
    flush();
    Zone* focus = screen.focus();
    if (!focus || !focus->canTakeFocus() || !widgets_.count(focus))
        return;
    QWidget* w = widgets_.at(focus);
    if (!w->hasFocus())
        w->setFocus(Qt::OtherFocusReason);
}

void OndrelWidget::takeKeyboard() {
    if (running_ == 0)
        settleFocus();
}

// Draws a zone as the model holds it, with no echo back into the model.
void OndrelWidget::draw(Zone& zone) {
    QWidget* w = widgets_.at(&zone);
    QSignalBlocker block(w);
    w->setVisible(zone.visible());
    // A list that the model locks still scrolls: it only refuses selection and focus.
    if (zone.kind() != ZoneKind::ListBox)
        w->setEnabled(zone.enabled());
    switch (zone.kind()) {
    case ZoneKind::TextBox: {
        auto* edit = static_cast<QLineEdit*>(w);
        if (edit->text() != q(zone.text()))
            edit->setText(q(zone.text()));
        showCaret(zone, *edit);
        break;
    }
    case ZoneKind::EditableCombo:
    case ZoneKind::DropDownList: {
        auto* combo = static_cast<QComboBox*>(w);
        static_cast<ZoneListModel*>(combo->model())->follow();
        combo->setCurrentIndex(zone.listIndex());
        if (QLineEdit* edit = combo->lineEdit()) {
            QSignalBlocker blockEdit(edit);
            if (edit->text() != q(zone.text()))
                edit->setText(q(zone.text()));
            showCaret(zone, *edit);
        }
        break;
    }
    case ZoneKind::ListBox: {
        auto* list = static_cast<QListWidget*>(w);
        bool same = list->count() == zone.listCount();
        for (int i = 0; same && i < zone.listCount(); ++i)
            same = list->item(i)->text() == q(zone.list(i));
        if (!same) {
            list->clear();
            for (int i = 0; i < zone.listCount(); ++i)
                list->addItem(q(zone.list(i)));
        }
        list->setCurrentRow(zone.listIndex());
        list->setSelectionMode(zone.enabled() ? QAbstractItemView::SingleSelection : QAbstractItemView::NoSelection);
        list->setFocusPolicy(zone.enabled() ? Qt::StrongFocus : Qt::NoFocus);
        QPalette palette = list->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::Text, zone.enabled() ? QPalette().color(group, QPalette::Text)
                                                                   : QPalette().color(QPalette::Disabled, QPalette::Text));
        list->setPalette(palette);
        break;
    }
    case ZoneKind::OptionButton:
    case ZoneKind::CheckBox:
        static_cast<QAbstractButton*>(w)->setChecked(zone.value() != 0);
        break;
    default:
        break;
    }
}

QWidget* OndrelWidget::widgetOf(const std::string& zone) const {
    for (const auto& [z, w] : widgets_)
        if (z->name() == zone)
            return w;
    return nullptr;
}

void OndrelWidget::error(const std::string& text) {
    flush();
    tellInBox(this, QMessageBox::Warning, kMessageTitle, q(text));
}

bool OndrelWidget::question(const std::string& text) {
    flush();
    return askInBox(this, kMessageTitle, q(text), true);
}

void OndrelWidget::showHostError(const std::exception& e) {
    const auto* data = dynamic_cast<const DataError*>(&e);
    QString number = data ? QString(" n° %1").arg(data->number()) : QString();
    error(QString("Une erreur est survenue%1 ; l'opération n'a pas abouti.\n%2").arg(number, e.what()).toStdString());
}

void OndrelWidget::unload() {
    emit unloadRequested();
}

// A press on the bare surface, outside every zone.
void OndrelWidget::mousePressEvent(QMouseEvent* event) {
    guarded([&] { control_->UserControl_MouseDown(); });
    event->accept();
}

void OndrelWidget::popupMenu(Zone& menu) {
    QMenu popup(this);
    for (const auto& z : control_->screen().zones()) {
        if (z->container() != &menu)
            continue;
        Zone* item = z.get();
        popup.addAction(q(item->caption()), this, [this, item] {
            guarded([&] {
                if (item->events().click)
                    item->events().click();
            });
        });
    }
    popup.exec(QCursor::pos());
}

}  // namespace ondrel
