#include "webkit/WebText.h"
#include "webkit/cStringBuilder.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

struct TextCase
{
    const char *routine;
    QString (*apply)(const QString &);
    const char16_t *in;
    const char16_t *out;
};

QString twiceUrlEncoded(const QString &text)
{
    return UrlEncode(UrlEncode(text));
}

} // namespace

TEST(WebText, EncodesAndDecodesTheWayTheServicesExpect)
{
    const TextCase cases[] = {
        // Only unreserved ASCII passes; the rest is encoded as Windows-1252.
        {"UrlEncode", UrlEncode, u"A-Z_a.z 09", u"A-Z_a.z%2009"},
        {"UrlEncode", UrlEncode, u"~*", u"%7E%2A"},
        {"UrlEncode", UrlEncode, u"é", u"%E9"},
        {"UrlEncode", UrlEncode, u"€", u"%80"},
        {"UrlEncode", UrlEncode, u"\t\n", u"%09%0A"},
        {"UrlEncode", UrlEncode, u"", u""},
        // Outside the code page a character becomes "?"; one outside the BMP
        // is one character, so one "?".
        {"UrlEncode", UrlEncode, u"中", u"%3F"},
        {"UrlEncode", UrlEncode, u"x\U0001F600y", u"x%3Fy"},
        {"UrlEncode twice", twiceUrlEncoded, u"/", u"%252F"},
        // "+" and "%xx" decode; a broken or trailing "%" stays as it is.
        {"UrlDecode", UrlDecode, u"a+b%20c", u"a b c"},
        {"UrlDecode", UrlDecode, u"code=x%2", u"code=x%2"},
        {"UrlDecode", UrlDecode, u"%", u"%"},
        {"UrlDecode", UrlDecode, u"100%zz", u"100%zz"},
        {"UrlDecode", UrlDecode, u"%E9%80", u"é€"},
        {"UrlDecode", UrlDecode, u"https%3A%2F%2Fhost%2Fp%3Fcode%3D1", u"https://host/p?code=1"},
        // The ampersand goes first, so entities are escaped once more.
        {"XmlEscape", XmlEscape, u"a&b<c>'d\"", u"a&amp;b&lt;c&gt;&apos;d&quot;"},
        {"XmlEscape", XmlEscape, u"&lt;", u"&amp;lt;"},
    };
    for (const TextCase &c : cases) {
        const QString in = QString::fromUtf16(c.in);
        SCOPED_TRACE(std::string(c.routine) + "(" + in.toStdString() + ")");
        EXPECT_EQ(c.apply(in), QString::fromUtf16(c.out));
    }
    EXPECT_TRUE(UrlEncode(QString()).isEmpty());
}

TEST(cStringBuilder, StepArithmeticHoldsPast2To31Bytes)
{
    // Filling a real builder that far takes 4 GiB and many seconds; the sizes
    // are where a 32-bit count would have wrapped.
    constexpr qsizetype past = (qsizetype(1) << 31) + 2;
    static_assert(std::is_same_v<decltype(cStringBuilder().used()), qsizetype>);
    EXPECT_EQ(cStringBuilder::capacityFor(past), (qsizetype(1) << 31) + cStringBuilder::GrowthStep);
    EXPECT_EQ(cStringBuilder::capacityFor(qsizetype(5) << 30), qsizetype(5) << 30);
}
