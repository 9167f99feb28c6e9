#include "webkit/Json.h"
#include "JsonFuzzEntry.h"
#include "support/TestText.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

JsonResult parse(const char16_t *text)
{
    return ParseJson(s(text));
}

} // namespace

TEST(ParseJson, ReadsQuotedSingleQuotedAndBareKeys)
{
    const JsonResult r = parse(u"{\"a\":1, 'b':'x', c:true, \"d\": null}");
    ASSERT_TRUE(r.value.isObject());
    EXPECT_EQ(r.value.Item(u"a").kind(), JsonValue::Kind::Int);
    EXPECT_EQ(r.value.Item(u"a").toInt(), 1);
    EXPECT_EQ(r.value.Item(u"b").toString(), s(u"x"));
    EXPECT_EQ(r.value.Item(u"c"), JsonValue(true));
    EXPECT_TRUE(r.value.Item(u"d").isNull());
    EXPECT_EQ(r.value.Keys(), (QStringList{s(u"a"), s(u"b"), s(u"c"), s(u"d")}));
    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.toStdString();
}

TEST(ParseJson, MissingMembersAndWrongKindsReadAsEmpty)
{
    const JsonValue v = parse(u"{\"data\":[{\"id\":\"7\"}]}").value;
    EXPECT_TRUE(v.Item(u"missing").isEmpty());
    EXPECT_FALSE(v.Exists(u"missing"));
    EXPECT_TRUE(v.Exists(u"data"));
    EXPECT_FALSE(v.Exists(u"Data")); // keys are case-sensitive
    EXPECT_EQ(v.Item(u"data").Item(1).Item(u"id").toString(), s(u"7"));
    EXPECT_TRUE(v.Item(u"data").Item(2).isEmpty());
    EXPECT_TRUE(v.Item(u"data").Item(0).isEmpty());
    EXPECT_TRUE(v.Item(u"missing").Item(u"deeper").Item(1).isEmpty());
    EXPECT_EQ(v.Item(u"missing").toString(), QString());
}

TEST(ParseJson, TellsIntegersFromDoubles)
{
    const JsonValue v = parse(u"[1, 2.5, -3e2, null, 2147483647, -2147483648]").value;
    ASSERT_EQ(v.Count(), 6);
    EXPECT_EQ(v.Item(1).kind(), JsonValue::Kind::Int);
    EXPECT_EQ(v.Item(2).kind(), JsonValue::Kind::Double);
    EXPECT_DOUBLE_EQ(v.Item(2).toDouble(), 2.5);
    EXPECT_EQ(v.Item(3).kind(), JsonValue::Kind::Double);
    EXPECT_DOUBLE_EQ(v.Item(3).toDouble(), -300);
    EXPECT_TRUE(v.Item(4).isNull());
    EXPECT_EQ(v.Item(5).toInt(), 2147483647);
    EXPECT_EQ(v.Item(6).toInt(), -2147483647 - 1);
}

