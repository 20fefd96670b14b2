// app: the programs' mains. ondrel, the desktop host of the budget-entry control.
// Stands on qt and admin (the demo made at the first start); signs in with the
// platform's login name and hides passwords with the store's mask, as every main does.
#include <filesystem>
#include <iostream>

#include <CLI/CLI.hpp>
#include <QApplication>

#include "platform/help.h"
#include "platform/login_name.h"
#include "platform/user_data.h"
#include "qt/app_icon.h"
#include "qt/french_translations.h"
#include "qt/overview/budget_report.h"
#include "qt/widgets/french_boxes.h"
#include "qt/main_window.h"
#include "admin/demo_data.h"
#include "store/password_mask.h"

using namespace ondrel;

namespace {

bool displayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* v = std::getenv(name); v && *v)
            return true;
    return false;
}

// The printed report, drawn on the offscreen platform: no window, no display needed.
int writeReport(int argc, char** argv, const std::string& dbPath, const ReportSubject& subject, const std::string& user,
                const std::string& output) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    speakFrench(app);
    try {
        if (subject.entity.empty())
            throw std::runtime_error("--report needs --entity");
        auto db = Database::open(dbPath);
        writeBudgetPdf(*db, subject, db->signIn(user), output);
        std::cout << "Rapport du budget " << subject.entity << " (" << subject.year << ") écrit dans " << output << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "ondrel: " << hidePasswords(e.what()) << "\n";
        return 1;
    }
}

// The version, and where the installed program finds its help pages and Qt's French:
// what a person who installed it checks first.
std::string installReport() {
    const std::filesystem::path help = std::filesystem::path(helpFolder()) / "Ctr_Ondrel.htm";
    const QString translations = frenchTranslationsFile();
    return "ondrel " ONDREL_VERSION "\nhelp pages: " +
           (std::filesystem::exists(help) ? help.parent_path().string() : "missing (no " + help.string() + ")") +
           "\nQt's French translations: " +
           (translations.isEmpty() ? std::string("missing (install qt6-translations-l10n)") : translations.toStdString());
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App cli{"ondrel: the budget-entry screen", "ondrel"};
    cli.set_version_flag("--version", installReport, "print the version, and where the help and Qt's French are found");
    std::string dbPath, user = loginName();
    cli.add_option("--db", dbPath,
                   "database file, or postgresql:// URI of a server database (default: a demo database in the user's "
                   "data folder)");
    cli.add_option("--user", user, "user name for the rights (default: the login name; on a server, its role)");
    std::string report;
    ReportSubject subject;
    auto* reportOption = cli.add_option("--report", report, "write the budget report of --entity and --year to this PDF, without a window");
    cli.add_option("--entity", subject.entity, "entity code of the report")->needs(reportOption);
    cli.add_option("--year", subject.year, "N or N+1, the year of the report")->check(CLI::IsMember({"N", "N+1"}))->needs(reportOption);
    cli.add_option("--budget-version", subject.version, "report this version of the year instead of its working budget")
        ->needs(reportOption);
    cli.add_option("--compare-with", subject.against,
                   "compare with this version of the year (an empty name: the working budget)")->needs(reportOption);
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e) == 0 ? 0 : 2;
    }
    hidePasswordsInArguments(argc, argv);
    if (!report.empty())
        return writeReport(argc, argv, dbPath.empty() ? demoDatabasePath() : dbPath, subject, user, report);
    if (!displayAvailable()) {
        std::cerr << "ondrel: no display to open the window on (set DISPLAY, or run under Xvfb)\n";
        return 1;
    }

    QApplication app(argc, argv);
    if (!speakFrench(app))
        std::cerr << "ondrel: Qt's French translations are missing (qt6-translations-l10n): its dialogs stay in English\n";
    QCoreApplication::setOrganizationName("Ondrel");
    QCoreApplication::setApplicationName("Ondrel");
    // Every window takes it, also where the desktop does not match the menu entry.
    app.setWindowIcon(appIcon());
    QGuiApplication::setDesktopFileName("ondrel");
    MainWindow window(user);
    if (dbPath.empty()) {
        dbPath = demoDatabasePath();
        if (!std::filesystem::exists(dbPath)) {
            try {
                makeDataFolder(std::filesystem::path(dbPath).parent_path().string());
                auto db = Database::create(dbPath);
                writeDemoData(*db, db->signIn(user));
                writeDemoGroup(*db);
            } catch (const std::exception& e) {
                tellInBox(&window, QMessageBox::Warning, "Base de démonstration",
                          QString("La base de démonstration « %1 » n'a pas pu être créée.\n%2")
                              .arg(QString::fromStdString(dbPath), QString::fromStdString(e.what())));
                return 1;
            }
        }
    }
    if (!window.openDatabase(QString::fromStdString(dbPath)))
        return 1;
    window.show();
    int status = app.exec();
    return window.screen()->control().W_Sortir || status == 0 ? 0 : status;
}
