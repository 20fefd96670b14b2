#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "data/data_error.h"
#include "platform/date_conversion.h"
#include "platform/french_locale.h"
#include "platform/rights.h"
#include "platform/user_data.h"
#include "tests/store/temp_database.h"

namespace ondrel {

TEST(DateConversion, IsoDatesBecomeDayMonthYear) {
    EXPECT_EQ(DateToText("2027-01-01"), "01/01/2027");
    EXPECT_EQ(DateToText("2028-02-29"), "29/02/2028");
    for (const char* bad : {"", "01/01/2027", "2027-1-01", "2027-02-30", "2027-13-01", "2027-01-01 ", "abcd-ef-gh"})
        EXPECT_THROW(DateToText(bad), DataError) << bad;
}

TEST(FrenchLocale, MonthNamesInFull) {
    EXPECT_EQ(formatMonthYear(1, 2027), "janvier 2027");
    EXPECT_EQ(formatMonthYear(8, 2027), "août 2027");
    EXPECT_EQ(formatMonthYear(12, 2026), "décembre 2026");
    EXPECT_THROW(formatMonthYear(13, 2027), std::out_of_range);
}

TEST(Rights, StoredLevelsByUserAndScreenKey) {
    test::TempDatabase t;
    t.db->setAccessLevel("marie", "ONDREL", 2);
    EXPECT_EQ(storedRights(t.db, "marie")->RightsForKey("ONDREL")->AccessLevel(), 2);
    EXPECT_EQ(storedRights(t.db, "paul")->RightsForKey("ONDREL")->AccessLevel(), 0);
    EXPECT_EQ(fixedRights(-1)->RightsForKey("AUTRE")->AccessLevel(), -1);
}

// The demo goes into the user's data folder: XDG_DATA_HOME only when it is absolute.
TEST(UserData, ARelativeDataHomeIsIgnored) {
    const char* home = std::getenv("HOME");
    const std::string before = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    ::setenv("HOME", "/home/marie", 1);
    ::setenv("XDG_DATA_HOME", "/srv/donnees", 1);
    EXPECT_EQ(demoDatabasePath(), "/srv/donnees/ondrel/demo.db");
    ::setenv("XDG_DATA_HOME", "donnees", 1);
    EXPECT_EQ(demoDatabasePath(), "/home/marie/.local/share/ondrel/demo.db");
    ::setenv("XDG_DATA_HOME", before.c_str(), 1);
    if (home)
        ::setenv("HOME", home, 1);
}

// A folder that cannot be made is said to be that.
TEST(UserData, AFolderThatCannotBeMadeIsNamed) {
    const auto file = std::filesystem::temp_directory_path() / ("ondrel-not-a-folder-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    try {
        makeDataFolder((file / "ondrel").string());
        ADD_FAILURE() << "made";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Le dossier de données « " + (file / "ondrel").string() +
                                             " » ne peut pas être créé : vérifiez ses droits, ou choisissez une base avec --db.");
    }
    std::filesystem::remove(file);
}

}  // namespace ondrel