// What the reader reports, line by line, when it has to give up on a member.
TEST(ParseJson, ReportsWhyItStoppedReadingAMember)
{
    const struct
    {
        const char16_t *text;
        const char16_t *report;
        bool more; // other lines may follow the report
    } cases[] = {
        {u"{\"a\":1, \"n\":12345678901, \"b\":2}", u"Overflow: n\r\n", false},
        {u"{\"d\":1e999}", u"Overflow: d\r\n", false},
        {u"{\"m\":-, \"b\":2}", u"Type mismatch: m\r\n", false},
        {u"[1.2.3]", u"Type mismatch: ]\r\n", false}, // the text after the number
        // Literals are case-sensitive: "T" starts none, so it is read as a number.
        {u"{\"a\":True}", u"Type mismatch: a\r\n", false},
        {u"{\"a\":tRue}", u"Invalid Boolean at position 6 : tRue}\r\n", true},
        {u"{\"a\" 1}", u"Invalid Key at position 6 : a\r\n", true},
        {u"{\"a\":1,\"a\":2,\"b\":3}",
         u"This key is already associated with an element of this collection: a\r\n", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        const QString errors = parse(c.text).errors;
        if (c.more)
            EXPECT_TRUE(errors.startsWith(s(c.report))) << errors.toStdString();
        else
            EXPECT_EQ(errors, s(c.report));
    }
}

TEST(ParseJson, AMemberItCannotReadEndsItsObjectKeepingWhatCameBefore)
{
    const JsonValue big = parse(u"{\"a\":1, \"n\":12345678901, \"b\":2}").value;
    EXPECT_EQ(big.Item(u"a").toInt(), 1);
    EXPECT_FALSE(big.Exists(u"n"));
    EXPECT_FALSE(big.Exists(u"b"));

    const JsonValue twice = parse(u"{\"a\":1,\"a\":2,\"b\":3}").value;
    EXPECT_EQ(twice.Item(u"a").toInt(), 1);
    EXPECT_FALSE(twice.Exists(u"b"));

    EXPECT_EQ(parse(u"{\"a\":tRue}").value.Item(u"a"), JsonValue(false));
    EXPECT_EQ(parse(u"{\"a\" 1}").value.Item(u"a").toInt(), 1); // a missing colon is forgiven
}

TEST(ParseJson, DecodesStringEscapesButDropsBlanksInKeysAndKeepsTheirBackslashes)
{
    const JsonValue v =
        parse(u"['\\u00e9\\q\\n\\t\\\"\\/\\'', \"it's\", 'say \"hi\"', {\"first name\":1, \"a\\tb\": 2}]")
            .value;
    EXPECT_EQ(v.Item(1).toString(), s(u"éq\n\t\"/'"));
    EXPECT_EQ(v.Item(2).toString(), s(u"it's"));
    EXPECT_EQ(v.Item(3).toString(), s(u"say \"hi\""));
    EXPECT_EQ(v.Item(4).Item(u"firstname").toInt(), 1);
    EXPECT_TRUE(v.Item(4).Exists(u"a\\tb"));
}

TEST(ParseJson, SkipsCommentsAndParentheses)
{
    const JsonResult r = parse(u"/* lead */ ({ // line\n a : (1), /* b */ b : [true /* x */, false] })");
    EXPECT_EQ(r.value.Item(u"a").toInt(), 1);
    EXPECT_EQ(r.value.Item(u"b").Count(), 2);
    EXPECT_EQ(r.value.Item(u"b").Item(2), JsonValue(false));
    EXPECT_TRUE(r.errors.isEmpty()) << r.errors.toStdString();
}

TEST(ParseJson, TextThatIsNoContainerYieldsNothing)
{
    for (const char16_t *text : {u"<html><body>", u"", u"  42", u"\"x\""}) {
        const JsonResult r = parse(text);
        EXPECT_TRUE(r.value.isEmpty());
        EXPECT_EQ(r.errors, s(u"Invalid JSON"));
    }
    // Text after the first value is ignored.
    EXPECT_EQ(parse(u"[1] trailing {").value.Count(), 1);
}

// Inputs the reader would otherwise read again and again at one place.
TEST(ParseJson, EndsOnInputsThatWouldNotAdvance)
{
    const JsonResult colon = parse(u"{\"a:b\":1}");
    EXPECT_EQ(colon.value.Item(u"a:b").toInt(), 1);
    EXPECT_TRUE(colon.errors.contains(s(u"Colon inside quoted key"))) << colon.errors.toStdString();

    const JsonResult open = parse(u"[1, 2");
    EXPECT_EQ(open.value.Item(1).toInt(), 1);
    EXPECT_TRUE(open.errors.contains(s(u"Unfinished Array"))) << open.errors.toStdString();

    // An object cut short gains one empty member.
    const JsonResult cut = parse(u"{\"a\":\"x\"");
    EXPECT_EQ(cut.value.Item(u"a").toString(), s(u"x"));
    EXPECT_TRUE(cut.value.Exists(QString()));
    EXPECT_EQ(cut.value.Count(), 2);

    for (const char16_t *text : {u"[tru", u"[nul]", u"[fals, 1]"}) {
        const JsonResult r = parse(text);
        EXPECT_TRUE(r.value.isArray());
        EXPECT_FALSE(r.errors.isEmpty()) << QString::fromUtf16(text).toStdString();
    }
}

TEST(ParseJson, BoundsNestingDepthAndTheNumberOfValues)
{
    const QString deep = QString(20000, u'[') + QString(20000, u']');
    const JsonResult r = ParseJson(deep);
    EXPECT_TRUE(r.value.isArray());
    EXPECT_TRUE(r.errors.contains(s(u"Nesting deeper than 512 levels")));

    // Depth within the bound reads normally.
    const QString fine = QString(100, u'[') + QString(100, u']');
    EXPECT_TRUE(ParseJson(fine).errors.isEmpty());

    // Empty containers cost the reader far more than their three characters:
    // past the budget the text reads as no JSON at all.
    const auto flood = [](qsizetype count) -> QString {
        return u'[' + QStringLiteral("[],").repeated(count - 1) + u"[]]";
    };
    const JsonResult over = ParseJson(flood(MaxJsonValues));
    EXPECT_TRUE(over.value.isEmpty());
    EXPECT_EQ(over.errors, s(u"Invalid JSON"));
    const JsonResult within = ParseJson(flood(MaxJsonValues - 1));
    EXPECT_EQ(within.value.Count(), MaxJsonValues - 1);
    EXPECT_TRUE(within.errors.isEmpty());
}

// Every saved fuzz input goes through the fuzzer's own entry point, so a
// crash the fuzzer once found stays fixed in the ordinary build.
TEST(JsonCorpus, EveryFuzzInputIsReadSafely)
{
    const QDir corpus(QStringLiteral(FLAZZ_JSON_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << "no corpus at " FLAZZ_JSON_CORPUS;
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray bytes = readBytes(corpus.filePath(name));
        EXPECT_EQ(
            FuzzParseJson(reinterpret_cast<const std::uint8_t *>(bytes.constData()), size_t(bytes.size())),
            0);
    }
}
