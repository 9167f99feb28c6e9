#include "core/ui/QtUserPrompt.h"

#include "core/AppState.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/frmError.h"
#include "core/ui/frmInternetConnection.h"
#include "core/ui/frmMsgAutoClose.h"
#include "core/ui/frmMsgBox.h"
#include "core/ui/frmNote.h"

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QRegularExpression>

QtUserPrompt::QtUserPrompt(AppState &state)
    : m_state(state), m_errorEnd(endProgramAction(1)), m_connectionEnd(endProgramAction(0))
{
}

void QtUserPrompt::setEndProgram(EndProgramAction errorEnd, EndProgramAction connectionEnd)
{
    m_errorEnd = std::move(errorEnd);
    m_connectionEnd = std::move(connectionEnd);
}

QWidget *QtUserPrompt::owner() const
{
    // Dialogs sit over whatever window the user is working in.
    return QApplication::activeWindow();
}

std::unique_ptr<QMessageBox> QtUserPrompt::makeSystemMessageBox(const QString &text, int style,
                                                                const QString &title, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(title);
    box->setText(text);
    switch (style & 0x70) {
    case MsgStyle::Critical:
        box->setIcon(QMessageBox::Critical);
        break;
    case MsgStyle::Question:
        box->setIcon(QMessageBox::Question);
        break;
    case MsgStyle::Exclamation:
        box->setIcon(QMessageBox::Warning);
        break;
    case MsgStyle::Information:
        box->setIcon(QMessageBox::Information);
        break;
    default:
        box->setIcon(QMessageBox::NoIcon);
        break;
    }
    QMessageBox::StandardButtons buttons;
    switch (style & 0x7) {
    case MsgStyle::OkCancel:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case 2:
        buttons = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        break;
    case MsgStyle::YesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MsgStyle::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case 5:
        buttons = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    default:
        buttons = QMessageBox::Ok;
        break;
    }
    box->setStandardButtons(buttons);
    return box;
}

int QtUserPrompt::messageResult(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok:
        return MsgResult::Ok;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Abort:
        return 3;
    case QMessageBox::Retry:
        return 4;
    case QMessageBox::Ignore:
        return 5;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return MsgResult::Cancel;
    }
}

int QtUserPrompt::systemMessage(const QString &text, int style, const QString &title)
{
    const std::unique_ptr<QMessageBox> box = makeSystemMessageBox(text, style, title, owner());
    ShowFormModal(m_state, *box);
    return messageResult(box->standardButton(box->clickedButton()));
}

int QtUserPrompt::confirm(const QString &message, bool showYes, bool showNo, bool showCancel)
{
    frmMsgBox box(m_state, owner());
    box.SetMessage(message);
    box.ShowYes(showYes);
    box.ShowNo(showNo);
    box.ShowCancel(showCancel);
    ShowFormModal(m_state, box);
    return box.ReturnCode();
}

int QtUserPrompt::choose(const QString &message, const QString &yes, const QString &no)
{
    frmMsgBox box(m_state, owner());
    box.SetMessage(message);
    box.ShowYes(true);
    box.ShowNo(true);
    box.ShowCancel(true);
    box.cmdYes()->setText(yes);
    box.cmdNo()->setText(no);
    ShowFormModal(m_state, box);
    return box.ReturnCode();
}

void QtUserPrompt::done()
{
    frmMsgAutoClose note(m_state, owner());
    ShowFormModal(m_state, note);
}

void QtUserPrompt::doneWith(const QString &detail, const std::function<void()> &openFolder)
{
    frmMsgAutoClose note(m_state, owner());
    note.setDetail(detail, openFolder);
    ShowFormModal(m_state, note);
}

void QtUserPrompt::internetConnectionError()
{
    frmInternetConnection window(m_state, owner());
    window.setEndProgram(m_connectionEnd);
    window.setAuthBrowserShowing(m_authBrowserShowing);
    ShowFormModal(m_state, window);
}

void QtUserPrompt::uploadSizeNote()
{
    frmNote note(m_state, owner());
    ShowFormModal(m_state, note);
}

QString QtUserPrompt::qtFileFilter(const QString &filter)
{
    // The pairs alternate: what the user reads, then the patterns. The
    // dialog wants the patterns inside the label, blank-separated.
    static const QRegularExpression kTrailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts.at(i);
        label.remove(kTrailingPatterns);
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        filters << label.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    if (parts.size() == 1 && !parts.first().isEmpty())
        filters << parts.first();
    return filters.join(QStringLiteral(";;"));
}

QStringList QtUserPrompt::openFiles(const FileDialogRequest &request)
{
    const bool wasOpen = m_state.ModalFormOpen;
    m_state.ModalFormOpen = true;
    QStringList chosen;
    const QString filter = qtFileFilter(request.filter);
    if (request.multiSelect) {
        chosen = QFileDialog::getOpenFileNames(owner(), request.title, request.initialFolder, filter);
    } else {
        const QString one =
            QFileDialog::getOpenFileName(owner(), request.title, request.initialFolder, filter);
        if (!one.isEmpty())
            chosen << one;
    }
    m_state.ModalFormOpen = wasOpen;
    return chosen;
}

void QtUserPrompt::errorReport(const QString &report)
{
    frmError window(m_state, owner());
    window.setErrMsg(report);
    window.setEndProgram(m_errorEnd);
    ShowFormModal(m_state, window);
}
