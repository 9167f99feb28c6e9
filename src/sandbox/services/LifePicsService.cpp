#include "sandbox/services/LifePicsService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/Pages.h"
#include "webkit/ServiceConfig.h"
#include "webkit/WebText.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>

#include <pugixml.hpp>

#include <cstring>

namespace {

const QString kService = QStringLiteral("LifePics");
constexpr char kFormPath[] = "/v3/LPWebService.asmx/";
constexpr char kSoapPath[] = "/v3/LPWebService.asmx";
constexpr char kSoap12[] = "http://www.w3.org/2003/05/soap-envelope";
constexpr char kXsi[] = "http://www.w3.org/2001/XMLSchema-instance";
constexpr char kXsd[] = "http://www.w3.org/2001/XMLSchema";
constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
// Photos larger than this are refused, as the service refused them.
constexpr qsizetype kMaxPhotoBytes = 64 * 1024 * 1024;

QString randomHex(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char &c : raw)
        c = char(QRandomGenerator::global()->bounded(256));
    return QString::fromLatin1(raw.toHex());
}

QByteArray ns()
{
    return LifePicsService::apiNamespace().toUtf8();
}

// An answer of a form endpoint: the method's result element.
StandinAnswer xmlAnswer(const char *element, const QString &inner)
{
    StandinAnswer a;
    a.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
    a.body = QByteArray(kDeclaration) + '<' + element + " xmlns=\"" + ns() + "\">" + inner.toUtf8() + "</" +
             element + '>';
    return a;
}

QString textElement(const char *name, const QString &value)
{
    return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(name), XmlEscape(value));
}

// What an ASP.NET web method that throws answers: a 500 with the message.
StandinAnswer methodError(const QString &message)
{
    return {500, {{"Content-Type", "text/plain; charset=utf-8"}}, message.toUtf8()};
}

StandinAnswer soapFault(int status, const char *code, const QString &reason)
{
    StandinAnswer a;
    a.status = status;
    a.headers = {{"Content-Type", "application/soap+xml; charset=utf-8"}};
    a.body = QByteArray(kDeclaration) + "<soap:Envelope xmlns:soap=\"" + kSoap12 +
             "\"><soap:Body><soap:Fault>" + "<soap:Code><soap:Value>soap:" + code +
             "</soap:Value></soap:Code><soap:Reason><soap:Text xml:lang=\"en\">" +
             XmlEscape(reason).toUtf8() +
             "</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>";
    return a;
}

bool isForm(const StandinRequest &r)
{
    return r.header("Content-Type").trimmed().toLower().startsWith("application/x-www-form-urlencoded") &&
           r.hasHeader("Content-Length");
}

// The open session a request names, or why there is none.
bool openSession(const QJsonObject &state, const QString &sessionId, QString *account, QString *problem)
{
    const QJsonObject session = state.value(u"tokens").toObject().value(sessionId).toObject();
    if (sessionId.isEmpty() || session.isEmpty()) {
        *problem = QStringLiteral("Invalid SessionID.");
        return false;
    }
    if (session.value(u"expired").toBool()) {
        *problem = QStringLiteral("The session has ended.");
        return false;
    }
    *account = session.value(u"account").toString();
    return true;
}

const Pages::Look kLook{QStringLiteral("LifePics"), QStringLiteral("#e35205")};

// Where a person trying the sandbox finds how to sign in.
QString accountNote()
{
    return u"<section><p>Sign in to print as <b>" + QLatin1String(LifePicsService::DemoEmail) +
           u"</b> with the password <b>" + QLatin1String(LifePicsService::DemoPassword) +
           u"</b>: the sandbox's print account.</p></section>";
}

void seedDemoAccount(SandboxStore &store)
{
    if (!store.state(kService).value(u"accounts").toObject().isEmpty())
        return;
    LifePicsService::addAccount(store, QString::fromLatin1(LifePicsService::DemoEmail),
                                QString::fromLatin1(LifePicsService::DemoPassword),
                                QStringLiteral("Sandbox Printer"));
}

const char *localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

struct Upload
{
    QString sessionId, partnerSourceId, userId, base64, fileName;
    qint64 size = -1;
};

