#pragma once

#include <QString>

struct AppState;
class UserPrompt;

// The numbered messages this program shows, in the system message box with
// the program's title.
namespace MessageNo {
inline constexpr int EmptyPhotoSet = 65;
inline constexpr int FolderOrFileProblem = 385;
inline constexpr int CannotReachFlickr = 478;
inline constexpr int FlickrAuthorizationFailed = 570;
inline constexpr int AuthorizationFailed = 571;
inline constexpr int AuthorizationUnsuccessful = 573;
inline constexpr int CannotReachDropbox = 602;
inline constexpr int CallerText = 999;
} // namespace MessageNo

// The catalog text of `number`; empty for numbers the program never shows.
QString catalogText(int number);
// The button code the catalog gives `number` (OK with an icon).
int catalogButtons(int number);

// Shows message `number` (for 999, `text`) with `buttons`. An empty `title`
// becomes "Flazz", and the caller sees the change. ModalFormOpen is set while
// the box is on screen. Returns the box's MsgResult.
int funcMessageDisplay(AppState &state, UserPrompt &ui, int number, int buttons, QString &title,
                       const QString &text = {});

// The common case: the catalog's own buttons and the program's title.
int funcMessageDisplay(AppState &state, UserPrompt &ui, int number);
