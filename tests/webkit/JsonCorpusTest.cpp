#include "JsonFuzzEntry.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Every saved fuzz input goes through the fuzzer's own entry point, so a
// crash the fuzzer once found stays fixed in the ordinary build.
TEST(JsonCorpus, EveryFuzzInputIsReadSafely)
{
    const QDir corpus(QStringLiteral(FLAZZ_JSON_CORPUS));
    const QStringList files = corpus.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << "no corpus at " FLAZZ_JSON_CORPUS;
    for (const QString &name : files) {
        QFile f(corpus.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = f.readAll();
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(
            FuzzParseJson(reinterpret_cast<const std::uint8_t *>(bytes.constData()), size_t(bytes.size())),
            0);
    }
}
