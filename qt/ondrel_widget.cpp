#include "qt/ondrel_widget.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "data/data_error.h"
#include "qt/help_window.h"
#include "screen/key_codes.h"

namespace ondrel {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The fixed-pitch font of the two lists: their columns line up.
QFont listFont() {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(8.25);
    return font;
}

// The character code of a key as the model's KeyPress receives it; -1 for keys the
// widget handles itself (arrows, Tab, shortcuts).
int keyCode(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
        return kEnter;
    if (key.key() == Qt::Key_Backspace)
        return kBackspace;
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return -1;
    const QString text = key.text();
    if (text.size() != 1 && !(text.size() == 2 && text[0].isHighSurrogate()))
        return -1;
    const char32_t code = text.toUcs4().value(0);
    return code >= 32 && code != 127 ? static_cast<int>(code) : -1;
}

}  // namespace

OndrelWidget::OndrelWidget(QWidget* parent)
    : QWidget(parent),
      control_(std::make_unique<Crt_Ondrel>(*this, [this] { return std::make_shared<HelpWindow>(this); })) {
    pixelsPerTwip_ = logicalDpiX() / 1440.0;
    // The screen was laid out for a small font: captions fit their zones at 8 points.
    QFont small = font();
    small.setPointSizeF(8.0);
    setFont(small);
    control_->screen().setMessageBoxes(this);
    control_->screen().setMenuPresenter([this](Zone& menu) { popupMenu(menu); });
    control_->screen().setFocusObserver([this](Zone& zone) {
        flush();   // the zone may have been enabled by the same handler
        if (QWidget* w = widgetOf(zone.name()); w && !w->hasFocus())
            w->setFocus(Qt::OtherFocusReason);
    });
    build();
}

OndrelWidget::~OndrelWidget() {
    control_.reset();
}

QRect OndrelWidget::scaled(Rect t) const {
    auto px = [this](int twips) { return static_cast<int>(twips * pixelsPerTwip_ + 0.5); };
    return QRect(px(t.left), px(t.top), px(t.width), px(t.height));
}

void OndrelWidget::build() {
    Screen& screen = control_->screen();
    setFixedSize(scaled({0, 0, Screen::kWidth, Screen::kHeight}).size());
    for (const auto& zone : screen.zones()) {
        if (zone->kind() == ZoneKind::Menu || zone->kind() == ZoneKind::MenuItem)
            continue;
        QWidget* parent = zone->container() ? widgets_.at(zone->container()) : this;
        QWidget* w = makeWidget(*zone, parent);
        w->setGeometry(scaled(zone->position()));
        w->setObjectName(q(zone->name()));
        widgets_[zone.get()] = w;
        zones_[w] = zone.get();
        connectWidget(*zone, w);
        zone->observer() = [this](Zone& changed) {
            if (std::find(dirty_.begin(), dirty_.end(), &changed) == dirty_.end())
                dirty_.push_back(&changed);
        };
        draw(*zone);
    }
    // The tab order of the screen.
    std::vector<Zone*> order;
    for (const auto& [zone, widget] : widgets_)
        if (widget->focusPolicy() != Qt::NoFocus)
            order.push_back(const_cast<Zone*>(zone));
    std::sort(order.begin(), order.end(), [](Zone* a, Zone* b) { return a->tabIndex() < b->tabIndex(); });
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(widgets_.at(order[i - 1]), widgets_.at(order[i]));
}

