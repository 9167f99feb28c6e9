#include "photoset/ui/frmUploadTo.h"

#include "core/AppState.h"
#include "core/FormatSize.h"
#include "photoset/ui/DropZone.h"
#include "photoset/ui/frmFilesCount.h"
#include "support/MouseDrag.h"
#include "support/PhotoSetWorld.h"
#include "support/RecordingShell.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TaggedPhoto.h"
#include "support/TestText.h"
#include "unicodeinput/ui/ctlUMultilineTxtBox.h"
#include "webkit/ToolkitError.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// A destination flow that does what a test says when its button is pressed.
class CountingFlow : public DestinationFlow
{
public:
    std::function<void()> onRun;
    void run() override
    {
        if (onRun)
            onRun();
    }
};

class MainWindowTest : public ::testing::Test, protected PhotoSetWorld
{
protected:
    ScriptedUserPrompt prompt{&env.state()};
    RecordingShell shell;
    std::unique_ptr<frmUploadTo> window;

    frmUploadTo &open()
    {
        ServiceConfig services = ServiceConfig::defaults();
        services.product.ads.clear(); // never online in a test
        window = std::make_unique<frmUploadTo>(state(), prompt, shell, services);
        window->setExitHandler([this] { ++exits; });
        window->show();
        return *window;
    }

    template<class T = QWidget> T *control(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Drag events on the drop zone; each says whether the zone took the data.
    bool enter(QMimeData &data)
    {
        QDragEnterEvent event(window->dropZone()->rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window->dropZone(), &event);
        return event.isAccepted();
    }
    void leave()
    {
        QDragLeaveEvent event;
        QApplication::sendEvent(window->dropZone(), &event);
    }
    bool drop(QMimeData &data)
    {
        enter(data);
        QDropEvent event(window->dropZone()->rect().center(), Qt::CopyAction, &data, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window->dropZone(), &event);
        // The photos are taken in once the drop itself has completed.
        QApplication::processEvents();
        return event.isAccepted();
    }
    static void setFiles(QMimeData &data, const QStringList &paths)
    {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
    }

    int exits = 0;
};

// A stored size the list does not offer maps to the nearest it does; one
// stored as the original size is selected quietly, and the suppression ends
// with the load.
TEST_F(MainWindowTest, UploadSizeListLoadsWithoutTheNoteWhichThenShowsUntilSuppressedAndAgainAfterSettings)
{
    state().UploadSize = 1200;
    open();
    ASSERT_EQ(control<QComboBox>("cboUploadSize")->count(), 4);
    EXPECT_EQ(control<QComboBox>("cboUploadSize")->currentText(), QStringLiteral("Small: 800 pixels"));
    EXPECT_EQ(state().UploadSize, 800);
    state().UploadSize = 0;
    frmUploadTo &w = open();
    EXPECT_EQ(control<QComboBox>("cboUploadSize")->currentIndex(), 0);
    EXPECT_FALSE(state().NoteSuppressed);
    int settingsShown = 0;
    const auto notes = [this] { return prompt.callsOf(QStringLiteral("note")).size(); };

    EXPECT_EQ(notes(), 0);
    w.chooseUploadSize(0);
    w.chooseUploadSize(0);
    EXPECT_EQ(notes(), 2);
    EXPECT_EQ(state().UploadSize, 0);

    prompt.suppressNoteAnswer = true; // "Don't show this message again"
    w.chooseUploadSize(0);
    w.chooseUploadSize(1);
    w.chooseUploadSize(0);
    EXPECT_EQ(notes(), 3);

    // A Settings window that could not store its skin leaves the window's
    // look alone; applying one is the Settings window's part.
    w.setSettingsHandler([&] {
        ++settingsShown;
        state().Skin = 2;
    });
    QTest::mouseClick(control<QToolButton>("btnSettings"), Qt::LeftButton);
    EXPECT_EQ(settingsShown, 1);
    EXPECT_EQ(control<QLabel>("lblHC")->palette().color(QPalette::WindowText), QColor(91, 91, 91));
    EXPECT_EQ(notes(), 3);
    EXPECT_FALSE(state().NoteSuppressed);
    w.chooseUploadSize(0);
    EXPECT_EQ(notes(), 4);

    // A modal window already up keeps the Settings window away.
    state().ModalFormOpen = true;
    QTest::mouseClick(control<QToolButton>("btnSettings"), Qt::LeftButton);
    EXPECT_EQ(settingsShown, 1);
}

TEST_F(MainWindowTest, HideGoesToTheTrayOnLeftClickOnlyOrWithoutATrayToTheTaskBarAndExitAsksFirst)
{
    open();
    window->setTrayAvailable([] { return true; });
    auto *hide = control<QLabel>("btnClose");
    QTest::mouseClick(hide, Qt::RightButton);
    EXPECT_TRUE(window->isVisible());
    QTest::mouseClick(hide, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());

    // No notification area: nothing could bring a hidden window back.
    window->show();
    window->setTrayAvailable([] { return false; });
    QTest::mouseClick(hide, Qt::LeftButton);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window->showNormal();
    window->close(); // the window manager's close button
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());

