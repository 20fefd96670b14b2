#include "qt/help_window.h"

#include <QDir>
#include <QUrl>

namespace ondrel {

std::string HelpWindow::ShowHelp(const std::string& topic, const std::string&, const std::string& title) {
    if (!browser_) {
        browser_ = new QTextBrowser(owner_);
        browser_->setWindowFlag(Qt::Window);
        browser_->setAttribute(Qt::WA_DeleteOnClose);
        browser_->resize(640, 560);
    }
    browser_->setWindowTitle(QString::fromStdString(title));
    browser_->setSource(QUrl::fromLocalFile(QDir(QString::fromStdString(helpFolder())).filePath(QString::fromStdString(topic))));
    browser_->show();
    browser_->raise();
    return {};
}

}  // namespace ondrel
