// Decoding and checking of request text, below the HTTP layer.

#include "server/query_params.h"
#include "server/text_rules.h"

#include <gtest/gtest.h>

using namespace server;

TEST(Utf8Rules, AcceptsWellFormedTextAndRefusesBrokenSequences)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("abc"));
    EXPECT_TRUE(isValidUtf8("\xE3\x81\x82\xE3\x81\x84"));      // あい
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\xA5\x8C"));              // a four-byte character
    EXPECT_FALSE(isValidUtf8("\xE3\x81"));                     // cut short
    EXPECT_FALSE(isValidUtf8("\x81"));                         // stray continuation byte
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));                     // over-long "/"
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));                 // over-long three-byte form
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));                 // UTF-16 surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));             // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xFF"));
}

TEST(Utf8Rules, CountsAndCutsByCharacterNotByte)
{
    const std::string mixed = "a\xE3\x81\x82" "b\xF0\x9F\xA5\x8C"; // a あ b 🥌
    EXPECT_EQ(utf8Length(mixed), 4u);
    EXPECT_EQ(utf8Prefix(mixed, 2), "a\xE3\x81\x82");
    EXPECT_EQ(utf8Prefix(mixed, 3), "a\xE3\x81\x82" "b");
    EXPECT_EQ(utf8Prefix(mixed, 10), mixed);
    EXPECT_EQ(utf8Prefix(mixed, 0), "");
}

TEST(NumberRules, TakesPlainDecimalsWithin32Bits)
{
    EXPECT_EQ(parseDecimal("0"), 0);
    EXPECT_EQ(parseDecimal("-12"), -12);
    EXPECT_EQ(parseDecimal("2147483647"), 2147483647);
    EXPECT_FALSE(parseDecimal("2147483648"));
    EXPECT_FALSE(parseDecimal(""));
    EXPECT_FALSE(parseDecimal("+1"));
    EXPECT_FALSE(parseDecimal("1.5"));
    EXPECT_FALSE(parseDecimal(" 1"));
    EXPECT_FALSE(parseDecimal("1x"));
}

TEST(ReplyText, NeutralisesTheFieldMarkerAndControlCharacters)
{
    EXPECT_EQ(replySafeText("a<QZT>b"), "a\xEF\xBC\x9CQZT\xEF\xBC\x9E" "b");
    EXPECT_EQ(replySafeText("<QZT><QZT>").find("<QZT>"), std::string::npos);
    EXPECT_EQ(replySafeText("line\r\nnext\tx"), "line  next x");
    EXPECT_EQ(replySafeText("<QZ>T <b>"), "<QZ>T <b>");
}

TEST(QueryDecoding, DecodesEscapesAndKeepsPlusSigns)
{
    const auto query = QueryParams::parse("Rkf=1&Words=%E3%81%82+b%20c&T=x=y&Empty=&Flag");
    ASSERT_EQ(query.problem(), QueryParams::Problem::None);
    EXPECT_EQ(query.value("Words"), "\xE3\x81\x82+b c");
    EXPECT_EQ(query.value("T"), "x=y");
    EXPECT_EQ(query.value("Empty"), "");
    EXPECT_EQ(query.value("Flag"), "");
    EXPECT_FALSE(query.value("words")); // names are case-sensitive
    EXPECT_EQ(QueryParams::parse("A=1&A=2").value("A"), "1");
}

TEST(QueryDecoding, RefusesBrokenEscapesInvalidTextAndExcess)
{
    using Problem = QueryParams::Problem;
    EXPECT_EQ(QueryParams::parse("A=%4").problem(), Problem::Malformed);
    EXPECT_EQ(QueryParams::parse("A=%G1").problem(), Problem::Malformed);
    EXPECT_EQ(QueryParams::parse("A=%").problem(), Problem::Malformed);
    EXPECT_EQ(QueryParams::parse("A=%E3%81").problem(), Problem::Malformed);
    EXPECT_EQ(QueryParams::parse("=1").problem(), Problem::Malformed);
    EXPECT_EQ(QueryParams::parse("A=" + std::string(QueryParams::kMaxValueBytes + 1, 'x')).problem(),
              Problem::TooLong);
    EXPECT_EQ(QueryParams::parse("A=" + std::string(QueryParams::kMaxValueBytes, 'x')).problem(),
              Problem::None);
    std::string many;
    for (std::size_t i = 0; i <= QueryParams::kMaxParams; ++i)
        many += "P" + std::to_string(i) + "=1&";
    EXPECT_EQ(QueryParams::parse(many).problem(), Problem::TooMany);
}