// Reads the upload envelope as the service's SOAP 1.2 reader would, and
// refuses anything out of shape; `problem` says what.
bool readEnvelope(const StandinRequest &r, Upload *upload, QString *problem)
{
    if (r.header("Content-Type").trimmed() != "application/soap+xml; charset=utf-8") {
        *problem = QStringLiteral("Content-Type must be application/soap+xml; charset=utf-8");
        return false;
    }
    if (!r.body.startsWith(kDeclaration)) {
        *problem = QStringLiteral("The envelope must open with the UTF-8 XML declaration.");
        return false;
    }
    pugi::xml_document doc;
    if (!doc.load_buffer(r.body.constData(), size_t(r.body.size()), pugi::parse_default,
                         pugi::encoding_utf8)) {
        *problem = QStringLiteral("The envelope is not well-formed XML.");
        return false;
    }
    const pugi::xml_node envelope = doc.document_element();
    const pugi::xml_node body = envelope.first_child();
    const pugi::xml_node call = body.first_child();
    if (std::strcmp(envelope.name(), "soap12:Envelope") != 0 ||
        std::strcmp(envelope.attribute("xmlns:soap12").value(), kSoap12) != 0 ||
        std::strcmp(envelope.attribute("xmlns:xsi").value(), kXsi) != 0 ||
        std::strcmp(envelope.attribute("xmlns:xsd").value(), kXsd) != 0 ||
        std::strcmp(body.name(), "soap12:Body") != 0 || body.next_sibling()) {
        *problem = QStringLiteral("Not a SOAP 1.2 envelope with one body.");
        return false;
    }
    if (std::strcmp(call.name(), "UploadFile") != 0 || ns() != call.attribute("xmlns").value() ||
        call.next_sibling()) {
        *problem = QStringLiteral("The body must hold one UploadFile of the service's namespace.");
        return false;
    }
    static const char *const kParts[] = {"SessionID",       "PartnerSourceID", "UserID",
                                         "FileBinaryArray", "FileStreamSize",  "Filename"};
    QStringList values;
    pugi::xml_node part = call.first_child();
    for (const char *expected : kParts) {
        if (!part || std::strcmp(localName(part.name()), expected) != 0 || part.first_child().first_child()) {
            *problem = QStringLiteral("UploadFile must hold %1 here.").arg(QLatin1String(expected));
            return false;
        }
        values << QString::fromUtf8(part.child_value());
        part = part.next_sibling();
    }
    if (part) {
        *problem = QStringLiteral("UploadFile holds more than it should.");
        return false;
    }
    bool sizeOk = false;
    *upload = {values[0], values[1], values[2], values[3], values[5], values[4].toLongLong(&sizeOk)};
    if (!sizeOk || upload->size < 0) {
        *problem = QStringLiteral("FileStreamSize is not a number.");
        return false;
    }
    return true;
}

} // namespace

QString LifePicsService::apiNamespace()
{
    return ServiceConfig::defaults().lifePics.apiNamespace;
}

QString LifePicsService::addAccount(SandboxStore &store, const QString &email, const QString &password,
                                    const QString &name)
{
    QString id;
    store.update(kService, [&](QJsonObject &state) {
        QJsonObject accounts = state.value(u"accounts").toObject();
        id = QString::number(70001 + accounts.size());
        accounts.insert(id,
                        QJsonObject{{QStringLiteral("name"), name},
                                    {QStringLiteral("email"), email},
                                    {QStringLiteral("password"), password},
                                    {QStringLiteral("merchant"), QString::number(1200 + accounts.size())}});
        state.insert(u"accounts", accounts);
    });
    return id;
}

void LifePicsService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.lifePics.service = baseUrl;
    config.lifePics.soap = baseUrl;
    config.lifePics.site = baseUrl;
    config.lifePics.apiNamespace = apiNamespace();
    config.lifePics.partnerId = QString::fromLatin1(PartnerId);
    config.lifePics.partnerPassword = QString::fromLatin1(PartnerPassword);
    config.lifePics.partnerSourceId = QString::fromLatin1(PartnerSourceId);
}

