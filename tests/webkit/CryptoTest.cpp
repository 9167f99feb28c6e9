#include "support/TestText.h"
#include "webkit/Base64.h"
#include "webkit/WebText.h"
#include "webkit/hs1.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// The error a caller sees, or a number no error carries when `call` succeeds.
template<class Call> ToolkitError toolkitErrorOf(Call call)
{
    try {
        call();
    } catch (const ToolkitError &e) {
        return e;
    }
    return ToolkitError(0, QString(), QStringLiteral("no error"));
}

QByteArray hmacHex(const QByteArray &key, const QByteArray &data)
{
    hs1 h;
    h.InitHmac(key);
    return h.HmacSha1(data).toHex();
}

} // namespace

TEST(hs1, ReproducesTheRfc2202TestCases)
{
    EXPECT_EQ(hmacHex(QByteArray(20, '\x0b'), "Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(hmacHex("Jefe", "what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(hmacHex(QByteArray(20, '\xaa'), QByteArray(50, '\xdd')),
              "125d7342b9ac11cd91a39af48aa17b4f63f175d3");
    EXPECT_EQ(hmacHex(QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"),
                      QByteArray(50, '\xcd')),
              "4c9007f4026250c6bc8414f9bf50c86c2d7235da");
    EXPECT_EQ(hmacHex(QByteArray(20, '\x0c'), "Test With Truncation"),
              "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
    EXPECT_EQ(hmacHex(QByteArray(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First"),
              "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    EXPECT_EQ(hmacHex(QByteArray(80, '\xaa'),
                      "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
              "e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
}

TEST(hs1, AKeyServesExactlyOneDigest)
{
    hs1 h;
    const ToolkitError noKey = toolkitErrorOf([&] { h.HmacSha1("data"); });
    EXPECT_EQ(noKey.number(), 0x8004D322u);
    EXPECT_EQ(noKey.source(), s(u"HS1.HmacSha1"));
    EXPECT_EQ(noKey.description(), s(u"No key set, call InitHmac first"));
    h.InitHmac("key");
    EXPECT_EQ(h.HmacSha1("data").size(), 20);
    EXPECT_THROW(h.HmacSha1("data"), ToolkitError);
}

TEST(hs1, SignsAnOAuthBaseStringLikeTheProtocolExample)
{
    // The worked example of the OAuth 1.0 protocol.
    const QString base =
        s(u"GET&http%3A%2F%2Fphotos.example.net%2Fphotos&file%3Dvacation.jpg%26oauth_consumer_key%"
          u"3Ddpf43f3p2l4k3l03%26oauth_nonce%3Dkllo9940pd9333jh%26oauth_signature_method%3DHMAC-"
          u"SHA1%26oauth_timestamp%3D1191242096%26oauth_token%3Dnnch734d00sl2jdk%26oauth_version%"
          u"3D1.0%26size%3Doriginal");
    hs1 h;
    h.InitHmac(hs1::ToUTF8(s(u"kd94hf93k423kf44&pfkkdhi9sl3r4s00")));
    const QString signature = hs1::Encode(h.HmacSha1(hs1::ToUTF8(base)), hs1::Base64, hs1::NoBreaks);
    EXPECT_EQ(signature, s(u"tR3+Ty81lMeYAr/Fid0kMTYa/WM="));
    EXPECT_EQ(UrlEncode(signature), s(u"tR3%2BTy81lMeYAr%2FFid0kMTYa%2FWM%3D"));
}

TEST(Base64, DecodesLenientlyIgnoringLineBreaks)
{
    const Base64 b;
    EXPECT_EQ(b.Decode(s(u"QQ==")), s(u"A"));
    EXPECT_EQ(b.Decode(s(u"QUI=")), s(u"AB"));
    EXPECT_EQ(b.Decode(s(u"QUJD")), s(u"ABC"));
    EXPECT_EQ(b.Decode(s(u"QUJ\r\nD")), s(u"ABC"));
    EXPECT_EQ(b.Decode(QString()), QString());
    // Bytes come back one character per byte through Windows-1252.
    EXPECT_EQ(b.Decode(s(u"6YA=")), s(u"é€"));
    // A space counts as the value 0 instead of failing.
    EXPECT_EQ(b.Decode(s(u"QU D")), QString::fromLatin1(QByteArray::fromHex("414003")));
    // The padding count comes from "=" anywhere, not from the end.
    EXPECT_EQ(b.Decode(s(u"QQ==QUJD")), QString::fromLatin1(QByteArray("A\0\0A", 4)));
}

TEST(Base64, RefusesALengthThatIsNotAMultipleOfFour)
{
    const ToolkitError e = toolkitErrorOf([] { Base64().Decode(s(u"QUJ")); });
    EXPECT_EQ(e.number(), 0x80040000u);
    EXPECT_EQ(e.source(), s(u"MyDecode"));
    EXPECT_EQ(e.description(), s(u"Input string is not valid Base64."));
}
