#include "screen/zone.h"

#include <algorithm>

#include "screen/screen.h"
#include "screen/utf8_text.h"
#include "data/data_error.h"

namespace ondrel {

Zone::Zone(Screen& screen, std::string name, ZoneKind kind, Zone* container, std::string caption, Rect position,
           int tabIndex, bool enabled, std::size_t maxLength)
    : screen_(screen), name_(std::move(name)), kind_(kind), container_(container), caption_(std::move(caption)),
      position_(position), tabIndex_(tabIndex), maxLength_(maxLength), enabled_(enabled) {}

bool Zone::hasText() const {
    return kind_ == ZoneKind::TextBox || isCombo();
}

void Zone::notify() {
    if (observer_)
        observer_(*this);
}

void Zone::setText(const std::string& text) {
    if (kind_ == ZoneKind::DropDownList) {
        // A drop-down list shows only its own items.
        for (int i = 0; i < listCount(); ++i)
            if (items_[i].text == text) {
                setListIndex(i);
                return;
            }
        throw DataError(kInvalidCall, "La liste " + name_ + " n'a pas d'élément « " + text + " ».");
    }
    if (text == text_)
        return;
    text_ = text;
    selStart_ = static_cast<int>(charCount(text_));
    selLength_ = 0;
    notify();
    if (events_.change)
        events_.change();
}

std::string Zone::selText() const {
    return leftChars(charsFrom(text_, selStart_ + 1), selLength_);
}

void Zone::select(int start, int length) {
    const int count = static_cast<int>(charCount(text_));
    selStart_ = std::clamp(start, 0, count);
    selLength_ = std::clamp(length, 0, count - selStart_);
    notify();
}

void Zone::replaceChars(int start, int length, const std::string& text, int caret) {
    std::string changed = leftChars(text_, start) + text + charsFrom(text_, start + length + 1);
    if (changed == text_) {
        select(caret);
        return;
    }
    text_ = std::move(changed);
    selStart_ = caret;
    selLength_ = 0;
    notify();
    if (events_.change)
        events_.change();
}

void Zone::setSelText(const std::string& text) {
    replaceChars(selStart_, selLength_, text, selStart_ + static_cast<int>(charCount(text)));
}

bool Zone::takesEdits() const {
    return hasText() && kind_ != ZoneKind::DropDownList && !displayOnly_;
}

void Zone::typeChar(const std::string& character) {
    if (!takesEdits() || !isValidUtf8(character))
        return;
    if (selLength_ == 0 && maxLength_ != 0 && charCount(text_) >= maxLength_)
        return;
    setSelText(character);
}

void Zone::eraseBackward() {
    if (!takesEdits())
        return;
    if (selLength_ > 0)
        setSelText("");
    else if (selStart_ > 0)
        replaceChars(selStart_ - 1, 1, "", selStart_ - 1);
}

void Zone::eraseForward() {
    if (!takesEdits())
        return;
    if (selLength_ > 0)
        setSelText("");
    else if (selStart_ < static_cast<int>(charCount(text_)))
        replaceChars(selStart_, 1, "", selStart_);
}

std::string Zone::cut() {
    if (!takesEdits() || selLength_ == 0)
        return {};
    std::string removed = selText();
    setSelText("");
    return removed;
}

void Zone::paste(const std::string& text) {
    if (!takesEdits() || !isValidUtf8(text))
        return;
    std::string fitting = text;
    if (maxLength_ != 0) {
        const std::size_t kept = charCount(text_) - static_cast<std::size_t>(selLength_);
        fitting = leftChars(text, maxLength_ > kept ? maxLength_ - kept : 0);
    }
    setSelText(fitting);
}

void Zone::setEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    notify();
}

void Zone::setVisible(bool visible) {
    if (visible_ == visible)
        return;
    visible_ = visible;
    notify();
}

