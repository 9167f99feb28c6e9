#include "imaging/PhotoMetadata.h"

#include "imaging/MetadataRule.h"

using namespace metadata;

namespace {

Rewrite rewriteOf(const QByteArray &photo, MetadataRule rule)
{
    const Container *container = rule == MetadataRule::StoryOnly ? containerOf(photo) : nullptr;
    return container ? container->original(photo, rule) : Rewrite();
}

} // namespace

namespace metadata {

const Container *containerOf(const QByteArray &bytes)
{
    for (const Container *container : {&jpegContainer(), &pngContainer()}) {
        if (container->recognises(bytes))
            return container;
    }
    return nullptr;
}

} // namespace metadata

SentPhoto OriginalToSend(const QByteArray &photo, MetadataRule rule)
{
    const Rewrite rewrite = rewriteOf(photo, rule);
    if (!rewrite.changed)
        return {photo, {}};
    return {rewrite.pieces.join(), rewrite.withheld.names()};
}

qint64 OriginalSizeToSend(const QByteArray &photo, MetadataRule rule, QStringList *withheld)
{
    const Rewrite rewrite = rewriteOf(photo, rule);
    if (withheld)
        *withheld = rewrite.changed ? rewrite.withheld.names() : QStringList();
    return rewrite.changed ? rewrite.pieces.size() : photo.size();
}

SentPhoto CopyToSend(const QByteArray &source, const QByteArray &copy, MetadataRule rule)
{
    const Container *container = containerOf(source);
    if (container && container->recognises(copy))
        return container->copy(source, copy, rule);
    return {copy, {}};
}

qint64 CopyMetadataSize(const QByteArray &source, MetadataRule rule)
{
    const Container *container = containerOf(source);
    const std::optional<Found> found = container ? container->found(source) : std::nullopt;
    if (!found)
        return 0;
    // Any size will do: only the dimension tags' values depend on it.
    return container->blocks(*found, decide(*found, rule, QSize(1024, 768), container->segmented())).size();
}

QStringList MetadataKinds()
{
    return allKinds();
}

int PhotoOrientation(const QByteArray &photo)
{
    const Container *container = containerOf(photo);
    const std::optional<Found> found = container ? container->found(photo) : std::nullopt;
    return found && !found->exif.isEmpty() ? orientationOf(found->exif) : 1;
}
