#pragma once

#include <QPointer>
#include <QTextBrowser>

#include "platform/help.h"

namespace ondrel {

// The help component on a real screen: a window showing a shipped help page.
class HelpWindow : public Help {
public:
    explicit HelpWindow(QWidget* owner) : owner_(owner) {}
    void SetClient(const ClientContext& client) override { client_ = client; }
    void SetDatabase(std::shared_ptr<Database> db) override { db_ = std::move(db); }
    std::string ShowHelp(const std::string& topic, const std::string& letter, const std::string& title) override;

    QTextBrowser* window() const { return browser_; }

private:
    void placeOverOwner();

    QWidget* owner_;
    QPointer<QTextBrowser> browser_;
    ClientContext client_;
    std::shared_ptr<Database> db_;
};

}  // namespace ondrel