void Zone::checkIndex(int i, const char* what) const {
    if (i < 0 || i >= listCount())
        throw DataError(kInvalidCall, std::string(what) + " " + std::to_string(i) + " est hors de la liste " + name_ + ".");
}

void Zone::setListIndex(int index) {
    if (index != -1)
        checkIndex(index, "L'élément");
    bool changed = index != listIndex_;
    listIndex_ = index;
    if (isCombo() && changed) {
        text_ = index >= 0 ? items_[index].text : std::string();
        selStart_ = static_cast<int>(charCount(text_));
        selLength_ = 0;
    }
    if (changed)
        notify();
    if (isCombo() && changed && index >= 0 && events_.click)
        events_.click();
}

std::string Zone::list(int i) const {
    return i >= 0 && i < listCount() ? items_[i].text : std::string();
}

void Zone::setList(int i, const std::string& text) {
    checkIndex(i, "La ligne");
    items_[i].text = text;
    ++listRevision_;
    notify();
}

std::int32_t Zone::itemData(int i) const {
    checkIndex(i, "L'élément");
    return items_[i].data;
}

void Zone::setItemData(int i, std::int32_t data) {
    checkIndex(i, "L'élément");
    items_[i].data = data;
}

void Zone::addItem(const std::string& text, int index) {
    if (index == -1)
        index = listCount();
    if (index < 0 || index > listCount())
        throw DataError(kInvalidCall, "Aucun élément ne peut être ajouté en " + std::to_string(index) + " dans " + name_ + ".");
    items_.insert(items_.begin() + index, Item{text, 0});
    newIndex_ = index;
    if (listIndex_ >= index)
        ++listIndex_;
    ++listRevision_;
    notify();
}

void Zone::removeItem(int index) {
    checkIndex(index, "L'élément");
    items_.erase(items_.begin() + index);
    if (listIndex_ == index)
        listIndex_ = -1;
    else if (listIndex_ > index)
        --listIndex_;
    ++listRevision_;
    notify();
}

void Zone::clear() {
    items_.clear();
    listIndex_ = -1;
    newIndex_ = -1;
    if (kind_ == ZoneKind::DropDownList)
        text_.clear();
    ++listRevision_;
    notify();
}

void Zone::setValue(int value) {
    if (kind_ == ZoneKind::OptionButton && value != 0) {
        bool changed = value_ == 0;
        for (const auto& z : screen_.zones())
            if (z.get() != this && z->kind_ == ZoneKind::OptionButton && z->container_ == container_ && z->value_ != 0) {
                z->value_ = 0;
                z->notify();
            }
        value_ = 1;
        notify();
        if (changed && events_.click)
            events_.click();
        return;
    }
    if (value_ == value)
        return;
    value_ = value;
    notify();
}

void Zone::pick(int index) {
    if (index == listIndex_ && index >= 0 && isCombo() && events_.click)
        events_.click();
    else
        setListIndex(index);
}

void Zone::click() {
    if (kind_ == ZoneKind::OptionButton && value_ != 0) {
        if (events_.click)
            events_.click();
        return;
    }
    if (kind_ == ZoneKind::OptionButton) {
        setValue(1);
        return;
    }
    if (kind_ == ZoneKind::CheckBox)
        setValue(value_ == 0 ? 1 : 0);
    if (events_.click)
        events_.click();
}

bool Zone::canTakeFocus() const {
    switch (kind_) {
    case ZoneKind::Label:
    case ZoneKind::Frame:
    case ZoneKind::Menu:
    case ZoneKind::MenuItem:
        return false;
    default:
        break;
    }
    if (!enabled_ || !visible_)
        return false;
    for (Zone* frame = container_; frame; frame = frame->container_)
        if (!frame->enabled_)
            return false;
    return true;
}

void Zone::setFocus() {
    if (!canTakeFocus())
        throw DataError(kInvalidCall, "La zone " + name_ + " ne peut pas prendre le focus.");
    screen_.moveFocus(*this);
}

}  // namespace ondrel