    // Exit ends the program only on Yes.
    window->showNormal();
    prompt.messageAnswers.push_back(MsgResult::No);
    QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(prompt.callsOf(QStringLiteral("message")).value(0).text,
              QStringLiteral("Are you sure? Why not keep Flazz on, and do things in a Flazz?"));
    QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    QApplication::processEvents();
    EXPECT_EQ(exits, 1);
}

TEST_F(MainWindowTest, TheBackgroundDragsTheWindowAndALinkDoesNot)
{
    open();
    window->move(50, 40);
    const QPoint start = window->pos();
    dragBy(control<QWidget>("body"), QPoint(5, 5), QPoint(70, 45));
    EXPECT_EQ(window->pos(), start + QPoint(70, 45));

    dragBy(control<QLabel>("lblLimitation"), QPoint(3, 3), QPoint(40, 40));
    EXPECT_EQ(window->pos(), start + QPoint(70, 45));
}

TEST_F(MainWindowTest, AFlowThatThrowsEndsInAnErrorReportWithoutItsSecrets)
{
    open();
    addPhoto(QStringLiteral("photos/one.png"), 1);
    CountingFlow failing;
    failing.onRun = [this] {
        window->ShowProgressPanel(true);
        throw ToolkitError(
            0x800C0005, QStringLiteral("WebRequest.send"),
            QStringLiteral("Error transferring https://api.example/1/account/info?oauth_token=tok123"
                           "&oauth_signature=sig456 - server replied: Bearer abc789"));
    };
    window->setFlow(Service::Dropbox, &failing);
    CountingFlow plain;
    plain.onRun = [] { throw std::runtime_error("out of disk space"); };
    window->setFlow(Service::Flickr, &plain);

    QTest::mouseClick(control<QToolButton>("btnDropbox"), Qt::LeftButton);
    QTest::mouseClick(control<QToolButton>("btnFlickr"), Qt::LeftButton);

    const auto reports = prompt.callsOf(QStringLiteral("error"));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports.at(0).text.contains(u"btnDropbox_Click"));
    EXPECT_TRUE(reports.at(0).text.contains(u"WebRequest.send"));
    EXPECT_TRUE(reports.at(0).text.contains(u"https://api.example/1/account/info"));
    for (const char *secret : {"tok123", "sig456", "abc789"})
        EXPECT_FALSE(reports.at(0).text.contains(QLatin1String(secret))) << secret;
    EXPECT_TRUE(reports.at(1).text.contains(u"btnFlickr_Click"));
    EXPECT_TRUE(reports.at(1).text.contains(u"out of disk space"));
    EXPECT_TRUE(window->windowEnabled());
    EXPECT_FALSE(window->progressPanelShown());
}

