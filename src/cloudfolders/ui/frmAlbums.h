#pragma once

#include "cloudfolders/flows/AlbumChooser.h"
#include "core/ui/SkinnedDialog.h"

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QRadioButton;
class ctlUnicodeCombo;
class ctlUnicodeTextBox;

// The album and folder chooser: pick an existing album or folder of the
// service, or name a new one. What it lists and answers is AlbumChooser's
// work; the window shows the list and hands on the clicks.
class frmAlbums : public SkinnedDialog
{
    Q_OBJECT
public:
    // What OK does with the choice: the answer, or nothing to stay open.
    using OkHandler =
        std::function<std::optional<QString>(bool createNew, int selected, const QString &name)>;

    // Shows `entries` with the texts of `service`; `existingEnabled` false
    // leaves only "create new".
    frmAlbums(AppState &state, const ServiceId &service, const QList<AlbumEntry> &entries,
              bool existingEnabled, OkHandler ok, QWidget *parent = nullptr);

    // The mode the window was opened in, numbered as its callers have
    // always numbered it.
    int LoadAs() const { return chooserMode(m_service); }

    // The answer written by OK or Cancel; empty when cancelled.
    QString FBUploadAlbumID() const { return m_answer; }

    void btnOK_Click();
    void btnCancel_Click();

    QRadioButton *rdoExisiting() const { return m_existing; }
    QRadioButton *rdoNew() const { return m_new; }
    ctlUnicodeCombo *uccboAlbum() const { return m_albums; }
    ctlUnicodeTextBox *uctxtAlbum() const { return m_name; }

private:
    ServiceId m_service;
    OkHandler m_okHandler;
    QLabel *m_help;
    QRadioButton *m_existing;
    QRadioButton *m_new;
    ctlUnicodeCombo *m_albums;
    ctlUnicodeTextBox *m_name;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QString m_answer;
};