void LifePicsService::install(StandinServer &server, SandboxStore &store)
{
    seedDemoAccount(store);
    const QString base = server.baseUrl();

    server.answer("POST", QByteArray(kFormPath) + "BeginPartnerSession", [&store](const StandinRequest &r) {
        if (!isForm(r))
            return methodError(QStringLiteral("Request format is invalid."));
        if (r.formValue(QStringLiteral("PartnerID")) != QLatin1String(PartnerId) ||
            r.formValue(QStringLiteral("Password")) != QLatin1String(PartnerPassword))
            return methodError(QStringLiteral("Invalid partner credentials."));
        const QString sessionId = randomHex(16);
        store.update(kService, [&](QJsonObject &state) {
            QJsonObject tokens = state.value(u"tokens").toObject();
            tokens.insert(sessionId, QJsonObject{{QStringLiteral("secret"), QString()},
                                                 {QStringLiteral("account"), QString()},
                                                 {QStringLiteral("expired"), false}});
            state.insert(u"tokens", tokens);
        });
        return xmlAnswer("BeginPartnerSession", textElement("SessionID", sessionId));
    });

    server.answer("POST", QByteArray(kFormPath) + "GetUserID", [&store](const StandinRequest &r) {
        if (!isForm(r))
            return methodError(QStringLiteral("Request format is invalid."));
        const QString sessionId = r.formValue(QStringLiteral("SessionID"));
        const QString email = r.formValue(QStringLiteral("EmailAddress")).trimmed();
        const QString password = r.formValue(QStringLiteral("Password"));
        QString found, merchant, problem, ignored;
        store.update(kService, [&](QJsonObject &state) {
            if (!openSession(state, sessionId, &ignored, &problem))
                return;
            const QJsonObject accounts = state.value(u"accounts").toObject();
            for (auto it = accounts.begin(); it != accounts.end(); ++it) {
                const QJsonObject account = it.value().toObject();
                if (account.value(u"email").toString().compare(email, Qt::CaseInsensitive) == 0 &&
                    account.value(u"password").toString() == password) {
                    found = it.key();
                    merchant = account.value(u"merchant").toString();
                }
            }
            if (found.isEmpty()) {
                problem = QStringLiteral("Invalid e-mail address or password.");
                return;
            }
            QJsonObject tokens = state.value(u"tokens").toObject();
            QJsonObject session = tokens.value(sessionId).toObject();
            session.insert(u"account", found);
            tokens.insert(sessionId, session);
            state.insert(u"tokens", tokens);
        });
        if (found.isEmpty())
            return xmlAnswer("GetUserID", textElement("ErrorMessage", problem));
        return xmlAnswer("GetUserID", textElement("UserID", found) + textElement("MerchantID", merchant));
    });

    server.answer("POST", kSoapPath, [&store](const StandinRequest &r) {
        Upload upload;
        QString problem;
        if (!readEnvelope(r, &upload, &problem))
            return soapFault(400, "Sender", problem);
        const QByteArray bytes =
            QByteArray::fromBase64(upload.base64.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (bytes.isEmpty() || bytes.size() != upload.size)
            return soapFault(400, "Sender",
                             QStringLiteral("FileBinaryArray does not decode to FileStreamSize bytes."));
        if (bytes.size() > kMaxPhotoBytes)
            return soapFault(400, "Sender", QStringLiteral("The file is too large."));
        if (upload.partnerSourceId != QLatin1String(PartnerSourceId))
            return soapFault(400, "Sender", QStringLiteral("Unknown PartnerSourceID."));
        if (upload.fileName.trimmed().isEmpty())
            return soapFault(400, "Sender", QStringLiteral("Filename is empty."));
        QString account;
        if (!openSession(store.state(kService), upload.sessionId, &account, &problem))
            return soapFault(400, "Sender", problem);
        if (account.isEmpty() || account != upload.userId)
            return soapFault(400, "Sender",
                             QStringLiteral("The UserID is not signed in within this session."));
        const QString kept = store.keepFile(kService, account + u'/' + upload.fileName, bytes);
        if (kept.isEmpty())
            return soapFault(500, "Receiver", QStringLiteral("The file could not be kept."));
        QString imageId;
        store.update(kService, [&](QJsonObject &state) {
            const int next = state.value(u"nextImage").toInt(880001);
            imageId = QString::number(next);
            QJsonObject images = state.value(u"images").toObject();
            images.insert(imageId, QJsonObject{{QStringLiteral("account"), account},
                                               {QStringLiteral("file"), kept},
                                               {QStringLiteral("name"), upload.fileName},
                                               {QStringLiteral("bytes"), double(bytes.size())}});
            state.insert(u"images", images);
            state.insert(u"nextImage", next + 1);
        });
        StandinAnswer a;
        a.headers = {{"Content-Type", "application/soap+xml; charset=utf-8"}};
        a.body = QByteArray(kDeclaration) + "<soap:Envelope xmlns:soap=\"" + kSoap12 + "\"><soap:Body>" +
                 "<UploadFileResponse xmlns=\"" + ns() + "\"><UploadFileResult><UploadFile><ImageID>" +
                 imageId.toUtf8() + "</ImageID></UploadFile></UploadFileResult></UploadFileResponse>" +
                 "</soap:Body></soap:Envelope>";
        return a;
    });

    server.answer("POST", QByteArray(kFormPath) + "AddImagesToCart", [&store, base](const StandinRequest &r) {
        if (!isForm(r))
            return methodError(QStringLiteral("Request format is invalid."));
        const QString sessionId = r.formValue(QStringLiteral("SessionID"));
        const QString userId = r.formValue(QStringLiteral("UserID"));
        const QByteArray imagesXml = r.formValue(QStringLiteral("ImagesXML")).toUtf8();
        pugi::xml_document doc;
        if (imagesXml.isEmpty() ||
            !doc.load_buffer(imagesXml.constData(), size_t(imagesXml.size()),
                             pugi::parse_default | pugi::parse_declaration, pugi::encoding_utf8) ||
            std::strcmp(doc.document_element().name(), "Images") != 0)
            return methodError(QStringLiteral("ImagesXML is not an Images list."));
        QStringList ids;
        for (const pugi::xml_node &id : doc.document_element().children("ImageID"))
            ids << QString::fromUtf8(id.child_value()).trimmed();

        QString problem, token;
        store.update(kService, [&](QJsonObject &state) {
            QString account;
            if (!openSession(state, sessionId, &account, &problem))
                return;
            const QJsonObject user = state.value(u"accounts").toObject().value(account).toObject();
            if (account.isEmpty() || account != userId) {
                problem = QStringLiteral("The UserID is not signed in within this session.");
                return;
            }
            if (r.formValue(QStringLiteral("MerchantID")) != user.value(u"merchant").toString() ||
                r.formValue(QStringLiteral("PartnerSourceID")) != QLatin1String(PartnerSourceId)) {
                problem = QStringLiteral("Unknown MerchantID or PartnerSourceID.");
                return;
            }
            const QJsonObject images = state.value(u"images").toObject();
            for (const QString &id : std::as_const(ids)) {
                if (images.value(id).toObject().value(u"account").toString() != account) {
                    problem = QStringLiteral("Image %1 is not the user's.").arg(id);
                    return;
                }
            }
            QJsonObject carts = state.value(u"carts").toObject();
            QJsonArray cart = carts.value(account).toArray();
            for (const QString &id : std::as_const(ids))
                cart.append(id);
            carts.insert(account, cart);
            state.insert(u"carts", carts);
            token = randomHex(12);
            QJsonObject logins = state.value(u"logins").toObject();
            logins.insert(token, account);
            state.insert(u"logins", logins);
        });
        if (token.isEmpty())
            return methodError(problem);
        return xmlAnswer(
            "AddImagesToCart",
            textElement("AutoLoginURL", base + QStringLiteral("/AutoLogin.aspx?token=") + token));
    });

    server.answer("POST", QByteArray(kFormPath) + "EndSession", [&store](const StandinRequest &r) {
        if (!isForm(r))
            return methodError(QStringLiteral("Request format is invalid."));
        const QString sessionId = r.formValue(QStringLiteral("SessionID"));
        bool ended = false;
        store.update(kService, [&](QJsonObject &state) {
            QString account, problem;
            if (!openSession(state, sessionId, &account, &problem))
                return;
            QJsonObject tokens = state.value(u"tokens").toObject();
            QJsonObject session = tokens.value(sessionId).toObject();
            session.insert(u"expired", true);
            tokens.insert(sessionId, session);
            state.insert(u"tokens", tokens);
            ended = true;
        });
        return xmlAnswer("EndSession",
                         textElement("Status", ended ? QStringLiteral("Success") : QStringLiteral("Failed")));
    });

    // The cart, signed in by the address the cart request gave out.
    server.answer("GET", "/AutoLogin.aspx", [&store](const StandinRequest &r) {
        const QString token = r.queryValue(QStringLiteral("token"));
        const QJsonObject state = store.state(kService);
        const QString account = state.value(u"logins").toObject().value(token).toString();
        if (token.isEmpty() || account.isEmpty())
            return Pages::htmlPage(403, QStringLiteral("Sign in"),
                                   QStringLiteral("<p>This sign-in link is not valid.</p>"));
        const QJsonObject user = state.value(u"accounts").toObject().value(account).toObject();
        const QJsonObject images = state.value(u"images").toObject();
        const QJsonArray cart = state.value(u"carts").toObject().value(account).toArray();
        QString list;
        for (const QJsonValue &id : cart) {
            const QJsonObject image = images.value(id.toString()).toObject();
            list += u"<figure><img src=\"/CartImage.aspx?token=" + token + u"&amp;id=" + id.toString() +
                    u"\" alt=\"\"><figcaption>" + XmlEscape(image.value(u"name").toString()) +
                    u"</figcaption><figcaption class=\"muted\">4&times;6 glossy &middot; image " +
                    id.toString() + u"</figcaption></figure>";
        }
        const QString body = u"<section><p>Signed in as " + XmlEscape(user.value(u"email").toString()) +
                             u".</p><p>" + QString::number(cart.size()) +
                             u" photo(s) in your cart.</p><div class=\"grid\" id=\"cart\">" + list +
                             u"</div></section>";
        return Pages::html(200, Pages::sitePage(kLook, QStringLiteral("Your print cart"), body));
    });

    server.answer("GET", "/CartImage.aspx", [&store](const StandinRequest &r) {
        const QJsonObject state = store.state(kService);
        const QString account =
            state.value(u"logins").toObject().value(r.queryValue(QStringLiteral("token"))).toString();
        const QJsonObject image =
            state.value(u"images").toObject().value(r.queryValue(QStringLiteral("id"))).toObject();
        if (account.isEmpty() || image.value(u"account").toString() != account)
            return StandinAnswer{404, {}, "no such image"};
        const QString name = image.value(u"file").toString().toLower();
        const QByteArray type = name.endsWith(u".png")   ? "image/png"
                                : name.endsWith(u".gif") ? "image/gif"
                                : name.endsWith(u".bmp") ? "image/bmp"
                                                         : "image/jpeg";
        return StandinAnswer{
            200, {{"Content-Type", type}}, store.fileBytes(kService, image.value(u"file").toString())};
    });

    // The print shop's own pages: its home, and the two the Print window links to.
    server.answer("GET", "/", [&store](const StandinRequest &) {
        const qsizetype photos = store.state(kService).value(u"images").toObject().size();
        return Pages::html(200, Pages::sitePage(kLook, QStringLiteral("Prints of your photos, at your door"),
                                                accountNote() + u"<section><p>" + QString::number(photos) +
                                                    u" photo(s) uploaded for printing so far.</p></section>",
                                                store.changedLately({kService})));
    });
    server.answer("GET", "/Order-Prints.asp", [](const StandinRequest &r) {
        return Pages::html(200,
                           Pages::sitePage(kLook, QStringLiteral("Create an account"),
                                           u"<section><p>The sandbox makes no new accounts (partner source " +
                                               XmlEscape(r.queryValue(QStringLiteral("psrc"))) +
                                               u").</p></section>" + accountNote()));
    });
    server.answer("GET", "/Help/passwordfinder.aspx", [](const StandinRequest &) {
        return Pages::html(200, Pages::sitePage(kLook, QStringLiteral("Password finder"), accountNote()));
    });
}

QString LifePicsService::notice() const
{
    return accountNote();
}

QString LifePicsService::pageSection(const SandboxStore &store) const
{
    const QJsonObject state = store.state(kService);
    QString html = QStringLiteral("<h3>Accounts</h3><ul>");
    const QJsonObject accounts = state.value(u"accounts").toObject();
    for (auto it = accounts.begin(); it != accounts.end(); ++it)
        html += u"<li>" + XmlEscape(it.value().toObject().value(u"email").toString()) + u" (user " +
                it.key() + u")</li>";
    html += u"</ul>";
    const QJsonObject images = state.value(u"images").toObject();
    const QJsonObject carts = state.value(u"carts").toObject();
    for (auto it = carts.begin(); it != carts.end(); ++it) {
        QList<Pages::Photo> cart;
        for (const QJsonValue &id : it.value().toArray()) {
            const QJsonObject image = images.value(id.toString()).toObject();
            cart.append({image.value(u"file").toString(), image.value(u"name").toString()});
        }
        html += Pages::album(u"Cart of " + accounts.value(it.key()).toObject().value(u"email").toString(),
                             kService, cart);
    }
    return html + u"<p>" + QString::number(images.size()) + u" photo(s) uploaded in all.</p>";
}
