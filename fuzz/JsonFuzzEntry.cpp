#include "JsonFuzzEntry.h"

#include "webkit/Json.h"

#include <cstdlib>

namespace {

// Returns the number of values seen, so the walk cannot be optimised away.
std::size_t walk(const JsonValue &value, int depth)
{
    // The reader bounds nesting; a deeper result means that bound failed.
    if (depth > MaxJsonDepth + 1)
        std::abort();
    std::size_t seen = 1;
    (void)value.toString();
    (void)value.toDouble();
    if (value.isObject()) {
        const QStringList keys = value.Keys();
        for (const QString &key : keys) {
            if (!value.Exists(key))
                std::abort();
            seen += walk(value.Item(key), depth + 1);
        }
    } else if (value.isArray()) {
        for (qsizetype i = 1; i <= value.Count(); ++i)
            seen += walk(value.Item(i), depth + 1);
        if (!value.Item(value.Count() + 1).isEmpty())
            std::abort();
    }
    return seen;
}

} // namespace

int FuzzParseJson(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const JsonResult result = ParseJson(text);
    const std::size_t seen = walk(result.value, 0);
    // Anything that is not an object or array must say why.
    if (!result.value.isObject() && !result.value.isArray() && result.errors != u"Invalid JSON")
        std::abort();
    return seen > 0 ? 0 : 1;
}
