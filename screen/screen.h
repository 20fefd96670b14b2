// screen: the control's screen model (its zones, the focus, the message boxes) and the
// locking of the zones below the entity. Stands on data.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "screen/message_box.h"
#include "screen/zone.h"

namespace ondrel {

// The whole surface of the control: its zones in inventory order, the focus,
// and the modal boxes and pop-up menu that the screen shows.
class Screen {
public:
    Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    Zone& zone(const std::string& name);
    Zone* find(const std::string& name);
    const std::vector<std::unique_ptr<Zone>>& zones() const { return zones_; }

    Zone* focus() const { return focus_; }
    // Moves the focus, running LostFocus on the zone that had it first.
    void moveFocus(Zone& to);
    // A person's click or key on a zone: the focus moves there, LostFocus running on the
    // zone that had it, and false when the zone cannot take the focus, before or after.
    bool reach(Zone& zone);
    // The Tab key: the zone left runs its LostFocus, then the focus goes to the next zone
    // in tab order that can take it (the one before, backward), wrapping round.
    enum class Direction { Forward, Backward };
    void tab(Direction direction = Direction::Forward);
    // After each step of the person's: a handler may have left the focus on a zone it
    // then locked or hid. The focus goes back to the zone the person last reached when
    // that can still take it, and otherwise on along the tab order, as the toolkit moves
    // it off a disabled control; the next key goes where the window shows the focus.
    void settleFocus();

    // Presses a key on the zone that has the focus: KeyPress first, then the key acts
    // on the zone as the toolkit would.
    void pressKey(Zone& zone, int keyAscii);

    void setMessageBoxes(MessageBoxes* boxes) { boxes_ = boxes; }
    void showError(const std::string& text);
    // Yes or No; Yes is the default.
    bool ask(const std::string& text);

    // The pop-up menu of a menu zone, at the mouse position; a view shows it.
    void setMenuPresenter(std::function<void(Zone& menu)> presenter) { menuPresenter_ = std::move(presenter); }
    void popupMenu(Zone& menu);

    // Lets a view follow the focus that handlers move.
    void setFocusObserver(std::function<void(Zone&)> observer) { focusObserver_ = std::move(observer); }

    // Width and height of the surface, in twips.
    static constexpr int kWidth = 7830;
    static constexpr int kHeight = 7410;

private:
    Zone& add(std::string name, ZoneKind kind, const char* container, std::string caption, Rect position, int tab,
              bool enabled, std::size_t maxLength = 0);

    std::vector<std::unique_ptr<Zone>> zones_;
    Zone* focus_ = nullptr;
    Zone* reached_ = nullptr;   // by the person's click, key or Tab, not by a handler
    MessageBoxes* boxes_ = nullptr;
    std::function<void(Zone&)> menuPresenter_;
    std::function<void(Zone&)> focusObserver_;
};

}  // namespace ondrel
