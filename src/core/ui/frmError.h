#pragma once

#include "core/ui/ProgramEnd.h"
#include "core/ui/SkinnedDialog.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The last window of a run that met an unexpected error: a short apology,
// the full report behind a Details button, and the end of the program
// however it is closed.
class frmError : public SkinnedDialog
{
    Q_OBJECT
public:
    static constexpr int CollapsedHeight = 2235; // twips
    static constexpr int ExpandedHeight = 4245;  // twips

    explicit frmError(AppState &state, QWidget *parent = nullptr);

    // The report to show in the details box.
    void setErrMsg(const QString &report);
    QString ErrMsg() const { return m_report; }

    void setEndProgram(EndProgramAction action) { m_endProgram = std::move(action); }

    bool expanded() const { return m_expanded; }
    QPushButton *cmdDetails() const { return m_details; }
    QPushButton *cmdClose() const { return m_close; }
    QPlainTextEdit *txtDetails() const { return m_box; }

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void cmdDetails_Click();
    void setExpanded(bool expanded);

    QLabel *m_message;
    QPushButton *m_details;
    QPushButton *m_close;
    QPlainTextEdit *m_box;
    QString m_report;
    bool m_expanded = false;
    EndProgramAction m_endProgram;
};
