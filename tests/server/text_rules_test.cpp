// Decoding and checking of request text, below the HTTP layer, and of the program's options.

#include "server/query_params.h"
#include "server/server_options.h"
#include "server/text_rules.h"

#include <gtest/gtest.h>

using namespace server;

TEST(Utf8Rules, AcceptsWellFormedTextOnlyAndCountsAndCutsByCharacterNotByte)
{
    for (const std::string good : {"", "abc", "\xE3\x81\x82\xE3\x81\x84", "\xF0\x9F\xA5\x8C"})
        EXPECT_TRUE(isValidUtf8(good)) << good;
    // Cut short, stray continuation, over-long "/", over-long three-byte form, surrogate,
    // above U+10FFFF, never valid.
    for (const std::string bad : {"\xE3\x81", "\x81", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                  "\xF4\x90\x80\x80", "\xFF"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    const std::string mixed = "a\xE3\x81\x82" "b\xF0\x9F\xA5\x8C"; // a あ b 🥌
    EXPECT_EQ(utf8Length(mixed), 4u);
    EXPECT_EQ(utf8Prefix(mixed, 2), "a\xE3\x81\x82");
    EXPECT_EQ(utf8Prefix(mixed, 3), "a\xE3\x81\x82" "b");
    EXPECT_EQ(utf8Prefix(mixed, 10), mixed);
    EXPECT_EQ(utf8Prefix(mixed, 0), "");
}

TEST(NumberAndReplyRules, TakePlainDecimalsWithin32BitsAndNeutraliseTheFieldMarker)
{
    for (const int good : {0, -12, 2147483647})
        EXPECT_EQ(parseDecimal(std::to_string(good)), good);
    for (const char *bad : {"2147483648", "", "+1", "1.5", " 1", "1x"})
        EXPECT_FALSE(parseDecimal(bad)) << bad;
    EXPECT_EQ(replySafeText("a<QZT>b"), "a\xEF\xBC\x9CQZT\xEF\xBC\x9E" "b");
    EXPECT_EQ(replySafeText("<QZT><QZT>").find("<QZT>"), std::string::npos);
    EXPECT_EQ(replySafeText("line\r\nnext\tx"), "line  next x");
    EXPECT_EQ(replySafeText("<QZ>T <b>"), "<QZ>T <b>");
}

TEST(QueryDecoding, DecodesEscapesKeepsPlusSignsAndRefusesBrokenEscapesInvalidTextAndExcess)
{
    const auto query = QueryParams::parse("Rkf=1&Words=%E3%81%82+b%20c&T=x=y&Empty=&Flag");
    ASSERT_EQ(query.problem(), QueryParams::Problem::None);
    EXPECT_EQ(query.value("Words"), "\xE3\x81\x82+b c");
    EXPECT_EQ(query.value("T"), "x=y");
    EXPECT_EQ(query.value("Empty"), "");
    EXPECT_EQ(query.value("Flag"), "");
    EXPECT_FALSE(query.value("words")); // names are case-sensitive
    EXPECT_EQ(QueryParams::parse("A=1&A=2").value("A"), "1");

    using Problem = QueryParams::Problem;
    for (const char *bad : {"A=%4", "A=%G1", "A=%", "A=%E3%81", "=1"})
        EXPECT_EQ(QueryParams::parse(bad).problem(), Problem::Malformed) << bad;
    EXPECT_EQ(QueryParams::parse("A=" + std::string(QueryParams::kMaxValueBytes + 1, 'x')).problem(),
              Problem::TooLong);
    EXPECT_EQ(QueryParams::parse("A=" + std::string(QueryParams::kMaxValueBytes, 'x')).problem(),
              Problem::None);
    // Free text is cut instead, and never inside a character (あ is three bytes).
    std::string long_;
    for (int i = 0; i < 200; ++i)
        long_ += "%E3%81%82";
    const auto cut = QueryParams::parse("A=1&Title=" + long_, {"Title"});
    ASSERT_EQ(cut.problem(), Problem::None);
    EXPECT_EQ(cut.value("Title")->size(), 510u);
    std::string many;
    for (std::size_t i = 0; i <= QueryParams::kMaxParams; ++i)
        many += "P" + std::to_string(i) + "=1&";
    EXPECT_EQ(QueryParams::parse(many).problem(), Problem::TooMany);
}

TEST(ServerOptions, RefusesOptionsItCannotUseAndSaysWhy)
{
    std::string error;
    EXPECT_TRUE(parseServerOptions({"--help"}, error)->showHelp);
    EXPECT_NE(serverUsage().find("--tls-key"), std::string::npos);
    EXPECT_EQ(parseServerOptions({"--tls-cert", "c.pem", "--tls-key", "k.pem"}, error)->tlsKeyPath, "k.pem");
    for (const std::vector<std::string> &bad : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--listen"}, {"--listen", "nowhere"}, {"--listen", "1.2.3.4:99999"},
             {"--min-version", "x"}, {"--game-dir", "a/b"}, {"--tls-cert", "c.pem"}}) {
        EXPECT_FALSE(parseServerOptions(bad, error)) << bad.back();
        EXPECT_FALSE(error.empty()) << bad.back();
        error.clear();
    }
}
