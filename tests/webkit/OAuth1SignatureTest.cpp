// The OAuth 1.0 signer against the worked examples published with the
// protocol: base strings and the signature copied from the documents.

#include "webkit/OAuth1Signature.h"

#include <gtest/gtest.h>

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

void add(OAuth1Signature &signature, std::initializer_list<std::pair<const char *, const char *>> parameters)
{
    for (const auto &[name, value] : parameters)
        signature.addParameter(s(name), s(value));
}

} // namespace

TEST(OAuth1Signature, RfcExampleBaseStringDecodesTheQueryAndSortsRepeatedNamesByValue)
{
    // The request of the RFC's base string example: parameters in the query
    // (one encoded twice over), in the header and in a form body with "+".
    OAuth1Signature signature(s("POST"), s("http://example.com/request?b5=%3D%253D&a3=a&c%40=&a2=r%20b"), {});
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
    EXPECT_EQ(OAuth1Signature(s("GET"), s("HTTP://EXAMPLE.COM:80/r%20v/X?id=123"), {}).baseString(),
              "GET&http%3A%2F%2Fexample.com%2Fr%2520v%2FX&id%3D123");
    EXPECT_EQ(OAuth1Signature(s("get"), s("https://www.example.net:8080/?q=1"), {}).baseString(),
              "GET&https%3A%2F%2Fwww.example.net%3A8080%2F&q%3D1");
}

TEST(OAuth1Signature, ProtocolExampleSignatureIsReproduced)
{
    // The protocol's own example: printer.example.com reads a photo.
    OAuth1Signature photos(s("GET"), s("http://photos.example.net/photos?file=vacation.jpg&size=original"),
                           s("kd94hf93k423kf44"), s("pfkkdhi9sl3r4s00"));
    add(photos, {{"oauth_consumer_key", "dpf43f3p2l4k3l03"},
                 {"oauth_token", "nnch734d00sl2jdk"},
                 {"oauth_signature_method", "HMAC-SHA1"},
                 {"oauth_timestamp", "1191242096"},
                 {"oauth_nonce", "kllo9940pd9333jh"},
                 {"oauth_version", "1.0"}});
    EXPECT_EQ(
        photos.baseString(),
        "GET&http%3A%2F%2Fphotos.example.net%2Fphotos&file%3Dvacation.jpg%26oauth_consumer_key%"
        "3Ddpf43f3p2l4k3l0"
        "3%26oauth_nonce%3Dkllo9940pd9333jh%26oauth_signature_method%3DHMAC-SHA1%26oauth_timestamp%3D11912420"
        "96%26oauth_token%3Dnnch734d00sl2jdk%26oauth_version%3D1.0%26size%3Doriginal");
    EXPECT_EQ(photos.signingKey(), "kd94hf93k423kf44&pfkkdhi9sl3r4s00");
    EXPECT_EQ(photos.hmacSha1(), s("tR3+Ty81lMeYAr/Fid0kMTYa/WM="));
}
