#include "webkit/ui/AuthorizePrompt.h"

#include "core/ui/Twips.h"
#include "platform/ui/WindowTools.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int kWidth = twips(6600);
constexpr int kMargin = twips(360);
constexpr int kGap = twips(150);
constexpr int kButtonHeight = twips(405);
constexpr int kButtonGap = twips(120);
constexpr int kCancelWidth = twips(1290);

} // namespace

AuthorizePrompt::AuthorizePrompt(AppState &state, const QString &name, const QStringList &texts,
                                 const QString &mainName, const QString &mainText, int mainWidth,
                                 QWidget *parent)
    : SkinnedDialog(state, parent), m_main(new QPushButton(mainText, this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(name);
    titleLabel()->setText(QStringLiteral("Authorize"));
    // The prompt has no close mark: Cancel is the way out.
    setTitleCloseShown(false);
    setCursor(Qt::ArrowCursor);
    platform::DragHandle::install(this);

    const int textWidth = kWidth - 2 * kMargin;
    int top = TitleBarHeight + kGap;
    for (int i = 0; i < texts.size(); ++i) {
        auto *label = new QLabel(texts.at(i), this);
        label->setObjectName(QStringLiteral("lblText%1").arg(i + 1));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        const int height = label->heightForWidth(textWidth);
        label->setGeometry(kMargin, top, textWidth, height);
        // A press on the text drags the window like a press beside it.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        top += height + kGap;
        m_texts << label;
    }

    top += kGap;
    m_main->setObjectName(mainName);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    const int cancelLeft = kWidth - kMargin - kCancelWidth;
    m_cancel->setGeometry(cancelLeft, top, kCancelWidth, kButtonHeight);
    m_main->setGeometry(cancelLeft - kButtonGap - mainWidth, top, mainWidth, kButtonHeight);
    skinButton(m_main);
    skinButton(m_cancel);
    m_main->setDefault(true);
    setFixedSize(kWidth, top + kButtonHeight + kMargin);

    connect(m_main, &QPushButton::clicked, this, [this] { answer(true); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { answer(false); });
}

void AuthorizePrompt::Form_Load()
{
    m_ok = false;
}

void AuthorizePrompt::showEvent(QShowEvent *event)
{
    SkinnedDialog::showEvent(event);
    if (QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void AuthorizePrompt::answer(bool ok)
{
    m_ok = ok;
    if (ok)
        accept();
    else
        reject();
}

void AuthorizePrompt::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
        answer(false);
        return;
    }
    SkinnedDialog::keyReleaseEvent(event);
}

void AuthorizePrompt::closeEvent(QCloseEvent *event)
{
    // The window system's close command is the user's "no".
    m_ok = false;
    SkinnedDialog::closeEvent(event);
}
