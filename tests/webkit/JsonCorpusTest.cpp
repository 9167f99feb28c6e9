#include "JsonFuzzEntry.h"
#include "support/TestText.h"

#include <QDir>

#include <gtest/gtest.h>

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
