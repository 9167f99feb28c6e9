#include "core/MessageCatalog.h"

#include "core/AppState.h"
#include "core/UserPrompt.h"

namespace {

struct Row
{
    int number;
    int buttons;
    const char16_t *text;
};

// Only the rows the program shows; the catalog it grew from had hundreds more.
constexpr Row kRows[] = {
    {MessageNo::EmptyPhotoSet, MsgStyle::Information,
     u"Add one or more Photos to the Drop Zone. Then perform your desired activity."},
    {MessageNo::FolderOrFileProblem, MsgStyle::Information,
     u"Oops, it seems that there is a problem with a folder or file. If it's a folder you are trying to drop "
     u"(and "
     u"it won't), trying opening it and dragging the files to Flazz. You may need to skip one or more files "
     u"that "
     u"seem troublesome."},
    {MessageNo::CannotReachFlickr, MsgStyle::Critical, u"Cannot communicate with FlickR."},
    {MessageNo::FlickrAuthorizationFailed, MsgStyle::Critical,
     u"Flickr returned an error. Authorization failed."},
    {MessageNo::AuthorizationFailed, MsgStyle::Critical, u"Authorization failed."},
    {MessageNo::AuthorizationUnsuccessful, MsgStyle::Information, u"Authorization process unsuccessful."},
    {MessageNo::CannotReachDropbox, MsgStyle::Critical, u"Cannot communicate with Dropbox."},
};

const Row *findRow(int number)
{
    for (const Row &row : kRows) {
        if (row.number == number)
            return &row;
    }
    return nullptr;
}

} // namespace

QString catalogText(int number)
{
    const Row *row = findRow(number);
    return row ? QString::fromUtf16(row->text) : QString();
}

int catalogButtons(int number)
{
    const Row *row = findRow(number);
    return row ? row->buttons : MsgStyle::Information;
}

int funcMessageDisplay(AppState &state, UserPrompt &ui, int number, int buttons, QString &title,
                       const QString &text)
{
    if (title.isEmpty())
        title = QStringLiteral("Flazz");
    const bool wasOpen = state.ModalFormOpen;
    state.ModalFormOpen = true;
    const QString message = number == MessageNo::CallerText ? text : catalogText(number);
    const int result = ui.systemMessage(message, buttons, title);
    state.ModalFormOpen = wasOpen;
    return result;
}

int funcMessageDisplay(AppState &state, UserPrompt &ui, int number)
{
    QString title;
    return funcMessageDisplay(state, ui, number, catalogButtons(number), title);
}