TEST_F(MainWindowTest, DroppedFilesAreAddedAndTheZoneAndLabelsFollow)
{
    open();
    DropZone *zone = window->dropZone();
    auto *count = control<QLabel>("lblFileCount");
    auto *total = control<QLabel>("lblTotalSize");
    EXPECT_EQ(zone->picture(), DropZone::EmptySet);
    EXPECT_FALSE(count->isVisible());
    EXPECT_FALSE(total->isVisible());

    const QString a = photo(QStringLiteral("photos/a.png"), 1);
    const QString b = photo(QStringLiteral("photos/b.png"), 2);
    const QString sameAsA = env.writeFile(QStringLiteral("copy/a-again.png"), readBytes(a));
    const QString notes = env.writeFile(QStringLiteral("photos/notes.txt"), "not a photo");

    // Dragging over an empty set, then away again.
    QMimeData one;
    setFiles(one, {a});
    EXPECT_TRUE(enter(one));
    EXPECT_EQ(zone->picture(), DropZone::OverEmptySet);
    leave();
    EXPECT_EQ(zone->picture(), DropZone::EmptySet);

    QMimeData all;
    setFiles(all, {a, b, sameAsA, notes});
    ASSERT_TRUE(drop(all));
    QTRY_COMPARE(tray.Count(), 2);
    QTRY_VERIFY(count->isVisible());
    EXPECT_EQ(count->text(), QStringLiteral("2"));
    EXPECT_EQ(zone->picture(), DropZone::FullSet);
    const double bytes = double(QFileInfo(a).size() + QFileInfo(b).size());
    EXPECT_TRUE(total->isVisible());
    EXPECT_EQ(total->text(), QStringLiteral("Total Size: ") + FormatSize(bytes));
    EXPECT_TRUE(window->windowEnabled());
    EXPECT_TRUE(prompt.callsOf(QStringLiteral("message")).isEmpty());
    for (const frmFilesCount *progress : window->findChildren<frmFilesCount *>())
        EXPECT_FALSE(progress->isVisible());

    // A drag over a set that holds photos shows the other picture.
    enter(one);
    EXPECT_EQ(zone->picture(), DropZone::OverFullSet);
    leave();
    EXPECT_EQ(zone->picture(), DropZone::FullSet);
}

TEST_F(MainWindowTest, TheLookBeforeSendingFollowsTheSetTheSizeAndTheMetadataSwitch)
{
    state().UploadSize = 800;
    open();
    auto *look = control<QLabel>("lblSendLook");
    EXPECT_FALSE(look->isVisible());

    const QString camera = env.writeFile(QStringLiteral("p/camera.jpg"), tagged::jpeg(QSize(1600, 1200)));
    window->picDropZone_Drop({camera});
    QTRY_VERIFY(look->isVisible());
    EXPECT_TRUE(look->text().startsWith(u"1 photo, about ")) << qPrintable(look->text());
    EXPECT_TRUE(look->text().endsWith(
        u" at 800 px; location, serial numbers, owner's name, maker notes and thumbnails removed"))
        << qPrintable(look->text());

    // Uncompressed and past Facebook's 4 MB once it goes at its own size.
    const QString scan =
        env.writeFile(QStringLiteral("p/scan.bmp"), testimages::encoded("bmp", QSize(1200, 1200)));
    window->picDropZone_Drop({scan});
    QTRY_COMPARE(tray.Count(), 2);
    EXPECT_FALSE(look->text().contains(u"too large"));
    state().KeepMetadata = true; // as the Settings window leaves it
    window->chooseUploadSize(0);
    EXPECT_EQ(look->text(), u"2 photos, about " +
                                FormatSize(double(QFileInfo(camera).size() + QFileInfo(scan).size())) +
                                u" at original size; 1 too large for Facebook");
    EXPECT_TRUE(look->toolTip().contains(u"Too large for Facebook: scan.bmp")) << qPrintable(look->toolTip());

    QTest::mouseClick(control<QPushButton>("cmdClear"), Qt::LeftButton);
    EXPECT_FALSE(look->isVisible());
}

TEST_F(MainWindowTest, DragsWithoutALocalFileAreRefusedAtTheDoor)
{
    open();
    QMimeData text;
    text.setText(QStringLiteral("just words"));
    // A link dragged out of a browser: an address, no file on this machine.
    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("http://photos.example.test/lake.jpg"))});
    for (QMimeData *data : {&text, &link}) {
        EXPECT_FALSE(enter(*data)) << qPrintable(data->text());
        EXPECT_EQ(window->dropZone()->picture(), DropZone::EmptySet);
        EXPECT_FALSE(drop(*data));
    }
    EXPECT_TRUE(prompt.callsOf(QStringLiteral("message")).isEmpty());

    // A link that travels with a real file still brings the file.
    QMimeData mixed;
    mixed.setUrls({QUrl(QStringLiteral("http://photos.example.test/lake.jpg")),
                   QUrl::fromLocalFile(photo(QStringLiteral("photos/kept.png"), 9))});
    EXPECT_TRUE(enter(mixed));
}

