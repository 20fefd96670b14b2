#include "qt/entry/help_window.h"

#include <algorithm>

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

namespace ondrel {

// Over the window it helps with, and whole on the screen that window is on.
void HelpWindow::placeOverOwner() {
    QWidget* over = owner_ ? owner_->window() : nullptr;
    QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    QRect place(QPoint(0, 0), browser_->size().boundedTo(room.size()));
    place.moveCenter(over ? over->frameGeometry().center() : room.center());
    place.moveLeft(std::clamp(place.left(), room.left(), room.right() - place.width() + 1));
    place.moveTop(std::clamp(place.top(), room.top(), room.bottom() - place.height() + 1));
    browser_->setGeometry(place);
}

std::string HelpWindow::ShowHelp(const std::string& topic, const std::string&, const std::string& title) {
    if (!browser_) {
        // A window of the main window's, not of the screen's: the screen's own keys (Esc
        // cancels a line) stay with the screen while the help is in front.
        browser_ = new QTextBrowser(owner_ ? owner_->window() : nullptr);
        browser_->setWindowFlag(Qt::Window);
        auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), browser_);
        QObject::connect(close, &QShortcut::activated, browser_, &QWidget::close);
        browser_->setAttribute(Qt::WA_DeleteOnClose);
        browser_->resize(640, 560);
    }
    // Its own title, beside the screen's: the two windows are told apart in the task bar.
    browser_->setWindowTitle("Aide - " + QString::fromStdString(title));
    placeOverOwner();
    browser_->setSource(QUrl::fromLocalFile(QDir(QString::fromStdString(helpFolder())).filePath(QString::fromStdString(topic))));
    browser_->show();
    browser_->raise();
    browser_->activateWindow();
    browser_->setFocus();   // the page scrolls from the keyboard
    return {};
}

}  // namespace ondrel
