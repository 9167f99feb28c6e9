#include "webkit/WebText.h"
#include "webkit/cStringBuilder.h"

#include <gtest/gtest.h>

namespace {

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

} // namespace

TEST(UrlEncode, PassesOnlyUnreservedAsciiAndEncodesTheRestAsWindows1252)
{
    EXPECT_EQ(UrlEncode(s(u"A-Z_a.z 09")), s(u"A-Z_a.z%2009"));
    EXPECT_EQ(UrlEncode(s(u"a b")), s(u"a%20b"));
    EXPECT_EQ(UrlEncode(s(u"~*")), s(u"%7E%2A"));
    EXPECT_EQ(UrlEncode(s(u"é")), s(u"%E9"));
    EXPECT_EQ(UrlEncode(s(u"€")), s(u"%80"));
    EXPECT_EQ(UrlEncode(s(u"\t\n")), s(u"%09%0A"));
    EXPECT_EQ(UrlEncode(QString()), QString());
}

TEST(UrlEncode, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(UrlEncode(s(u"中")), s(u"%3F"));
    // A character outside the BMP is one character, so one "?".
    EXPECT_EQ(UrlEncode(s(u"x\U0001F600y")), s(u"x%3Fy"));
}

TEST(UrlEncode, EncodingTwiceEscapesThePercentSign)
{
    EXPECT_EQ(UrlEncode(UrlEncode(s(u"/"))), s(u"%252F"));
}

TEST(UrlDecode, DecodesPlusAndPercentButLeavesATrailingPercentAlone)
{
    EXPECT_EQ(UrlDecode(s(u"a+b%20c")), s(u"a b c"));
    EXPECT_EQ(UrlDecode(s(u"code=x%2")), s(u"code=x%2"));
    EXPECT_EQ(UrlDecode(s(u"%")), s(u"%"));
    EXPECT_EQ(UrlDecode(s(u"%E9%80")), s(u"é€"));
    EXPECT_EQ(UrlDecode(s(u"https%3A%2F%2Fhost%2Fp%3Fcode%3D1")), s(u"https://host/p?code=1"));
    EXPECT_EQ(UrlDecode(s(u"100%zz")), s(u"100%zz"));
}

TEST(XmlEscape, EscapesAmpersandFirstSoEntitiesAreEscapedAgain)
{
    EXPECT_EQ(XmlEscape(s(u"a&b<c>'d\"")), s(u"a&amp;b&lt;c&gt;&apos;d&quot;"));
    EXPECT_EQ(XmlEscape(s(u"&lt;")), s(u"&amp;lt;"));
}

TEST(cStringBuilder, GrowsInWholeStepsOf8192Characters)
{
    cStringBuilder b;
    EXPECT_EQ(b.toString(), QString());
    EXPECT_EQ(b.capacity(), 0);

    const QString block(8192, u'x');
    b.Append(block);
    EXPECT_EQ(b.capacity(), 16384);
    EXPECT_EQ(b.used(), 16384);
    b.Append(u"y");
    EXPECT_EQ(b.capacity(), 32768);
    EXPECT_EQ(b.toString(), block + u'y');

    // One large append takes as many steps as it needs at once.
    cStringBuilder big;
    big.Append(QString(20000, u'z'));
    EXPECT_EQ(big.capacity(), 3 * 16384);
    EXPECT_EQ(big.toString().size(), 20000);
}
