#pragma once

#include "photoset/DestinationFlow.h"
#include "photoset/UploadWindow.h"
#include "webkit/Service.h"
#include "webkit/ServiceConfig.h"

#include <QObject>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

struct AppState;
class AdPanel;
class DropZone;
class PhotoAdder;
class UserPrompt;
class ctlUMultilineTxtBox;
class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
namespace platform {
class Shell;
}

// The main window: the drop zone and the photo set's status, the
// description, the upload size, one button per destination, the advertising
// panel and the progress panel that the destination flows drive. It only
// shows and hosts: adding photos is PhotoAdder's work and each destination is
// a DestinationFlow plugged in by the program's start-up.
class frmUploadTo : public QWidget, public UploadWindow
{
    Q_OBJECT
public:
    frmUploadTo(AppState &state, UserPrompt &ui, platform::Shell &shell, ServiceConfig services,
                QWidget *parent = nullptr);
    ~frmUploadTo() override;

    // The flow a destination button runs once the photo set is not empty;
    // not owned. Without one the button stops after the empty-set check.
    void setFlow(Service service, DestinationFlow *flow);
    void setFlow(LocalDestination destination, DestinationFlow *flow);
    // Destinations beyond the eight buttons (the remotes of rclone), offered
    // in a menu under the button beside Settings: `list` gives each one's
    // name and what the menu says of it, asked at each press; `flowFor` the
    // flow that sends to the one picked, run as a button's flow is.
    struct MoreDestination
    {
        QString name;
        QString text;
    };
    void setMoreDestinations(std::function<QList<MoreDestination>()> list,
                             std::function<DestinationFlow *(const QString &name)> flowFor);
    // Shows the Settings window modally (the start-up supplies it).
    void setSettingsHandler(std::function<void()> handler) { m_settingsHandler = std::move(handler); }
    // Ends the program after "Exit" was confirmed, from the event loop once
    // the click is over (it may destroy this window); by default the
    // application's event loop is left.
    void setExitHandler(std::function<void()> handler) { m_exitHandler = std::move(handler); }

    // Whether the desktop has a notification area to come back from; without
    // one "Hide" minimises the window instead. By default the desktop is asked.
    void setTrayAvailable(std::function<bool()> available) { m_trayAvailable = std::move(available); }

    // Text and link colours and the background of the current skin; the
    // window keeps this look until the next call.
    void ApplySkin();

    // Selects the entry for AppState::UploadSize without showing the note,
    // as at load and after the Settings window.
    void selectUploadSize();
    // The user picked entry `index` of the upload-size list (also when it
    // was already selected).
    void chooseUploadSize(int index);

    // Button handlers, callable as the buttons call them.
    void btnAddImages_Click();
    void cmdClear_Click();
    void cmdCancel_Click();
    void btnClose_Click(Qt::MouseButton button);
    void lblClearDesc_Click(Qt::MouseButton button);
    void lblLimitation_Click();
    void btnSettings_Click();
    // The destination button at `place` (0 to 7, as the window lays them out).
    void destination_Click(int place);
    // Runs the flow of a destination named by the menu of more destinations.
    void moreDestination_Click(const QString &name);
    QToolButton *moreDestinationsButton() const { return m_btnRemotes; }
    // The menu the button shows, filled afresh.
    QList<MoreDestination> moreDestinations() const;
    // Items dropped on the drop zone (paths, or address texts).
    void picDropZone_Drop(const QStringList &items);

    // Releases what the window holds and asks the companion to close. Runs
    // once; the destructor calls it too.
    void Form_Unload();

    bool windowEnabled() const;
    bool progressPanelShown() const;
    DropZone *dropZone() const { return m_dropZone; }
    ctlUMultilineTxtBox *description() const { return m_remarks; }

    // UploadWindow
    void ApplyDescription() override;
    void setWindowEnabled(bool enabled) override;
    void ShowProgressPanel(bool show) override;
    void setUpdateCaption(const QString &text) override;
    void setPbrCaption(const QString &text) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressValue(int value) override;
    int progressValue() const override;
    int progressMaximum() const override;
    void StepProgress() override;
    bool progressCancelled() const override { return m_progressCancelled; }
    void processEvents() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildProgressPanel();
    QToolButton *addDestinationButton(int place, const QString &name, const QString &toolTip);
    QLabel *addLabel(const QString &name, const QString &text, const QRect &geometry);
    QLabel *addLink(const QString &name, const QString &text, const QRect &geometry);
    void refreshPhotoSet();
    // The line under the destination buttons: what would leave, at the
    // size and under the metadata switch as they are now.
    void refreshSendLook();
    // The flows' error trap around one flow.
    void runFlow(DestinationFlow &flow, const QString &procedure);
    void showMoreDestinations();
    // Out of the way, but never out of reach.
    void hideWindow();
    // Runs one adding loop with the progress window up and the window's
    // controls waiting, and shows the set as it is afterwards.
    void addPhotos(const std::function<void(PhotoAdder &)> &work);
    void setLinkColor(QLabel *link, const QColor &color);
    void loadAdvertising();
    int photoCount() const;

    AppState &m_state;
    UserPrompt &m_ui;
    platform::Shell &m_shell;
    ServiceConfig m_services;

    QWidget *m_body = nullptr; // everything but the progress panel
    DropZone *m_dropZone = nullptr;
    QLabel *m_lblFileCount = nullptr;
    QLabel *m_lblTotalSize = nullptr;
    QPushButton *m_btnAddImages = nullptr;
    QPushButton *m_cmdClear = nullptr;
    QPushButton *m_cmdCancel = nullptr;
    QLabel *m_btnClose = nullptr;
    QLabel *m_lblClearDesc = nullptr;
    QLabel *m_lblLimitation = nullptr;
    QLabel *m_lblSendLook = nullptr;
    QList<QLabel *> m_texts; // labels drawn in the skin's text colour
    ctlUMultilineTxtBox *m_remarks = nullptr;
    QComboBox *m_cboUploadSize = nullptr;
    std::array<QToolButton *, 8> m_destinationButtons{};
    QToolButton *m_btnSettings = nullptr;
    QToolButton *m_btnRemotes = nullptr;
    AdPanel *m_ads = nullptr;

    QFrame *m_fraProgress = nullptr;
    QLabel *m_lblUpdateCaption = nullptr;
    QLabel *m_lblPbrCaption = nullptr;
    QProgressBar *m_pbrProgress = nullptr;
    QPushButton *m_btnProgressCancel = nullptr;
    bool m_progressCancelled = false;
    int m_skin = 0; // the skin last applied
    int m_flowsRunning = 0;

    std::array<DestinationFlow *, 8> m_flows{};
    std::function<void()> m_settingsHandler;
    std::function<QList<MoreDestination>()> m_moreDestinations;
    std::function<DestinationFlow *(const QString &)> m_flowFor;
    std::function<void()> m_exitHandler;
    std::function<bool()> m_trayAvailable;
    bool m_unloaded = false;
    bool m_exiting = false;
};
