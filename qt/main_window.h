// qt: the desktop front-end, the only room that includes Qt: the main window here, a
// folder a window (entry, grid, overview, group) beside the widgets they share. Stands
// on grid and group; reaches down to the control because it draws the control's screen
// zone by zone, and to sheets and actuals for the overview's exports, imports and
// comparisons.
#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

#include "platform/rights.h"
#include "qt/overview/budget_overview.h"
#include "qt/entry/ondrel_widget.h"

class QLabel;
class QScrollArea;

namespace ondrel {

// The host of the control: a window with its menus and a status bar, that places one
// Crt_Ondrel on the database it opens.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(std::string user, QWidget* parent = nullptr);

    // Opens a database and places a new control on it, the one before torn down. A file
    // that will not do gets a French box that names it, and what was open stays open.
    bool openDatabase(const QString& path);
    OndrelWidget* screen() const { return screen_; }
    // "Consultation seule" when the database or the user's rights allow no change.
    bool consultationOnly() const { return consultationOnly_; }
    // Budget ▸ Vue d'ensemble: made at the first call, then raised.
    BudgetOverview* overview();
    // Budget ▸ Vue du groupe: made at the first call, then raised.
    class GroupOverview* groupOverview();
    // Shows a stored line in the entry screen, once the line under way may be left.
    void showLine(const QString& entity, const QString& year, const QString& account);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildMenus();
    void chooseDatabase();
    // False when the person keeps the line under way.
    bool mayAbandonLine();
    void refreshStatus();
    void showAbout();

    std::string claimedUser_;   // the user the program names
    std::string user_;          // the user the database signs in: on a server, its own role
    std::shared_ptr<Database> db_;
    QString path_;
    bool consultationOnly_ = false;
    std::shared_ptr<UserRights> rights_;
    QAction* importActuals_ = nullptr;
    OndrelWidget* screen_ = nullptr;
    BudgetOverview* overview_ = nullptr;
    GroupOverview* groupOverview_ = nullptr;
    QScrollArea* area_;
    QLabel* database_;
    QLabel* userLabel_;
    QLabel* mode_;
    QString lockedYearText();
    // The zones of a line's entry held in a validated year, with why; no reason frees them.
    void holdEntry(const QString& why);
    std::pair<std::string, std::string> lockAsked_;   // the entity and year whose lock was last read
    QString lockText_;
    QLabel* spread_;
};

}  // namespace ondrel
