#include "webservices/clsLifePics.h"

#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "imaging/PhotoMetadata.h"
#include "webkit/WebRequest.h"
#include "webkit/WebText.h"

#include <QFile>
#include <QUrl>

#include <pugixml.hpp>

#include <cstring>

namespace {

constexpr char16_t kFormPath[] = u"/v3/LPWebService.asmx/";
constexpr char16_t kSoapPath[] = u"/v3/LPWebService.asmx";

// A form value as the service's form reader expects it.
QString formValue(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString justFileName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return cut < 0 ? path : path.mid(cut + 1);
}

const char *localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node findElement(const pugi::xml_node &root, const char *name)
{
    return root.find_node([name](const pugi::xml_node &node) {
        return node.type() == pugi::node_element && std::strcmp(localName(node.name()), name) == 0;
    });
}

} // namespace

QString lifePicsElementText(const pugi::xml_document &document, const char *name)
{
    const pugi::xml_node node = findElement(document, name);
    if (!node)
        return {};
    return QString::fromUtf8(node.child_value());
}

clsLifePics::clsLifePics(ServiceConfig::LifePics config, AppState &state, UserPrompt &prompt, Hooks hooks)
    : m_config(std::move(config)), m_state(state), m_prompt(prompt), m_hooks(std::move(hooks)),
      m_request(std::make_unique<WebRequest>())
{
}

clsLifePics::~clsLifePics() = default;

void clsLifePics::status(const QString &text)
{
    if (m_hooks.statusChange)
        m_hooks.statusChange(text);
}

bool clsLifePics::cancelled() const
{
    return m_hooks.cancelled && m_hooks.cancelled();
}

void clsLifePics::pump()
{
    if (m_hooks.pump)
        m_hooks.pump();
}

void clsLifePics::fail(const QString &reason, bool connection)
{
    m_lastError = reason;
    m_connectionFailed = connection;
}

void clsLifePics::postForm(const QString &operation, const QString &body)
{
    m_lastError.clear();
    m_connectionFailed = false;
    m_request->open(QStringLiteral("POST"), m_config.service + kFormPath + operation);
    m_request->setRequestHeader(QStringLiteral("Content-Type"),
                                QStringLiteral("application/x-www-form-urlencoded"));
    m_request->setRequestHeader(QStringLiteral("Content-Length"), QString::number(body.size()));
    m_request->send(body);
}

// True when `operation` answered 200 with an `element` in it; otherwise the
// reason is kept.
bool clsLifePics::answered(const QString &operation, const QString &element)
{
    if (m_request->status() != 200) {
        fail(QStringLiteral("%1 answered HTTP %2").arg(operation).arg(m_request->status()));
        return false;
    }
    if (!findElement(m_request->responseXML(), element.toUtf8().constData())) {
        fail(QStringLiteral("%1 answered without %2").arg(operation, element));
        return false;
    }
    return true;
}

bool clsLifePics::InitiateSession()
{
    status(QStringLiteral("Connecting to ") + m_config.serviceName + QStringLiteral("..."));
    try {
        postForm(QStringLiteral("BeginPartnerSession"), u"PartnerID=" + formValue(m_config.partnerId) +
                                                            u"&Password=" +
                                                            formValue(m_config.partnerPassword));
    } catch (const WebRequestError &error) {
        fail(error.description(), true);
        return false;
    }
    if (!answered(QStringLiteral("BeginPartnerSession"), QStringLiteral("BeginPartnerSession")))
        return false;
    m_sessionId = lifePicsElementText(m_request->responseXML(), "SessionID");
    return true;
}

bool clsLifePics::GetUserId(const QString &email, const QString &password)
{
    status(QStringLiteral("Authenticating the user..."));
    try {
        postForm(QStringLiteral("GetUserID"), u"SessionID=" + formValue(m_sessionId) + u"&EmailAddress=" +
                                                  formValue(email) + u"&Password=" + formValue(password));
    } catch (const WebRequestError &error) {
        fail(error.description(), true);
        return false;
    }
    if (!answered(QStringLiteral("GetUserID"), QStringLiteral("GetUserID")))
        return false;
    const QString userId = lifePicsElementText(m_request->responseXML(), "UserID");
    if (userId.isNull()) {
        const QString said = lifePicsElementText(m_request->responseXML(), "ErrorMessage");
        fail(said.isEmpty() ? QStringLiteral("the service did not accept the e-mail and password") : said);
        return false;
    }
    m_userId = userId;
    m_merchantId = lifePicsElementText(m_request->responseXML(), "MerchantID");
    return true;
}

QByteArray clsLifePics::UploadEnvelope(const QString &apiNamespace, const QString &sessionId,
                                       const QString &partnerSourceId, const QString &userId,
                                       const QByteArray &fileBytes, const QString &fileName)
{
    QByteArray envelope;
    const QByteArray base64 = fileBytes.toBase64();
    envelope.reserve(base64.size() + 1024);
    envelope += "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                "<soap12:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""
                " xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\">"
                "<soap12:Body>"
                "<UploadFile xmlns=\"";
    envelope += apiNamespace.toUtf8();
    envelope += "\"><SessionID>";
    envelope += sessionId.toUtf8();
    envelope += "</SessionID><PartnerSourceID>";
    envelope += partnerSourceId.toUtf8();
    envelope += "</PartnerSourceID><UserID>";
    envelope += userId.toUtf8();
    envelope += "</UserID><FileBinaryArray>";
    envelope += base64;
    envelope += "</FileBinaryArray><FileStreamSize>";
    envelope += QByteArray::number(fileBytes.size());
    envelope += "</FileStreamSize><Filename>";
    envelope += XmlEscape(fileName).toUtf8();
    envelope += "</Filename></UploadFile></soap12:Body></soap12:Envelope>";
    return envelope;
}

