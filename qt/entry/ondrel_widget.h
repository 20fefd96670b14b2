#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "control/crt_ondrel.h"

class QLineEdit;
class QKeyEvent;

namespace ondrel {

// Crt_Ondrel on a real screen: one widget that embeds every zone of the screen model
// as a widget of its kind. The model stays the one source of truth: keys go through
// its KeyPress before a widget sees them, and every change the model makes is shown.
class OndrelWidget : public QWidget, public HostWindow, public MessageBoxes {
    Q_OBJECT
public:
    explicit OndrelWidget(QWidget* parent = nullptr);
    ~OndrelWidget() override;

    Crt_Ondrel& control() { return *control_; }
    // The widget that draws a zone.
    QWidget* widgetOf(const std::string& zone) const;
    // Twips to pixels: the screen's layout, grown where the fonts present need more room.
    double pixelsPerTwipX() const { return pixelsPerTwipX_; }
    double pixelsPerTwipY() const { return pixelsPerTwipY_; }

    // Runs a step of the control; an error that reaches the host is shown in French.
    // Every change the model made is drawn once the step ends, and the focus follows
    // the model's. A busy cursor shows while the step works or waits.
    template <class Step>
    void guarded(Step&& step) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++running_;
        try {
            step();
        } catch (const std::exception& e) {
            flush();
            showHostError(e);
        }
        --running_;
        flush();
        settleFocus();
        QApplication::restoreOverrideCursor();
        emit stepDone();
    }

    // What the person does with a zone, run only when the zone can take the focus and
    // still can once it has it: the LostFocus that the same click or key set off may
    // have locked it. A widget's signal while a step runs is the window's echo of that
    // step, not the person (an editable list that loses the focus to a Tab says it was
    // chosen), and does nothing.
    template <class Step>
    void act(Zone& zone, Step&& step) {
        if (running_ > 0)
            return;
        guarded([&] {
            if (control_->screen().reach(zone))
                step();
        });
    }

    // The keyboard to the model's focus, as the window opens and whenever it is
    // activated again: keys typed at once are not lost. Inside a step, whose end
    // settles the focus, nothing moves.
    void takeKeyboard();

    // A command button pressed from the keyboard, as a click would press it.
    void press(const std::string& button);

    // Zones whose changes nothing could save (a validated year): they
    // look read-only and take no edit, their reason shown where a person tries one. The
    // screen's own states of the zones stay as they are. No reason holds nothing.
    void hold(const std::vector<std::string>& zones, const QString& why);

    void error(const std::string& text) override;
    bool question(const std::string& text) override;
    void unload() override;

signals:
    // The control unloads the window it was placed on.
    void unloadRequested();
    // A step of the control has ended: the host refreshes what it shows of it.
    void stepDone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void build();
    void fitCaptions();
    void place();
    QWidget* makeWidget(Zone& zone, QWidget* parent);
    void connectWidget(Zone& zone, QWidget* widget);
    void connectLineEdit(Zone& zone, QLineEdit* edit);
    bool editKey(Zone& zone, QLineEdit& edit, QKeyEvent& key);
    bool commandKey(Zone& zone, QKeyEvent& key);
    bool refusedAsHeld(const Zone& zone, QWidget& widget, const QEvent& event) const;
    void editMenu(Zone& zone, QLineEdit& edit, const QPoint& at);
    void draw(Zone& zone);
    void flush();
    void settleFocus();
    void showHostError(const std::exception& e);
    void popupMenu(Zone& menu);
    QRect scaled(Rect twips) const;

    std::unique_ptr<Crt_Ondrel> control_;
    std::map<const Zone*, QWidget*> widgets_;
    std::map<QObject*, Zone*> zones_;
    std::vector<Zone*> dirty_;
    std::vector<const Zone*> held_;
    QString heldWhy_;
    bool drawing_ = false;
    int running_ = 0;   // the steps under way: a box that a handler opens runs inside one
    double pixelsPerTwipX_ = 1.0 / 15;
    double pixelsPerTwipY_ = 1.0 / 15;
};

}  // namespace ondrel
