#include "photoset/ui/PhotosetGallery.h"

#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "core/ui/Gallery.h"
#include "imaging/cGDIpToken.h"
#include "photoset/clsTray.h"
#include "photoset/ui/frmFilesCount.h"
#include "photoset/ui/frmSkypePath.h"
#include "photoset/ui/frmUploadTo.h"
#include "platform/Shell.h"
#include "unicodeinput/ui/ctlUMultilineTxtBox.h"

#include <QDir>
#include <QImage>
#include <QPainter>

namespace {

// The gallery only looks: every question is answered "no" at once.
class QuietPrompt final : public UserPrompt
{
public:
    int systemMessage(const QString &, int, const QString &) override { return MsgResult::No; }
    int confirm(const QString &, bool, bool, bool) override { return MsgBoxCode::No; }
    void done() override {}
    void internetConnectionError() override {}
    void uploadSizeNote() override {}
    QStringList openFiles(const FileDialogRequest &) override { return {}; }
};

class QuietShell final : public platform::Shell
{
public:
    bool open(const QString &) override { return false; }
    bool startProgram(const QString &, const QString &, const QString &) override { return false; }
};

// Keeps what a window borrows alive exactly as long as the window.
template<class T> class Keeper : public QObject
{
public:
    Keeper(std::unique_ptr<T> kept, QObject *owner) : QObject(owner), m_kept(std::move(kept)) {}

private:
    std::unique_ptr<T> m_kept;
};

template<class T> T *keep(std::unique_ptr<T> object, QObject *owner)
{
    T *raw = object.get();
    new Keeper<T>(std::move(object), owner);
    return raw;
}

std::unique_ptr<frmUploadTo> mainWindow(AppState &state)
{
    auto prompt = std::make_unique<QuietPrompt>();
    auto shell = std::make_unique<QuietShell>();
    ServiceConfig services = ServiceConfig::defaults();
    services.product.ads.clear(); // the gallery never goes online
    auto window = std::make_unique<frmUploadTo>(state, *prompt, *shell, services);
    // As the program has it: the menu of remotes beside Settings.
    window->setMoreDestinations([] { return QList<frmUploadTo::MoreDestination>(); },
                                [](const QString &) { return nullptr; });
    keep(std::move(prompt), window.get());
    keep(std::move(shell), window.get());
    return window;
}

// A few small pictures, each of its own colour so the set takes them all.
QStringList samplePhotos(const QString &folder)
{
    QDir().mkpath(folder);
    const QColor colours[] = {QColor(80, 150, 220), QColor(230, 160, 60), QColor(90, 170, 100),
                              QColor(200, 90, 120), QColor(150, 120, 200)};
    QStringList paths;
    int i = 0;
    for (const QColor &colour : colours) {
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(colour);
        QPainter p(&image);
        p.setBrush(colour.lighter(140));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPoint(100 + 20 * i, 90), 50, 50);
        p.end();
        const QString path = QDir(folder).filePath(QStringLiteral("Holiday %1.jpg").arg(++i));
        image.save(path, "JPEG", 90);
        paths << path;
    }
    return paths;
}

std::unique_ptr<QWidget> mainWindowWithPhotos(AppState &state)
{
    auto token = std::make_unique<cGDIpToken>();
    auto tray = std::make_unique<clsTray>(state.DataFolder, token.get(), state.MaxPhotos);
    for (const QString &path : samplePhotos(state.AppDataFolder + QStringLiteral("gallery-photos")))
        tray->AddPhoto(path, QString(), QString());
    state.PhotoTray = tray.get();
    state.GdiplusToken = token.get();
    auto window = mainWindow(state);
    // Children go in the order they came: the set before its token.
    keep(std::move(tray), window.get());
    keep(std::move(token), window.get());
    window->description()->setText(QStringLiteral("Summer by the lake, 2026"));
    return window;
}

} // namespace

void registerPhotosetWindows(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmUploadTo"), [](AppState &state) { return mainWindow(state); });
    gallery.add(QStringLiteral("frmUploadTo-photos"),
                [](AppState &state) { return mainWindowWithPhotos(state); });
    gallery.add(QStringLiteral("frmUploadTo-progress"), [](AppState &state) {
        auto window = mainWindowWithPhotos(state);
        auto *main = static_cast<frmUploadTo *>(window.get());
        main->setWindowEnabled(false);
        main->ShowProgressPanel(true);
        main->setUpdateCaption(QStringLiteral("Flazzing to Zip"));
        main->setPbrCaption(QStringLiteral("Please wait... "));
        main->setProgressRange(0, 5);
        main->setProgressValue(2);
        return window;
    });
    gallery.add(QStringLiteral("frmFilesCount"), [](AppState &state) {
        auto window = std::make_unique<frmFilesCount>(state);
        for (const QString &name : {QStringLiteral("IMG_0001.jpg"), QStringLiteral("IMG_0002.jpg"),
                                    QStringLiteral("Birthday party at the lake house 2026.jpg")})
            window->progress().fileLookedAt(name);
        return window;
    });
    registerSkypeLocatorWindow(gallery);
}
