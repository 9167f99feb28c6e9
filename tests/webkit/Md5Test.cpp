#include "webkit/Md5.h"
#include "support/TestText.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(Md5Hex, MatchesTheRfc1321TestSuite)
{
    EXPECT_EQ(Md5Hex(QString()), s(u"D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_EQ(Md5Hex(s(u"a")), s(u"0CC175B9C0F1B6A831C399E269772661"));
    EXPECT_EQ(Md5Hex(s(u"abc")), s(u"900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_EQ(Md5Hex(s(u"message digest")), s(u"F96B697D7CB7938D525A2F31AAF161D0"));
    EXPECT_EQ(Md5Hex(s(u"abcdefghijklmnopqrstuvwxyz")), s(u"C3FCD3D76192E4007DFB496CCA67E13B"));
    EXPECT_EQ(Md5Hex(s(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")),
              s(u"D174AB98D277D9F5A5611C2C9F419D9F"));
    EXPECT_EQ(Md5Hex(s(u"1234567890").repeated(8)), s(u"57EDF4A22BE3C955AC49DA2E2107B67A"));
}

TEST(Md5Hex, HandlesThePaddingBoundaries)
{
    // 55 bytes still fit the length in the same block; 56 and 64 need another.
    EXPECT_EQ(Md5Hex(QString(55, u'a')), s(u"EF1772B6DFF9A122358552954AD0DF65"));
    EXPECT_EQ(Md5Hex(QString(56, u'a')), s(u"3B0C8AC703F828B04C6C197006D17218"));
    EXPECT_EQ(Md5Hex(QString(63, u'a')), s(u"B06521F39153D618550606BE297466D5"));
    EXPECT_EQ(Md5Hex(QString(64, u'a')), s(u"014842D480B571495A4A0363793F7367"));
    EXPECT_EQ(Md5Hex(QString(65, u'a')), s(u"C743A45E0D2E6A95CB859ADAE0248435"));
}

TEST(Md5Hex, HashesWindows1252BytesNotUtf8)
{
    EXPECT_EQ(Md5Hex(s(u"é")), s(u"3406877694691DDD1DFB0ACA54681407"));
    EXPECT_EQ(Md5Hex(s(u"café")), s(u"961F50F6282239D09E48F812C1CA7276"));
    EXPECT_EQ(Md5Hex(s(u"€")), s(u"8D39DD7EEF115EA6975446EF4082951F"));
    EXPECT_EQ(Md5HexOfBytes(QByteArray("caf\xE9")), Md5Hex(s(u"café")));
}

TEST(Md5Hex, RefusesInputWhoseBitLengthWouldNotFit32Bits)
{
    EXPECT_THROW(Md5HexOfBytes(QByteArray(0x0FFFFFFF, 'a')), std::overflow_error);
}
