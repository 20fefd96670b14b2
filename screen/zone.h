#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ondrel {

class Screen;

enum class ZoneKind { TextBox, EditableCombo, DropDownList, ListBox, CommandButton, OptionButton, CheckBox, Frame, Label, Menu, MenuItem };

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;   // twips
};

// One named element of the screen, with the properties, operations and events of its kind.
// Handlers run inside the assignments that set them off: a change of Text runs Change,
// a combo box's ListIndex moved to an item runs Click, before the assigning code goes on.
class Zone {
public:
    struct Events {
        std::function<void()> change = {};
        std::function<void()> click = {};
        std::function<void()> dblClick = {};
        std::function<void()> lostFocus = {};
        std::function<void(int& keyAscii)> keyPress = {};
    };

    Zone(Screen& screen, std::string name, ZoneKind kind, Zone* container, std::string caption, Rect position,
         int tabIndex, bool enabled, std::size_t maxLength);

    const std::string& name() const { return name_; }
    ZoneKind kind() const { return kind_; }
    Zone* container() const { return container_; }
    const std::string& caption() const { return caption_; }
    Rect position() const { return position_; }
    int tabIndex() const { return tabIndex_; }
    std::size_t maxLength() const { return maxLength_; }   // 0: no limit
    bool hasText() const;
    bool isCombo() const { return kind_ == ZoneKind::EditableCombo || kind_ == ZoneKind::DropDownList; }

    // Display only: the zone keeps its tab stop and shows its text, but nothing the
    // person types or pastes changes it; only the handlers write it.
    bool displayOnly() const { return displayOnly_; }
    void setDisplayOnly() { displayOnly_ = true; }
    // Amounts read from the right.
    bool rightAligned() const { return rightAligned_; }
    void setRightAligned() { rightAligned_ = true; }

    // Text of a text box or combo box; Change runs when it changes.
    const std::string& text() const { return text_; }
    void setText(const std::string& text);

    // The caret and the selection, in characters from 0, as a text box has them. A
    // handler's assignment of Text leaves the caret at the end with nothing selected.
    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    std::string selText() const;
    // Places the caret and selects length characters from it, kept inside the text.
    void select(int start, int length = 0);
    // Replaces the selection, or goes in at the caret; Change runs once.
    void setSelText(const std::string& text);

    // What the person's keys and mouse do to the text, without KeyPress. Each one runs
    // Change once when the text changes; a display-only zone, a text that is not valid
    // UTF-8 and a paste past the zone's limit change nothing beyond the limit.
    // A typed character: replaces the selection or goes in at the caret.
    void typeChar(const std::string& character);
    // Backspace: the selection, or the character before the caret.
    void eraseBackward();
    // Delete: the selection, or the character after the caret.
    void eraseForward();
    // Cut: the selection goes, and is returned for the clipboard.
    std::string cut();
    // Paste: the text replaces the selection, cut so that the zone keeps to its limit.
    void paste(const std::string& text);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);

    // Lists: ListIndex -1 when nothing is selected; List(i) past the end reads as empty.
    int listIndex() const { return listIndex_; }
    void setListIndex(int index);
    int listCount() const { return static_cast<int>(items_.size()); }
    std::string list(int i) const;
    void setList(int i, const std::string& text);
    std::int32_t itemData(int i) const;
    void setItemData(int i, std::int32_t data);
    int newIndex() const { return newIndex_; }
    void addItem(const std::string& text, int index = -1);
    void removeItem(int index);
    void clear();
    // Counts the changes of the items, so that a view redraws a list only when it changed.
    std::uint64_t listRevision() const { return listRevision_; }

    // Option button: True or False; check box: 0 or 1.
    int value() const { return value_; }
    void setValue(int value);

    // What the person does with the mouse: a pick in a list runs Click even on the
    // item already chosen; a click on an option button runs its Click even when it
    // is already on; a click on a check box toggles it.
    void pick(int index);
    void click();

    void setFocus();
    // Enabled, visible and inside no disabled frame.
    bool canTakeFocus() const;

    Events& events() { return events_; }

    // Lets a view follow every change the model makes.
    std::function<void(Zone&)>& observer() { return observer_; }

private:
    struct Item {
        std::string text;
        std::int32_t data = 0;
    };
    void notify();
    // The characters [start, start + length) become text, the caret then stands at caret.
    void replaceChars(int start, int length, const std::string& text, int caret);
    bool takesEdits() const;
    void checkIndex(int i, const char* what) const;

    Screen& screen_;
    std::string name_;
    ZoneKind kind_;
    Zone* container_;
    std::string caption_;
    Rect position_;
    int tabIndex_;
    std::size_t maxLength_;
    bool displayOnly_ = false;
    bool rightAligned_ = false;

    std::string text_;
    int selStart_ = 0;
    int selLength_ = 0;
    bool enabled_;
    bool visible_ = true;
    int listIndex_ = -1;
    std::vector<Item> items_;
    int newIndex_ = -1;
    std::uint64_t listRevision_ = 0;
    int value_ = 0;
    Events events_;
    std::function<void(Zone&)> observer_;
};

}  // namespace ondrel
