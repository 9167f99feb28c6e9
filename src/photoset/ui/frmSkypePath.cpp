#include "photoset/ui/frmSkypePath.h"

#include "core/ui/Gallery.h"
#include "core/ui/Twips.h"
#include "platform/ui/WindowTools.h"

#include <QLabel>
#include <QPushButton>

frmSkypePath::frmSkypePath(AppState &state, UserPrompt *dialogs, FileDialogRequest request, QWidget *parent)
    : SkinnedDialog(state, parent), m_dialogs(dialogs), m_request(std::move(request)),
      m_message(new QLabel(messageText(), this)), m_skype(new QPushButton(QStringLiteral("Skype"), this))
{
    setObjectName(QStringLiteral("frmSkypePath"));
    setWindowTitle(QStringLiteral("Flazz"));
    titleLabel()->setText(QStringLiteral("Skype"));
    setFixedSize(twips(5520), twips(2430));

    m_message->setObjectName(QStringLiteral("lblMessage"));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_message->setGeometry(twips(360), TitleBarHeight + twips(150), width() - 2 * twips(360), twips(1020));
    // The frame around the message drags the window like the title does.
    platform::DragHandle::install(m_message);

    m_skype->setObjectName(QStringLiteral("btnSkype"));
    skinButton(m_skype);
    m_skype->setGeometry(width() - twips(360) - twips(1290), twips(1770), twips(1290), twips(405));
    m_skype->setDefault(true);
    connect(m_skype, &QPushButton::clicked, this, [this] { btnSkype_Click(); });
}

QString frmSkypePath::messageText()
{
    return QStringLiteral(
        "It seems that either Skype is not installed on your computer, or Flazz is unable to "
        "locate Skype. Click Skype to locate it, and complete your activity.");
}

void frmSkypePath::btnSkype_Click()
{
    if (!m_dialogs)
        return;
    const QString chosen = m_dialogs->openFiles(m_request).value(0);
    if (chosen.isEmpty())
        return; // the window stays, so the user may look again or close it
    m_chosen = chosen;
    accept();
}

void registerSkypeLocatorWindow(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmSkypePath"), [](AppState &state) -> std::unique_ptr<QWidget> {
        FileDialogRequest request;
        request.title = QStringLiteral("Locate Skype");
        return std::make_unique<frmSkypePath>(state, nullptr, request);
    });
}
