// ondrel: the desktop host of the budget-entry control.
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <CLI/CLI.hpp>
#include <QApplication>
#include <QVBoxLayout>

#include "platform/login_name.h"
#include "qt/ondrel_widget.h"
#include "tools/demo_data.h"

using namespace ondrel;

namespace {

// The demo database of the user, made with the demo data at the first start.
std::string defaultDatabase() {
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = std::filesystem::path(home) / ".local" / "share";
    else
        data = std::filesystem::temp_directory_path();
    return (data / "ondrel" / "demo.db").string();
}

bool displayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(name); v && *v)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App cli{"ondrel: the budget-entry screen"};
    std::string dbPath, user = loginName();
    cli.add_option("--db", dbPath, "database file (default: a demo database in the user's data folder)");
    cli.add_option("--user", user, "user name for the rights (default: the login name)");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : 2;
    }
    if (!displayAvailable()) {
        std::cerr << "ondrel: no display to open the window on (set DISPLAY, or run under Xvfb)\n";
        return 1;
    }

    std::shared_ptr<Database> db;
    try {
        if (dbPath.empty()) {
            dbPath = defaultDatabase();
            if (!std::filesystem::exists(dbPath)) {
                std::filesystem::create_directories(std::filesystem::path(dbPath).parent_path());
                db = Database::create(dbPath);
                writeDemoData(*db, user);
            }
        } else if (!std::filesystem::exists(dbPath)) {
            throw std::runtime_error("no database at " + dbPath);
        }
        if (!db)
            db = Database::open(dbPath);
    } catch (const std::exception& e) {
        std::cerr << "ondrel: " << e.what() << "\n";
        return 1;
    }

    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Gestion budgétaire - Saisie budget");
    auto* layout = new QVBoxLayout(&window);
    auto* screen = new OndrelWidget(&window);
    layout->addWidget(screen);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QObject::connect(screen, &OndrelWidget::unloadRequested, &window, &QWidget::close);

    screen->guarded([&] {
        screen->control().TheDatabase(db);
        screen->control().DroitsUtilisateur(storedRights(db, user));
        screen->control().TheClient({user, dbPath});
        screen->control().Init();
    });
    window.show();
    int status = app.exec();
    return screen->control().W_Sortir || status == 0 ? 0 : status;
}
