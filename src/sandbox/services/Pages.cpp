#include "sandbox/services/Pages.h"

#include "sandbox/SandboxStore.h"

#include <QJsonDocument>

namespace Pages {

namespace {

const QString kPlainStyle = QStringLiteral(
    "<style>body{font:14px/1.45 sans-serif;margin:40px;color:#333}"
    "img{max-width:160px;max-height:120px;vertical-align:middle;margin-right:12px}li{margin:6px 0}</style>");

QString head(const QString &title, const QString &extra = {})
{
    return u"<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + escape(title) + u"</title>" +
           extra + u"</head>\n";
}

} // namespace

QString escape(const QString &text)
{
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;"));
}

QString page(const QString &title, const QString &body)
{
    return head(title, kPlainStyle) + u"<body><h1>" + escape(title) + u"</h1>" + body + u"</body></html>\n";
}

QString textPage(const QString &title, const QString &text)
{
    return head(title) + u"<body><p>" + escape(text) + u"</p></body></html>\n";
}

QString formPage(const QString &title, const QString &text, const QString &action,
                 const QList<std::pair<QString, QString>> &hidden,
                 const QList<std::pair<QString, QString>> &buttons)
{
    QString out = head(title, kPlainStyle) + u"<body><h1>" + escape(title) + u"</h1><p>" + escape(text) +
                  u"</p>\n<form method=\"post\" action=\"" + escape(action) + u"\">\n";
    for (const auto &[name, value] : hidden)
        out += u"<input type=\"hidden\" name=\"" + escape(name) + u"\" value=\"" + escape(value) + u"\">\n";
    for (const auto &[decision, caption] : buttons)
        out += u"<button name=\"decision\" value=\"" + escape(decision) + u"\">" + escape(caption) +
               u"</button>\n";
    return out + u"</form></body></html>\n";
}

QString sitePage(const Look &look, const QString &title, const QString &body, bool busy)
{
    const QString style =
        u"<style>*{box-sizing:border-box}body{margin:0;font:14px/1.45 \"Segoe UI\",Calibri,\"DejaVu Sans\","
        u"sans-serif;color:#333;background:#f3f4f6}header{background:" +
        look.colour +
        u";color:#fff;padding:12px 24px;font-size:22px;font-weight:bold;letter-spacing:.5px}"
        u"header span{font-size:13px;font-weight:normal;opacity:.85;margin-left:12px;letter-spacing:0}"
        u"main{max-width:980px;margin:24px auto;padding:0 24px}h1{font-size:22px;margin:0 0 16px}"
        u"h2{font-size:17px;margin:0 0 10px}section{background:#fff;border:1px solid #dde1e6;"
        u"border-radius:6px;padding:16px;margin-bottom:16px}section>p:first-child{margin-top:0}a{color:" +
        look.colour +
        u"}h3{font-size:15px;margin:0 0 10px}.album{background:#fff;border:1px solid "
        u"#dde1e6;border-radius:6px;"
        u"padding:16px;margin-bottom:16px}.grid{display:flex;flex-wrap:wrap;gap:12px}figure{margin:0;width:"
        u"160px}"
        u"figure img{width:160px;height:120px;object-fit:cover;border-radius:4px;background:#e6e8eb;"
        u"display:block}figcaption{font-size:12px;color:#555;margin-top:4px;overflow:hidden;"
        u"text-overflow:ellipsis;white-space:nowrap}.muted{color:#777}"
        u"footer{max-width:980px;margin:0 auto 24px;padding:0 24px;color:#888;font-size:12px}"
        u"table{border-collapse:collapse;font-size:90%}td,th{padding:2px 8px;text-align:left}"
        u"form.inline{display:inline}.base{color:#777}</style>";
    // Photos go on arriving after the program opened the page: it looks
    // again while they do, and stays still otherwise (a form being filled in
    // is not wiped).
    const QString refresh = busy ? QStringLiteral("<meta http-equiv=\"refresh\" content=\"3\">") : QString();
    return head(look.name + u" - " + title, refresh + style) + u"<body><header>" + escape(look.name) +
           u"<span>sandbox</span></header><main><h1>" + escape(title) + u"</h1>" + body +
           u"</main><footer>Played on this machine by the Flazz sandbox; nothing here leaves it.</footer>"
           u"</body></html>\n";
}

QString thumbnails(const QString &service, const QList<Photo> &photos, const QString &empty)
{
    if (photos.isEmpty())
        return u"<p class=\"muted\">" + escape(empty) + u"</p>";
    QString out = QStringLiteral("<div class=\"grid\">");
    for (const Photo &photo : photos) {
        const QString url = escape(SandboxStore::fileUrl(service, photo.file));
        out += u"<figure><a href=\"" + url + u"\"><img src=\"" + url + u"?thumb=240\" alt=\"" +
               escape(photo.caption) + u"\" loading=\"lazy\"></a><figcaption>" + escape(photo.caption) +
               u"</figcaption></figure>";
    }
    return out + u"</div>";
}

QList<Photo> photosOf(const QJsonArray &records, const QString &captionKey,
                      const std::function<bool(const QJsonObject &)> &in)
{
    QList<Photo> out;
    for (const QJsonValue &value : records) {
        const QJsonObject record = value.toObject();
        if (in(record))
            out.append({record.value(u"kept").toString(),
                        record.value(captionKey).toString(record.value(u"id").toString())});
    }
    return out;
}

QString album(const QString &title, const QString &service, const QList<Photo> &photos, const QString &empty)
{
    return u"<div class=\"album\"><h3>" + escape(title) + u"</h3>" + thumbnails(service, photos, empty) +
           u"</div>";
}

QString folderAlbums(const QJsonArray &folders, const QString &nameKey, const QString &service,
                     const std::function<QList<Photo>(const QString &id)> &photosIn, const QString &empty,
                     const QString &prefix)
{
    QString out;
    for (const QJsonValue &value : folders) {
        const QJsonObject folder = value.toObject();
        const QString id = folder.value(u"id").toString();
        out += album(prefix + folder.value(nameKey).toString() + u" (" + id + u')', service, photosIn(id),
                     empty);
    }
    return out;
}

QString orNone(const QString &html, const QString &none)
{
    return html.isEmpty() ? u"<p class=\"muted\">" + escape(none) + u"</p>" : html;
}

QString desktopClientNote(const QString &client)
{
    return u"<section><p>In the sandbox there is nothing to install. Without the " + escape(client) +
           u" desktop client, Flazz hands your photos to its background uploader, which sends them to the "
           u"sandbox's " +
           escape(client) + u"; they show up on its site and on the sandbox page.</p></section>";
}

QString accountsList(const QJsonObject &state)
{
    QString out = QStringLiteral("<h3>Accounts</h3><ul>");
    const QJsonObject accounts = state.value(u"accounts").toObject();
    for (auto it = accounts.begin(); it != accounts.end(); ++it)
        out += u"<li>" + escape(it.value().toObject().value(u"name").toString()) + u" (" + escape(it.key()) +
               u")</li>";
    return out + u"</ul>";
}

StandinAnswer html(int status, const QString &page)
{
    return StandinAnswer{status, {{"Content-Type", "text/html; charset=utf-8"}}, page.toUtf8()};
}

StandinAnswer htmlPage(int status, const QString &title, const QString &body)
{
    return html(status, page(title, body));
}

StandinAnswer text(int status, const QString &text)
{
    return StandinAnswer{status, {{"Content-Type", "text/plain; charset=utf-8"}}, text.toUtf8()};
}

StandinAnswer json(int status, const QByteArray &body)
{
    return StandinAnswer{status, {{"Content-Type", "application/json; charset=UTF-8"}}, body};
}

StandinAnswer json(int status, const QJsonObject &body)
{
    return json(status, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

StandinAnswer xml(int status, const QString &body)
{
    return StandinAnswer{status, {{"Content-Type", "text/xml; charset=utf-8"}}, body.toUtf8()};
}

StandinAnswer redirect(const QString &location)
{
    return StandinAnswer{302, {{"Location", location.toUtf8()}, {"Content-Type", "text/html"}}, QByteArray()};
}

} // namespace Pages
