#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

enum class FileAccess
{
    Default,
    OwnerOnly
};

// Replaces `path` with `bytes` so that a reader, or a crash at any moment,
// sees either the old file or the new one, never a truncated mix: the bytes go
// to a temporary file beside it, which is flushed and then renamed over the
// old name. OwnerOnly files (they hold tokens) are created with owner
// read/write permission only. Returns false and leaves `path` untouched on
// any failure.
bool writeFileAtomically(const QString &path, const QByteArray &bytes,
                         FileAccess access = FileAccess::Default);

} // namespace platform
