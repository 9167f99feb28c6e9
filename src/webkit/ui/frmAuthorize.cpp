#include "webkit/ui/frmAuthorize.h"

#include "core/ui/Twips.h"

frmAuthorize::frmAuthorize(AppState &state, QWidget *parent)
    : AuthorizePrompt(
          state, QStringLiteral("frmAuthorize"),
          {QStringLiteral("This service requires that you authorize Flazz to communicate with it."),
           QStringLiteral(
               "Authorizing is a simple one time process which takes place in your web browser. When "
               "you are finished, return to this window to complete the process."),
           QStringLiteral("Note that you must be connected to the Internet in order to perform the "
                          "authorization.")},
          QStringLiteral("cmdAuthorize"), QStringLiteral("Authorize"), twips(1290), parent)
{
}