QWidget* OndrelWidget::makeWidget(Zone& zone, QWidget* parent) {
    switch (zone.kind()) {
    case ZoneKind::TextBox: {
        auto* edit = new QLineEdit(parent);
        if (zone.rightAligned())
            edit->setAlignment(Qt::AlignRight);
        edit->setReadOnly(zone.displayOnly());
        return edit;
    }
    case ZoneKind::EditableCombo: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMaxVisibleItems(15);
        return combo;
    }
    case ZoneKind::DropDownList:
        return new QComboBox(parent);
    case ZoneKind::ListBox: {
        auto* list = new QListWidget(parent);
        list->setFont(listFont());
        return list;
    }
    case ZoneKind::CommandButton:
        return new QPushButton(q(zone.caption()), parent);
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

// One binding per kind of zone: what the person does goes to the model.
void OndrelWidget::connectWidget(Zone& zone, QWidget* widget) {
    Zone* z = &zone;
    switch (zone.kind()) {
    case ZoneKind::TextBox: {
        auto* edit = static_cast<QLineEdit*>(widget);
        edit->installEventFilter(this);
        // A paste or a cut: the text changes without KeyPress, as in the toolkit.
        connect(edit, &QLineEdit::textEdited, this, [this, z, edit](const QString& text) {
            act(*z, [&] { z->paste(text.toStdString()); });
            if (edit->text() != q(z->text()))
                edit->setText(q(z->text()));
        });
        break;
    }
    case ZoneKind::EditableCombo:
    case ZoneKind::DropDownList: {
        auto* combo = static_cast<QComboBox*>(widget);
        combo->installEventFilter(this);
        if (combo->lineEdit()) {
            combo->lineEdit()->installEventFilter(this);
            zones_[combo->lineEdit()] = z;
            connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, z](const QString& text) {
                act(*z, [&] { z->paste(text.toStdString()); });
            });
        }
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
        widget->setFocusPolicy(Qt::NoFocus);
        break;
    }
}

bool OndrelWidget::eventFilter(QObject* watched, QEvent* event) {
    auto it = zones_.find(watched);
    if (it == zones_.end())
        return QWidget::eventFilter(watched, event);
    Zone& zone = *it->second;
    if (event->type() == QEvent::FocusIn && control_->screen().focus() != &zone) {
        guarded([&] { control_->screen().moveFocus(zone); });
        return false;
    }
    if (event->type() == QEvent::KeyPress && zone.hasText()) {
        int code = keyCode(*static_cast<QKeyEvent*>(event));
        if (code < 0)
            return false;
        // The key goes through the model's KeyPress and acts there; the widget only shows the result.
        act(zone, [&] { control_->screen().pressKey(zone, code); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void OndrelWidget::flush() {
    while (!dirty_.empty()) {
        Zone* zone = dirty_.front();
        dirty_.erase(dirty_.begin());
        draw(*zone);
    }
}

// Draws a zone as the model holds it, with no echo back into the model.
void OndrelWidget::draw(Zone& zone) {
    QWidget* w = widgets_.at(&zone);
    QSignalBlocker block(w);
    w->setEnabled(zone.enabled());
    w->setVisible(zone.visible());
    switch (zone.kind()) {
    case ZoneKind::TextBox: {
        auto* edit = static_cast<QLineEdit*>(w);
        if (edit->text() != q(zone.text()))
            edit->setText(q(zone.text()));
        break;
    }
    case ZoneKind::EditableCombo:
    case ZoneKind::DropDownList: {
        auto* combo = static_cast<QComboBox*>(w);
        bool same = combo->count() == zone.listCount();
        for (int i = 0; same && i < zone.listCount(); ++i)
            same = combo->itemText(i) == q(zone.list(i));
        if (!same) {
            combo->clear();
            QStringList items;
            for (int i = 0; i < zone.listCount(); ++i)
                items << q(zone.list(i));
            combo->addItems(items);
        }
        combo->setCurrentIndex(zone.listIndex());
        if (combo->isEditable() && combo->currentText() != q(zone.text()))
            combo->setEditText(q(zone.text()));
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
    QMessageBox box(QMessageBox::Warning, kMessageTitle, q(text), QMessageBox::Ok, this);
    box.button(QMessageBox::Ok)->setText("OK");
    box.exec();
}

bool OndrelWidget::question(const std::string& text) {
    flush();
    QMessageBox box(QMessageBox::Question, kMessageTitle, q(text), QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText("Oui");
    box.button(QMessageBox::No)->setText("Non");
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
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
