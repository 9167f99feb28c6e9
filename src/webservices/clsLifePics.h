#pragma once

#include "webkit/Service.h"
#include "webkit/ServiceConfig.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct AppState;
class UserPrompt;
class WebRequest;
namespace pugi {
class xml_document;
}

// The print service's web service, one partner session at a time: begin the
// session, sign the user in, upload photos at full size, put them into the
// user's cart and end the session. All requests are synchronous; the upload
// loop lets the event loop run between files so that a Cancel button works.
//
// Form bodies carry their values percent-encoded and the file name is
// escaped inside the upload envelope: an e-mail address with "+" or "&", or
// a file called "Tom & Jerry.jpg", would otherwise reach the service as
// something else.
class clsLifePics
{
public:
    // What the owner hears while the connector works, and how it says stop.
    struct Hooks
    {
        std::function<void(const QString &)> statusChange; // StatusChange
        std::function<void(int)> uploadFileCount;          // UploadFileCount: files done so far
        std::function<bool()> cancelled;                   // the owner's Cancel flag
        std::function<void()> pump;                        // lets the windows paint and take clicks
    };

    // The service's partner documentation names no largest file and no
    // largest picture: it prints from the original, whatever its size.
    static constexpr ServiceLimits Limits{};

    clsLifePics(ServiceConfig::LifePics config, AppState &state, UserPrompt &prompt, Hooks hooks = {});
    ~clsLifePics();
    clsLifePics(const clsLifePics &) = delete;
    clsLifePics &operator=(const clsLifePics &) = delete;

    // Opens a partner session; true when the service gave a session id.
    bool InitiateSession();
    // Signs the user in within the session; true when the service named the user.
    bool GetUserId(const QString &email, const QString &password);
    // Uploads every file of `photoList` (paths joined by TAB) in its original
    // picture, with the metadata AppState::KeepMetadata lets go. False when the user cancelled, the
    // connection went away or a file could not be read; photos the service took have their ids in ImageIDs()
    // whatever the outcome.
    bool UploadFiles(const QString &photoList);
    // Puts every uploaded image into the cart; the automatic-login address
    // of the cart, empty when the service gave none.
    QString AddImagesToCart();
    // Ends the session; true when the service reported success. Never throws.
    bool TerminateSession();

    QString SessionID() const { return m_sessionId; }
    QString UserID() const { return m_userId; }
    QString MerchantID() const { return m_merchantId; }
    // Index 0 stays empty; uploaded images follow from index 1.
    const QStringList &ImageIDs() const { return m_imageIds; }

    // Why the last operation failed, in words for a person (never a
    // password or a session id); empty after a success.
    QString LastError() const { return m_lastError; }
    // True when the last operation failed because no answer came back.
    bool LastFailedToConnect() const { return m_connectionFailed; }
    // Files of the last upload the service took no image from, each with
    // the reason.
    const QStringList &FilesLeftOut() const { return m_leftOut; }

    // The SOAP 1.2 upload envelope, as sent.
    static QByteArray UploadEnvelope(const QString &apiNamespace, const QString &sessionId,
                                     const QString &partnerSourceId, const QString &userId,
                                     const QByteArray &fileBytes, const QString &fileName);
    // The images list of the cart request.
    static QString ImagesXml(const QStringList &imageIds);

private:
    // POSTs a form to one of the service's form endpoints; throws
    // WebRequestError when no answer came.
    void postForm(const QString &operation, const QString &body);
    bool answered(const QString &operation, const QString &element);
    void fail(const QString &reason, bool connection = false);
    void status(const QString &text);
    bool cancelled() const;
    void pump();

    ServiceConfig::LifePics m_config;
    AppState &m_state;
    UserPrompt &m_prompt;
    Hooks m_hooks;
    std::unique_ptr<WebRequest> m_request;

    QString m_sessionId;
    QString m_userId;
    QString m_merchantId;
    QStringList m_imageIds{QString()};
    QString m_lastError;
    bool m_connectionFailed = false;
    QStringList m_leftOut;
};

// The first element called `name` (prefix ignored) anywhere in `document`,
// its text; a null QString when there is none.
QString lifePicsElementText(const pugi::xml_document &document, const char *name);
