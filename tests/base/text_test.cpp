#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "base/format.h"
#include "base/text.h"
#include "platform/encoding.h"
#include "platform/guid.h"

namespace velmora {
namespace {

TEST(Format, GrowsBeyondTheSmallBuffer) {
    EXPECT_EQ(Format("%s='%d'", "a", 5), "a='5'");
    const std::string longText(1000, 'x');
    EXPECT_EQ(Format("<%s>", longText.c_str()), "<" + longText + ">");
    EXPECT_EQ(Format("%lld", static_cast<long long>(5368709120LL)), "5368709120");
}

TEST(Text, CaseFoldingTouchesAsciiLettersOnly) {
    EXPECT_EQ(ToLowerAscii("AbC-\xC3\x89"), "abc-\xC3\x89");
    EXPECT_EQ(ToUpperAscii("abc\xC3\xA9"), "ABC\xC3\xA9");
    EXPECT_TRUE(EqualsNoCase("FTP_PORT", "ftp_port"));
    EXPECT_FALSE(EqualsNoCase("ftp", "ftp_"));
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
}

TEST(Text, TrimRemovesAllKindsOfWhiteSpace) {
    EXPECT_EQ(TrimText(" \t\r\n a b \r\n"), "a b");
    EXPECT_EQ(TrimText("   "), "");
    EXPECT_EQ(TrimLeftText("  a "), "a ");
    EXPECT_EQ(TrimRightText("  a "), "  a");
}

TEST(Text, ParseIntReadsLeadingDigitsAndSaturates) {
    EXPECT_EQ(ParseInt32("  42abc"), 42);
    EXPECT_EQ(ParseInt32("-7"), -7);
    EXPECT_EQ(ParseInt32("abc"), 0);
    EXPECT_EQ(ParseInt32(""), 0);
    EXPECT_EQ(ParseInt32("99999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ParseInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(ParseInt64("99999999999999999999"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(ParseInt64("5368709120"), 5368709120LL);
}

TEST(Text, XmlEscapeRoundTripsQuotesBracketsAndLineBreaks) {
    const std::string value = "Bob's <server> & \"co\"";
    EXPECT_EQ(XMLEscape(value), "Bob&apos;s &lt;server&gt; &amp; &quot;co&quot;");
    EXPECT_EQ(XMLUnescape(XMLEscape(value)), value);
    EXPECT_EQ(XMLEscape("plain text/\\path"), "plain text/\\path");
    // Line breaks and tabs survive a reader that strips control characters.
    EXPECT_EQ(XMLEscape("a\nb\r\tc"), "a&#10;b&#13;&#9;c");
    EXPECT_EQ(XMLUnescape(XMLEscape("a\nb\r\tc")), "a\nb\r\tc");
    // Unknown entities and a lone ampersand stay as they are.
    EXPECT_EQ(XMLUnescape("&nbsp; & &amp"), "&nbsp; & &amp");
    EXPECT_EQ(XMLUnescape("&amp;lt;"), "&lt;");
}

TEST(Encoding, Utf16RoundTripIncludingSurrogatePairs) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, e-acute, euro, emoji
    const std::u16string wide = platform::Utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 5u);
    EXPECT_EQ(platform::Utf16ToUtf8(wide), text);
    EXPECT_EQ(platform::Utf16LEBytesToUtf8(platform::Utf8ToUtf16LEBytes(text)), text);
    EXPECT_EQ(platform::Utf8ToUtf16LEBytes("A"), std::string("A\0", 2));
}

TEST(Encoding, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(platform::Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(platform::Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");  // truncated sequence
    EXPECT_EQ(platform::Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_FALSE(platform::IsValidUtf8("a\xC0\x80"));  // overlong form
    EXPECT_TRUE(platform::IsValidUtf8("\xEF\xBF\xBD ok"));
}

TEST(Guid, RegistryFormRoundTrips) {
    const platform::Guid guid = platform::CreateGuid();
    const std::string text = platform::GuidToString(guid);
    ASSERT_EQ(text.size(), 38u);
    EXPECT_EQ(text.front(), '{');
    EXPECT_EQ(text[15], '4');  // version 4
    EXPECT_EQ(text, ToUpperAscii(text));
    platform::Guid parsed;
    ASSERT_TRUE(platform::ParseGuid(text, parsed));
    EXPECT_EQ(parsed, guid);
    ASSERT_TRUE(platform::ParseGuid(ToLowerAscii(text), parsed));
    EXPECT_EQ(parsed, guid);
    EXPECT_NE(platform::GuidToString(platform::CreateGuid()), text);
    EXPECT_FALSE(platform::ParseGuid("{not-a-guid}", parsed));
    EXPECT_EQ(parsed, platform::Guid{});
}

}  // namespace
}  // namespace velmora
