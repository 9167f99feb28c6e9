#pragma once

#include "sandbox/StandinServer.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// What the stand-ins show and answer: small, self-contained HTML pages (no
// outside fetches) and answers of the usual kinds. The sign-in forms carry
// one <form method="post" action="..."> whose buttons are
// <button name="decision" value="...">, which scripts and tests press.
namespace Pages {

// HTML text, quotes included.
QString escape(const QString &text);

// A page whose heading is its title, over `body` (HTML).
QString page(const QString &title, const QString &body);
// A page of one paragraph of text under `title`, and no heading: the title
// is what a sign-in reads.
QString textPage(const QString &title, const QString &text);
// A sign-in form: one POST form to `action` with `hidden` fields and one
// button per (decision, caption); decisions are "approve", "refuse", or
// "approve:<scope>,<scope>" to grant only part of what was asked.
QString formPage(const QString &title, const QString &text, const QString &action,
                 const QList<std::pair<QString, QString>> &hidden,
                 const QList<std::pair<QString, QString>> &buttons);

// How a service's web site looks: its name in its colour over every page.
struct Look
{
    QString name;
    QString colour; // CSS colour of the bar
};
// A page of a service's web site. While `busy` (photos are arriving) it
// reloads itself every few seconds, so the user sees them land.
QString sitePage(const Look &look, const QString &title, const QString &body, bool busy = false);

// One photo a stand-in kept, as a page shows it.
struct Photo
{
    QString file;    // its path in the store, under the service's files
    QString caption; // what the service called it
};
// The photos as a grid of thumbnails served by the sandbox (SandboxStore::fileUrl),
// each linked to the whole photo; `empty` when there are none.
QString thumbnails(const QString &service, const QList<Photo> &photos,
                   const QString &empty = QStringLiteral("No photos yet."));
// The photos among a stand-in's records of what it kept (each with its file
// under "kept") that `in` picks, captioned by `captionKey` (else the "id").
QList<Photo> photosOf(const QJsonArray &records, const QString &captionKey,
                      const std::function<bool(const QJsonObject &)> &in);
// One album or folder: its name over its photos.
QString album(const QString &title, const QString &service, const QList<Photo> &photos,
              const QString &empty = QStringLiteral("No photos yet."));

// Each of `folders` (objects with an "id" and a `nameKey`) as an album:
// `prefix`, its name and "(id)" over the photos `photosIn` finds for the id.
QString folderAlbums(const QJsonArray &folders, const QString &nameKey, const QString &service,
                     const std::function<QList<Photo>(const QString &id)> &photosIn,
                     const QString &empty = QStringLiteral("No photos yet."), const QString &prefix = {});
// `html`, or a muted line saying `none` when it shows nothing.
QString orNone(const QString &html, const QString &none);

// What the page behind a desktop client's download link says in the sandbox.
QString desktopClientNote(const QString &client);

// The sandbox page's list of a service's accounts: "<h3>Accounts</h3>" and
// each account's name and id, from the state's "accounts".
QString accountsList(const QJsonObject &state);

StandinAnswer html(int status, const QString &page);
// A page() answered with `status`.
StandinAnswer htmlPage(int status, const QString &title, const QString &body);
StandinAnswer text(int status, const QString &text);
StandinAnswer json(int status, const QByteArray &body);
StandinAnswer json(int status, const QJsonObject &body);
StandinAnswer xml(int status, const QString &body);
StandinAnswer redirect(const QString &location);

} // namespace Pages
