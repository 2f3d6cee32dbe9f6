// Registration and login.

#include "tests/server/service_fixture.h"

#include <sqlite3.h>

using namespace servertest;

using ServiceAccounts = ServiceTest;

namespace {

std::string registration(const std::string &name, const std::string &leng,
                         const std::string &password = "pw")
{
    return "NAME=" + name + "&PASS=" + password + "&LENG=" + leng + "&IP=127.0.0.1";
}

} // namespace

TEST_F(ServiceAccounts, NamesAreStoredLowerCasedWithDistinctStableNumbers)
{
    const auto made = call("Regist", registration("Alice7", "6"));
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[0], "1");
    EXPECT_FALSE(made[1].empty());
    for (const std::string typed : {"alice7", "ALICE7", "Alice7"}) {
        const auto reply = call("Access", "NAME=" + typed + "&PASS=pw");
        ASSERT_EQ(reply.size(), 4u) << typed;
        EXPECT_EQ(reply[0], "1");
        EXPECT_EQ(reply[2], "alice7") << "the stored spelling comes back";
    }
    registerUser("bob");
    const auto alice = call("Access", "NAME=alice7&PASS=pw");
    const auto bob = call("Access", "NAME=bob&PASS=secret");
    ASSERT_EQ(bob.size(), 4u);
    EXPECT_NE(alice.at(1), bob[1]);
    EXPECT_GT(std::stoi(alice[1]), 0);
    restart();
    EXPECT_EQ(call("Access", "NAME=bob&PASS=secret").at(1), bob[1]);
}

TEST_F(ServiceAccounts, NameRulesAreEnforcedAndMissingFieldsRefused)
{
    for (const std::string& query :
         {registration("ab_c", "4"), registration("a%20b", "3"),
          registration("%E3%81%82", "1"), // あ: not a half-width letter
          registration(std::string(17, 'a'), "17"),
          registration("abc", "4"), // declared length disagrees
          registration("abc", "x"), registration("abc", "-3"), std::string("PASS=pw&LENG=1&IP=x"),
          std::string("NAME=a&LENG=1&IP=x"), std::string("NAME=a&PASS=pw&IP=x"), std::string("NAME=a&PASS=pw&LENG=1"),
          std::string("NAME=a&PASS=pw&LENG=1&IP="),
          std::string("NAME=&PASS=pw&LENG=0&IP=x"), std::string("NAME=a&PASS=&LENG=1&IP=x")}) {
        const auto reply = call("Regist", query);
        ASSERT_EQ(reply.size(), 2u) << query;
        EXPECT_EQ(reply[0], "-1") << query;
    }
    EXPECT_EQ(call("Regist", registration(std::string(16, 'z'), "16")).at(0), "1");
    EXPECT_EQ(call("Regist", registration("q", "1")).at(0), "1");
    for (const std::string query : {"NAME=q", "PASS=pw", "NAME=q&PASS="})
        EXPECT_EQ(call("Access", query).at(0), "-1") << query;
}

TEST_F(ServiceAccounts, OneAddressMakesOnlySoManyAccountsADay)
{
    accountsPerDay_ = 3;
    restart();
    for (const std::string name : {"u1", "u2", "u3"})
        registerUser(name);
    const auto fourth = call("Regist", registration("u4", "2"));
    ASSERT_EQ(fourth.size(), 2u);
    EXPECT_EQ(fourth[0], "-2");
    EXPECT_FALSE(fourth[1].empty());
    // Another machine is not affected, and a day later this one may go on.
    registerUser("v1", "secret", "127.0.0.2");
    now_ += 24 * 60 * 60 + 1;
    registerUser("u4");
}

TEST_F(ServiceAccounts, LoginNeedsTheExactFirstPasswordAndFailuresLookAlike)
{
    // Spaces, "+", "&" and Japanese text, as the client encodes them.
    registerUser("erin", "a%20b+c%26%E3%81%82");
    const auto again = call("Regist", registration("ERIN", "4"));
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0], "-1") << "a taken name is refused whatever its case";
    EXPECT_EQ(call("Access", "NAME=erin&PASS=a%20b+c%26%E3%81%82").at(0), "1");
    EXPECT_EQ(call("Access", "NAME=erin&PASS=pw").at(0), "-1");
    EXPECT_EQ(call("Access", "NAME=erin&PASS=a%20b%20c%26%E3%81%82").at(0), "-1");
    const auto wrongPassword = call("Access", "NAME=erin&PASS=a%20b+c%26");
    ASSERT_EQ(wrongPassword.size(), 2u);
    EXPECT_EQ(wrongPassword[0], "-1");
    EXPECT_EQ(call("Access", "NAME=nobody&PASS=pw"), wrongPassword);
    EXPECT_EQ(call("Access", "NAME=%E3%81%82&PASS=pw"), wrongPassword);
}

TEST_F(ServiceAccounts, PasswordsAreStoredOnlyAsSaltedArgon2idHashes)
{
    registerUser("fay", "hunter2");
    registerUser("gus", "hunter2");
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &db), SQLITE_OK);
    sqlite3_stmt *stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT * FROM users", -1, &stmt, nullptr), SQLITE_OK);
    std::vector<std::string> hashes;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(stmt); ++column) {
            const auto *text = sqlite3_column_text(stmt, column);
            const std::string value = text ? reinterpret_cast<const char *>(text) : "";
            EXPECT_EQ(value.find("hunter2"), std::string::npos) << "column " << column;
            if (value.rfind("$argon2id$", 0) == 0)
                hashes.push_back(value);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    ASSERT_EQ(hashes.size(), 2u);
    EXPECT_NE(hashes[0], hashes[1]) << "each hash has its own salt";
}