TEST_F(MainWindowTest, BrowseAddsThePickedPhotosAndClearEmptiesTheSetOnlyWhenConfirmed)
{
    open();
    prompt.fileAnswers.push_back(
        {photo(QStringLiteral("photos/x.png"), 3), photo(QStringLiteral("photos/y.png"), 4)});
    QTest::mouseClick(control<QPushButton>("btnAddImages"), Qt::LeftButton);
    EXPECT_EQ(prompt.callsOf(QStringLiteral("files")).value(0).text, QStringLiteral("Select Photos"));
    EXPECT_EQ(tray.Count(), 2);
    EXPECT_EQ(control<QLabel>("lblFileCount")->text(), QStringLiteral("2"));
    QTest::mouseClick(control<QPushButton>("btnAddImages"), Qt::LeftButton); // cancelled: nothing changes
    EXPECT_EQ(tray.Count(), 2);

    prompt.confirmAnswers.push_back(MsgBoxCode::No);
    QTest::mouseClick(control<QPushButton>("cmdClear"), Qt::LeftButton);
    EXPECT_EQ(tray.Count(), 2);
    QTest::mouseClick(control<QPushButton>("cmdClear"), Qt::LeftButton);
    EXPECT_EQ(prompt.callsOf(QStringLiteral("confirm")).last().text, QStringLiteral("Are you sure?"));
    EXPECT_EQ(tray.Count(), 0);
    EXPECT_FALSE(control<QLabel>("lblFileCount")->isVisible());
    EXPECT_FALSE(control<QLabel>("lblTotalSize")->isVisible());
    EXPECT_EQ(window->dropZone()->picture(), DropZone::FullSet);
}

TEST_F(MainWindowTest, DescriptionGoesIntoEveryPhotoAndCanBeCleared)
{
    open();
    addPhoto(QStringLiteral("photos/a.png"), 6);
    addPhoto(QStringLiteral("photos/b.png"), 7);
    ctlUMultilineTxtBox *box = window->description();
    ASSERT_FALSE(box->AutoDisplayText().isEmpty());
    window->ApplyDescription();
    EXPECT_EQ(tray.PhotoInfo(1, PhotoField::Remarks), QString()); // the prompt is no description

    box->setText(QStringLiteral(u"Λίμνη 湖"));
    window->ApplyDescription();
    EXPECT_EQ(tray.PhotoInfo(0, PhotoField::Remarks), QStringLiteral(u"Λίμνη 湖"));
    EXPECT_EQ(tray.PhotoInfo(1, PhotoField::Remarks), QStringLiteral(u"Λίμνη 湖"));

    prompt.confirmAnswers.push_back(MsgBoxCode::No);
    QTest::mouseClick(control<QLabel>("lblClearDesc"), Qt::LeftButton);
    EXPECT_EQ(box->Text(), QStringLiteral(u"Λίμνη 湖"));
    QTest::mouseClick(control<QLabel>("lblClearDesc"), Qt::LeftButton);
    EXPECT_EQ(box->Text(), QString());
}

TEST_F(MainWindowTest, ProgressPanelCoversTheHeadInPlaceAndCanBeCancelled)
{
    open();
    window->move(40, 30);
    const QRect frame = window->geometry();
    window->ShowProgressPanel(true);
    EXPECT_TRUE(window->progressPanelShown());
    EXPECT_EQ(window->geometry(), frame);
    // It hides nothing the user still needs: the photos and where they go.
    const QRect panel = control<QWidget>("fraProgress")->geometry();
    EXPECT_FALSE(panel.intersects(window->dropZone()->geometry()));
    EXPECT_FALSE(panel.intersects(control<QToolButton>("btnFacebook")->geometry()));

    // The panel's Cancel works while the rest of the window waits.
    window->setWindowEnabled(false);
    EXPECT_FALSE(window->progressCancelled());
    QTest::mouseClick(control<QPushButton>("btnProgressCancel"), Qt::LeftButton);
    EXPECT_TRUE(window->progressCancelled());

    window->ShowProgressPanel(false);
    EXPECT_EQ(window->geometry(), frame);
    window->ShowProgressPanel(true);
    EXPECT_FALSE(window->progressCancelled());
}

TEST_F(MainWindowTest, ADestinationSaysWhereItSendsOnHoverWhileAnotherWindowHasTheFocus)
{
    open();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(window->isActiveWindow());

    auto *facebook = control<QToolButton>("btnFacebook");
    QTest::mouseMove(facebook, facebook->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 10000));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Flazz to Facebook"));
    QToolTip::hideText();
}

TEST_F(MainWindowTest, TheLimitationLinkOpensTheBrandSite)
{
    open();
    QTest::mouseClick(control<QLabel>("lblLimitation"), Qt::LeftButton);
    EXPECT_EQ(shell.opened, QList<QString>{ServiceConfig::defaults().product.brandSite});
}

} // namespace
