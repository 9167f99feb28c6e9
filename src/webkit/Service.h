#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <optional>

struct ServiceConfig;

// The online services the program sends photos to.
enum class Service
{
    Facebook,
    Flickr,
    Dropbox,
    Google,
    SkyDrive
};
inline constexpr int ServiceCount = 5;

// What a service refuses outright: a file of more than `fileBytes` bytes, a
// picture of more than `pixels` pixels. 0 where the service documented no
// such limit: a figure we made up would refuse photos the service takes.
struct ServiceLimits
{
    qint64 fileBytes = 0;
    qint64 pixels = 0;
};

// What sets one service apart outside its protocol: its names, where the
// windows place it, which settings hold its sign-in and where the user is
// sent afterwards. Code that needs one of these reads the service's row
// instead of keeping a list of its own.
struct ServiceDescriptor
{
    Service service;
    const char16_t *displayName; // what the user reads: "Google Drive"
    const char16_t *storedName;  // the upload queue's text for it, the same in every version
    const char16_t *commandName; // flazz-cli's SERVICE: "google"

    // The main window: the button's place among its eight destinations,
    // its name and its tool tip.
    int button;
    const char16_t *buttonName;
    const char16_t *toolTip;

    // The album and folder chooser's LoadAs; -1 where the service has none.
    int chooserMode;
    // The sign-in window's Module; -1 where the service is signed in in the
    // user's own browser instead.
    int signInModule;
    // The upload flow says "Please wait..." under the progress bar.
    bool pleaseWait;

    // The Settings window's Authorization page: the btnRevoke index, the
    // row's label, and the keys re-authorizing empties, in that order.
    int settingsRow;
    const char16_t *settingsLabel;
    std::array<const char *, 3> authorizationKeys; // unused places are null

    // The web site opened once a background upload is under way.
    QString (*site)(const ServiceConfig &config);

    ServiceLimits limits;

    QStringList authorizationKeyList() const;
};

// Every service's row, in the order of the enumeration.
const std::array<ServiceDescriptor, ServiceCount> &serviceDescriptors();
const ServiceDescriptor &describe(Service service);

// The service flazz-cli names `commandName`, in any letter case.
std::optional<Service> serviceByCommandName(const QString &commandName);
