#pragma once

// Every key of "Settings.xml", written once. A key is the root element and the
// element names joined by "//"; it matches the first such element in
// document order.
namespace SettingsKey {
inline constexpr char UploadSize[] = "//Settings//UploadSize";
inline constexpr char Skin[] = "//Settings//Skin";
inline constexpr char UploadPrompt[] = "//Settings//UploadPrompt";
inline constexpr char StartupPrompt[] = "//Settings//StartupPrompt";
inline constexpr char SkypePath[] = "//Settings//SkypePath";
inline constexpr char LifePicsMail[] = "//Settings//LifePicsMail";
// "True": photos leave with every tag they carry (Settings window's "Send
// location and camera details"). A file installed before it existed lacks
// the element; writing the key adds it.
inline constexpr char KeepMetadata[] = "//Settings//KeepMetadata";

inline constexpr char FacebookAccessToken[] = "//Settings//Facebook//AccessToken";
inline constexpr char FacebookID[] = "//Settings//Facebook//FaceBookID";
inline constexpr char FlickrAccessToken[] = "//Settings//Flickr//AccessToken";
inline constexpr char DropBoxUid[] = "//Settings//DropBox//uid";
inline constexpr char DropBoxToken[] = "//Settings//DropBox//oauth_token";
inline constexpr char DropBoxTokenSecret[] = "//Settings//DropBox//oauth_token_secret";
inline constexpr char GoogleAccessToken[] = "//Settings//Google//AccessToken";
inline constexpr char GoogleRefreshToken[] = "//Settings//Google//RefreshToken";
inline constexpr char GoogleID[] = "//Settings//Google//GoogleID";
inline constexpr char SkyDriveAccessToken[] = "//Settings//Skydrive//access_token";
inline constexpr char SkyDriveAuthenticationToken[] = "//Settings//Skydrive//authentication_token";
inline constexpr char SkyDriveRefreshToken[] = "//Settings//Skydrive//refresh_token";
// Photos the background uploader sends at once to each service (1 to 16;
// absent or anything else: its default).
inline constexpr char UploadConnections[] = "//Settings//Uploader//Connections";
// The rclone remote a cloud-folder button sends to in place of the service
// itself; absent or empty for the service.
inline constexpr char RcloneDropbox[] = "//Settings//Rclone//Dropbox";
inline constexpr char RcloneGoogle[] = "//Settings//Rclone//Google";
inline constexpr char RcloneSkyDrive[] = "//Settings//Rclone//SkyDrive";
} // namespace SettingsKey
