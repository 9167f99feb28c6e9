#pragma once

#include <QString>
#include <QStringList>

// Where every online service lives and how the program identifies itself to
// it. Each address is a scheme and host (optionally a port), without a
// trailing "/"; callers append the documented paths, e.g.
//   config.facebook.graph + u"/me"
// The compiled defaults are the real services; an INI file named by the
// environment variable FLAZZ_SERVICES or the option "--services FILE"
// overrides any of them, so tests and demos can point everything at a local
// stand-in. Credentials here are placeholders for the registered ones.
struct ServiceConfig
{
    struct Facebook
    {
        QString web;        // https: OAuth dialog, report dialog, site opened after an upload
        QString loginPages; // http: the sign-in success and failure pages
        QString graph;      // https: Graph API (/me, /me/permissions, /me/albums)
        QString restApi;    // https: FQL endpoint (/method/fql.query)
        QString appId;      // 15 decimal digits; "auth.txt" may replace it at run time
    } facebook;

    struct Flickr
    {
        QString rest; // http: /services/rest/
        QString auth; // http: the authorization page /services/auth/
        QString site; // https: opened after an upload
        QString apiKey;
        QString sharedSecret;
        QString upload; // https: photo uploads, /services/upload/
    } flickr;

    struct Dropbox
    {
        QString api;        // https: OAuth 1.0 and the version 1 API
        QString apiContent; // https: file contents
        QString web;        // https: authorization page and /home
        QString consumerKey;
        QString consumerSecret;
    } dropbox;

    struct Google
    {
        QString accounts; // https: /o/oauth2/auth, /o/oauth2/approval, /o/oauth2/token
        QString drive;    // https: /drive/v2/files
        QString userInfo; // https: /oauth2/v1/userinfo
        QString site;     // https: the Drive web site opened after an upload
        QString clientId;
        QString clientSecret;
    } google;

    struct Live
    {
        QString login; // https: /oauth20_authorize.srf, /oauth20_desktop.srf, /oauth20_token.srf
        QString apis;  // https: /v5.0/...
        QString site;  // https: the SkyDrive web site opened after an upload
        QString clientId;
    } live;

    struct LifePics
    {
        QString service;      // https: the form endpoints under /v3/LPWebService.asmx/
        QString soap;         // http: the SOAP endpoint /v3/LPWebService.asmx
        QString site;         // http: /Order-Prints.asp, /Help/passwordfinder.aspx
        QString apiNamespace; // the namespace URI of the upload envelope (ends with "/v3/")
        QString serviceName;  // the name shown in status and message texts
        QString partnerId;
        QString partnerPassword;
        QString partnerSourceId;
    } lifePics;

    // Download pages of the desktop clients that keep a local folder in
    // step; offered when a client is missing.
    struct DesktopClients
    {
        QString dropbox;
        QString googleDrive;
        QString skyDrive;
    } desktopClients;

    struct Product
    {
        QString site;       // https: product web site; "/howitworks.html" and "/flazzads.html" live there
        QString brandSite;  // https: opened by the "limitations" link
        QString howItWorks; // full address of the explanation page
        QString ads;        // full address of the advertising page
    } product;

    // The rclone configuration file Flazz's rclone uses; empty for rclone's
    // own choice (RCLONE_CONFIG, then its default), which is the user's.
    struct Rclone
    {
        QString config;
    } rclone;

    // The compiled-in configuration.
    static ServiceConfig defaults();

    // The defaults, then the file named by "--services FILE" (or
    // "--services=FILE") in `arguments`, else by FLAZZ_SERVICES. Keys the
    // file does not know are reported with qWarning and otherwise ignored. A
    // named file that cannot be read leaves the defaults, with the reason in
    // `unreadable` when given (else reported with qWarning): callers that
    // can say so stop rather than reach the real services unasked.
    static ServiceConfig load(const QStringList &arguments, QString *unreadable = nullptr);

    // Applies the INI file at `path` over this configuration. Returns false
    // and sets `error` when the file is missing or unreadable; unknown keys
    // are listed in `error` but do not fail the call.
    bool applyFile(const QString &path, QString *error = nullptr);

    // The path named by the arguments or the environment; empty when none.
    static QString overridePath(const QStringList &arguments);

    // Every "Group/Key" the override file understands, in file order.
    static QStringList keys();

    // The value of one "Group/Key" of keys(); a null QString for an unknown
    // key, and setValue() then returns false.
    QString value(const QString &key) const;
    bool setValue(const QString &key, const QString &value);
};