bool clsLifePics::UploadFiles(const QString &photoList)
{
    m_lastError.clear();
    m_connectionFailed = false;
    m_leftOut.clear();
    const QStringList files = photoList.split(u'\t');
    try {
        for (int i = 0; i < files.size(); ++i) {
            pump();
            if (!m_state.InternetAvailable) {
                m_prompt.internetConnectionError();
                fail(QStringLiteral("the internet connection is lost"), true);
                return false;
            }
            if (cancelled()) {
                fail(QStringLiteral("cancelled"));
                return false;
            }
            status(QStringLiteral("Flazzing File %1 of %2 ...").arg(i + 1).arg(files.size()));

            const QString &path = files.at(i);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error(QStringLiteral("cannot read %1").arg(path).toStdString());
            // Prints are made from the original pixels; the metadata that
            // goes along is the user's choice, as for every destination.
            const QByteArray bytes =
                OriginalToSend(file.readAll(), MetadataRuleFor(m_state.KeepMetadata)).bytes;
            file.close();
            const QByteArray envelope =
                UploadEnvelope(m_config.apiNamespace, m_sessionId, m_config.partnerSourceId, m_userId, bytes,
                               justFileName(path));

            m_request->open(QStringLiteral("POST"), m_config.soap + kSoapPath);
            m_request->setRequestHeader(QStringLiteral("Content-Type"),
                                        QStringLiteral("application/soap+xml; charset=utf-8"));
            m_request->setRequestHeader(QStringLiteral("Content-Length"), QString::number(envelope.size()));
            m_request->sendBytes(envelope);

            const pugi::xml_document &answer = m_request->responseXML();
            const QString imageId = lifePicsElementText(answer, "ImageID");
            if (findElement(answer, "UploadFile") && !imageId.isEmpty()) {
                m_imageIds.append(imageId);
            } else {
                const QString said = lifePicsElementText(answer, "Text");
                m_leftOut.append(
                    path + u": " +
                    (said.isEmpty()
                         ? QStringLiteral("the service kept no image (HTTP %1)").arg(m_request->status())
                         : said));
            }

            pump();
            m_request->abort();
            if (cancelled()) {
                fail(QStringLiteral("cancelled"));
                return false;
            }
            if (m_hooks.uploadFileCount)
                m_hooks.uploadFileCount(i + 1);
        }
    } catch (const WebRequestError &error) {
        m_prompt.internetConnectionError();
        fail(error.description(), true);
        return false;
    } catch (const std::exception &error) {
        m_prompt.internetConnectionError();
        fail(QString::fromStdString(error.what()));
        return false;
    }
    status(QStringLiteral("Activity completed."));
    return true;
}

QString clsLifePics::ImagesXml(const QStringList &imageIds)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-16\"?><Images>");
    for (qsizetype i = 1; i < imageIds.size(); ++i)
        xml += u"<ImageID>" + imageIds.at(i) + u"</ImageID>";
    return xml + u"</Images>";
}

QString clsLifePics::AddImagesToCart()
{
    status(QStringLiteral("Adding images to cart..."));
    try {
        postForm(QStringLiteral("AddImagesToCart"),
                 u"SessionID=" + formValue(m_sessionId) + u"&MerchantID=" + formValue(m_merchantId) +
                     u"&PartnerSourceID=" + formValue(m_config.partnerSourceId) + u"&UserID=" +
                     formValue(m_userId) + u"&ImagesXML=" + formValue(ImagesXml(m_imageIds)));
    } catch (const WebRequestError &error) {
        fail(error.description(), true);
        return {};
    }
    if (!answered(QStringLiteral("AddImagesToCart"), QStringLiteral("AddImagesToCart")))
        return {};
    const QString url = lifePicsElementText(m_request->responseXML(), "AutoLoginURL");
    if (url.isEmpty())
        fail(QStringLiteral("AddImagesToCart answered without a cart address"));
    return url;
}

bool clsLifePics::TerminateSession()
{
    status(QStringLiteral("Closing connection with ") + m_config.serviceName + QStringLiteral("..."));
    try {
        postForm(QStringLiteral("EndSession"), u"SessionID=" + formValue(m_sessionId));
        if (!answered(QStringLiteral("EndSession"), QStringLiteral("EndSession")))
            return false;
        const QString said = lifePicsElementText(m_request->responseXML(), "Status");
        if (said.toLower() != u"success") {
            fail(QStringLiteral("EndSession answered \"%1\"").arg(said));
            return false;
        }
        return true;
    } catch (const std::exception &error) {
        fail(QString::fromStdString(error.what()), dynamic_cast<const WebRequestError *>(&error) != nullptr);
        return false;
    }
}
