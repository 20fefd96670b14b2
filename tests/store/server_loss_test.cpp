#include <gtest/gtest.h>
#include <pqxx/pqxx>

#include "tests/control/control_fixture.h"

namespace ondrel {

namespace {

// A desk whose server connection can be cut from outside, as a server restart or a
// network fault cuts it.
class ServerLoss : public test::ControlTest {
protected:
    void SetUp() override {
        if (data.engine() != test::Engine::PostgreSQL)
            GTEST_SKIP() << "a server's faults";
        test::ControlTest::SetUp();
        desk = Database::open(data.path() + "&application_name=" + name);
        desk->signIn("owner");
    }
    // Ends the desk's session on the server.
    void cutTheConnection() {
        pqxx::connection c(test::testServer());
        pqxx::nontransaction(c).exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = '" +
                                     name + "'");
    }
    std::string name = "desk_" + std::to_string(::getpid());
    std::shared_ptr<Database> desk;
};

}  // namespace

TEST_F(ServerLoss, AReadOnALostConnectionFailsInFrenchAndTheNextOneReconnects) {
    ASSERT_TRUE(desk->read("BUDGET", "N00016064000000"));
    cutTheConnection();
    try {
        desk->read("BUDGET", "N00016064000000");
        FAIL() << "a read on a lost connection succeeded";
    } catch (const DataError& e) {
        EXPECT_EQ(e.number(), kStoreFailure);
        const std::string said = e.what();
        EXPECT_NE(said.find("injoignable"), std::string::npos) << said;
        for (const char* english : {"server", "connection", "terminat", "Could"})
            EXPECT_EQ(said.find(english), std::string::npos) << said;
    }
    EXPECT_TRUE(desk->read("BUDGET", "N00016064000000"));
}

// The connection dies while the commit is under way: nobody can tell whether it
// landed, and the screen shows the line as it then stands.
TEST_F(ServerLoss, ALostCommitIsToldAsUnknownAndTheLineIsShownAsStored) {
    data.sql("CREATE FUNCTION cut_at_commit() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
             "PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NULL; END $$;"
             "CREATE CONSTRAINT TRIGGER cut AFTER UPDATE ON record DEFERRABLE INITIALLY DEFERRED "
             "FOR EACH ROW EXECUTE FUNCTION cut_at_commit()");
    auto c = start(2, desk);
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6064\n");
    Zone& amount = c->screen().zone("Txt_ValBud");
    const std::string before = amount.text();
    amount.setFocus();
    amount.select(0, static_cast<int>(charCount(amount.text())));
    type(*c, "Txt_ValBud", "2000");
    c->screen().zone("Opt_Automatique").setFocus();
    c->screen().zone("Opt_Automatique").click();
    c->screen().zone("Cmd_OkBudget").setFocus();
    c->screen().zone("Cmd_OkBudget").click();
    ASSERT_FALSE(host.messages.empty());
    EXPECT_NE(host.messages.back().find("on ne peut pas savoir"), std::string::npos) << host.messages.back();
    data.sql("DROP TRIGGER cut ON record");
    EXPECT_EQ(amount.text(), before) << "the line as it stands, the commit having been cut";
    EXPECT_TRUE(c->screen().zone("Cmd_OkBudget").enabled());
}

// Another desk holds the line's lock for longer than a desk waits: the Ok is refused
// after the wait, and writes nothing.
TEST_F(ServerLoss, AWaitForALockEndsWithTheBusyMessageAndNothingWritten) {
    auto c = start(2, desk);
    type(*c, "Txt_CodAssoc", "1\n");
    type(*c, "Txt_Cpte", "6064\n");
    pqxx::connection other(data.path());
    pqxx::work holder(other);
    holder.exec("SELECT 1 FROM record WHERE file = 'BUDGET' AND key = 'N00016064000000' FOR UPDATE");
    const std::int64_t revision = data.db->read("BUDGET", "N00016064000000")->revision();
    c->screen().zone("Cmd_OkBudget").setFocus();
    std::string said;
    try {
        c->screen().zone("Cmd_OkBudget").click();
    } catch (const DataError& e) {
        said = e.what();
    }
    holder.abort();
    EXPECT_NE(said.find("occupée"), std::string::npos) << said;
    EXPECT_EQ(data.db->read("BUDGET", "N00016064000000")->revision(), revision);
    EXPECT_TRUE(c->screen().zone("Cmd_OkBudget").enabled()) << "the line stays on screen";
}

}  // namespace ondrel
