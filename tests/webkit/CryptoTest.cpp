#include "support/TestText.h"
#include "webkit/Base64.h"
#include "webkit/Md5.h"
#include "webkit/OAuth1Signature.h"
#include "webkit/hs1.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

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

// Short keys, and keys longer than a block that are hashed first.
TEST(hs1, ReproducesTheRfc2202TestCases)
{
    EXPECT_EQ(hmacHex(QByteArray(20, '\x0b'), "Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(hmacHex("Jefe", "what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
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

TEST(Md5Hex, MatchesTheRfc1321TestSuiteAcrossThePaddingBoundaries)
{
    EXPECT_EQ(Md5Hex(QString()), s(u"D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_EQ(Md5Hex(s(u"abc")), s(u"900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_EQ(Md5Hex(s(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789")),
              s(u"D174AB98D277D9F5A5611C2C9F419D9F"));
    EXPECT_EQ(Md5Hex(s(u"1234567890").repeated(8)), s(u"57EDF4A22BE3C955AC49DA2E2107B67A"));
    // 55 bytes still fit the length in the same block; 56 and 64 need another.
    EXPECT_EQ(Md5Hex(QString(55, u'a')), s(u"EF1772B6DFF9A122358552954AD0DF65"));
    EXPECT_EQ(Md5Hex(QString(56, u'a')), s(u"3B0C8AC703F828B04C6C197006D17218"));
    EXPECT_EQ(Md5Hex(QString(64, u'a')), s(u"014842D480B571495A4A0363793F7367"));
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

// The OAuth 1.0 signer against the worked examples published with the
// protocol: base strings and the signature copied from the documents.
namespace {

void add(OAuth1Signature &signature, std::initializer_list<std::pair<const char *, const char *>> parameters)
{
    for (const auto &[name, value] : parameters)
        signature.addParameter(QString::fromUtf8(name), QString::fromUtf8(value));
}

} // namespace

TEST(OAuth1Signature, RfcExampleBaseStringDecodesTheQueryAndSortsRepeatedNamesByValue)
{
    // The request of the RFC's base string example: parameters in the query
    // (one encoded twice over), in the header and in a form body with "+".
    OAuth1Signature signature(s(u"POST"), s(u"http://example.com/request?b5=%3D%253D&a3=a&c%40=&a2=r%20b"),
                              {});
    add(signature, {{"oauth_consumer_key", "9djdj82h48djs9d2"},
                    {"oauth_token", "kkk9d7dh3k39sjv7"},
                    {"oauth_signature_method", "HMAC-SHA1"},
                    {"oauth_timestamp", "137131201"},
                    {"oauth_nonce", "7d8f3e4a"},
                    {"c2", ""},
                    {"a3", "2 q"}});
    EXPECT_EQ(
        signature.baseString(),
        "POST&http%3A%2F%2Fexample.com%2Frequest&a2%3Dr%2520b%26a3%3D2%2520q%26a3%3Da%26b5%3D%253D%25253D"
        "%26c%2540%3D%26c2%3D%26oauth_consumer_key%3D9djdj82h48djs9d2%26oauth_nonce%3D7d8f3e4a%26oauth_"
        "signature_method%3DHMAC-SHA1%26oauth_timestamp%3D137131201%26oauth_token%3Dkkk9d7dh3k39sjv7");

    // Its base URI examples: scheme and host in lower case, a default port
    // dropped, another kept, the path as sent.
    EXPECT_EQ(OAuth1Signature(s(u"GET"), s(u"HTTP://EXAMPLE.COM:80/r%20v/X?id=123"), {}).baseString(),
              "GET&http%3A%2F%2Fexample.com%2Fr%2520v%2FX&id%3D123");
    EXPECT_EQ(OAuth1Signature(s(u"get"), s(u"https://www.example.net:8080/?q=1"), {}).baseString(),
              "GET&https%3A%2F%2Fwww.example.net%3A8080%2F&q%3D1");
}

TEST(OAuth1Signature, ProtocolExampleSignatureIsReproduced)
{
    // The protocol's own example: printer.example.com reads a photo.
    OAuth1Signature photos(s(u"GET"), s(u"http://photos.example.net/photos?file=vacation.jpg&size=original"),
                           s(u"kd94hf93k423kf44"), s(u"pfkkdhi9sl3r4s00"));
    add(photos, {{"oauth_consumer_key", "dpf43f3p2l4k3l03"},
                 {"oauth_token", "nnch734d00sl2jdk"},
                 {"oauth_signature_method", "HMAC-SHA1"},
                 {"oauth_timestamp", "1191242096"},
                 {"oauth_nonce", "kllo9940pd9333jh"},
                 {"oauth_version", "1.0"}});
    EXPECT_EQ(photos.signingKey(), "kd94hf93k423kf44&pfkkdhi9sl3r4s00");
    EXPECT_EQ(photos.hmacSha1(), s(u"tR3+Ty81lMeYAr/Fid0kMTYa/WM="));
}
