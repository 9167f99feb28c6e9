#include "webkit/ui/frmCompleteAuthorization.h"

#include "core/ui/Twips.h"

frmCompleteAuthorization::frmCompleteAuthorization(AppState &state, QWidget *parent)
    : AuthorizePrompt(
          state, QStringLiteral("frmCompleteAuthorization"),
          {QStringLiteral("Once you have authorized Flazz via the service's website, return to this "
                          "window and click the 'Complete Authorization' button below to complete "
                          "the authorization procedure."),
           QStringLiteral("Note: You can revoke this authorization at any time from your account "
                          "page on the service's website.")},
          QStringLiteral("cmdCompleteAuthorization"), QStringLiteral("Complete Authorization"), twips(2700),
          parent)
{
}
