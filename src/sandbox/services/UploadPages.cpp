#include "sandbox/services/UploadPages.h"

#include "sandbox/SandboxStore.h"

QString thumbnailRow(const QString &service, const QStringList &files)
{
    QString html = QStringLiteral("<div class=\"thumbs\">");
    for (const QString &file : files) {
        const QString url = SandboxStore::fileUrl(service, file).toHtmlEscaped();
        html += QStringLiteral("<figure><img src=\"%1\" alt=\"\" style=\"max-width:96px;max-height:96px\">"
                               "<figcaption>%2</figcaption></figure>")
                    .arg(url, file.toHtmlEscaped());
    }
    return html + QStringLiteral("</div>");
}
