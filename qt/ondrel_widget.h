#pragma once

#include <map>
#include <vector>
#include <memory>

#include <QWidget>

#include "control/crt_ondrel.h"

class QMenu;

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

    // Runs a step of the control; an error that reaches the host is shown in French.
    // Every change the model made is drawn once the step ends.
    template <class Step>
    void guarded(Step&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            flush();
            showHostError(e);
        }
        flush();
    }

    // What the person does with a zone, run only while the model still lets the zone
    // take the focus: the LostFocus that the same click or key set off may have locked it.
    template <class Step>
    void act(Zone& zone, Step&& step) {
        guarded([&] {
            if (zone.canTakeFocus())
                step();
        });
    }

    void error(const std::string& text) override;
    bool question(const std::string& text) override;
    void unload() override;

signals:
    // The control unloads the window it was placed on.
    void unloadRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void build();
    QWidget* makeWidget(Zone& zone, QWidget* parent);
    void connectWidget(Zone& zone, QWidget* widget);
    void draw(Zone& zone);
    void flush();
    void showHostError(const std::exception& e);
    void popupMenu(Zone& menu);
    QRect scaled(Rect twips) const;

    std::unique_ptr<Crt_Ondrel> control_;
    std::map<const Zone*, QWidget*> widgets_;
    std::map<QObject*, Zone*> zones_;
    std::vector<Zone*> dirty_;
    double pixelsPerTwip_ = 1.0 / 15;
};

}  // namespace ondrel
