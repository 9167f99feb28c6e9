#include "core/ui/frmMsgBox.h"

#include "core/UserPrompt.h"
#include "core/ui/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace {

// The designed places of the three buttons, left to right.
constexpr int kButtonTop = twips(1770);
constexpr int kButtonWidth = twips(1290);
constexpr int kButtonHeight = twips(405);
constexpr int kYesLeft = twips(1110);
constexpr int kNoLeft = twips(2520);
constexpr int kCancelLeft = twips(3930);

} // namespace

frmMsgBox::frmMsgBox(AppState &state, QWidget *parent)
    : SkinnedDialog(state, parent), m_message(new QLabel(this)),
      m_yes(new QPushButton(QStringLiteral("Yes"), this)), m_no(new QPushButton(QStringLiteral("No"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)), m_returnCode(MsgBoxCode::Cancel)
{
    setObjectName(QStringLiteral("frmMsgBox"));
    setFixedSize(twips(5520), twips(2430));

    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_message->setGeometry(twips(360), TitleBarHeight + twips(150), width() - 2 * twips(360), twips(1020));

    const struct
    {
        QPushButton *button;
        const char *name;
        int code;
        int left;
    } buttons[] = {
        {m_yes, "cmdYes", MsgBoxCode::Yes, kYesLeft},
        {m_no, "cmdNo", MsgBoxCode::No, kNoLeft},
        {m_cancel, "cmdCancel", MsgBoxCode::Cancel, kCancelLeft},
    };
    for (const auto &b : buttons) {
        b.button->setObjectName(QString::fromLatin1(b.name));
        b.button->setGeometry(b.left, kButtonTop, kButtonWidth, kButtonHeight);
        skinButton(b.button);
        const int code = b.code;
        connect(b.button, &QPushButton::clicked, this, [this, code] { answer(code); });
    }
    // Closing by the title bar or Escape is the Cancel answer.
    connect(this, &QDialog::rejected, this, [this] { m_returnCode = MsgBoxCode::Cancel; });
}

void frmMsgBox::SetMessage(const QString &text)
{
    m_message->setText(text);
}

void frmMsgBox::Form_Load()
{
    m_returnCode = MsgBoxCode::Cancel;
    if (m_showCancel) {
        m_yes->setVisible(m_showYes);
        m_no->setVisible(m_showNo);
        m_cancel->setVisible(true);
        m_yes->move(kYesLeft, kButtonTop);
        m_no->move(kNoLeft, kButtonTop);
        m_cancel->move(kCancelLeft, kButtonTop);
    } else {
        // Two answers sit at the right, where the eye ends up after reading.
        m_yes->setVisible(true);
        m_no->setVisible(true);
        m_cancel->setVisible(false);
        m_yes->move(kNoLeft, kButtonTop);
        m_no->move(kCancelLeft, kButtonTop);
    }
    titleLabel()->setText(QStringLiteral("Flazz"));
}

void frmMsgBox::answer(int code)
{
    m_returnCode = code;
    accept();
}
