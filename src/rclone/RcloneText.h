#pragma once

#include <QString>

// What rclone says goes through here before it becomes a reason, a log
// line or a message: rclone names addresses, and an address may carry a
// password in its user part or a token in its query; some answers quote a
// token or a header. Those are cut out, whatever remote they come from, and
// the text is kept to one short line.
QString redactRcloneText(const QString &text);

// The last line of rclone's output that says something, without its time
// stamp, redacted.
QString rcloneLastWords(const QString &output);

// What an error of rclone's means for the photo it stopped.
enum class RcloneFailure
{
    Transient,   // a network or server trouble: try again later
    Credentials, // the remote refused the sign-in: nothing of the job can go
    Full,        // no room left on the remote
    NoRemote,    // the configuration has no such remote
    Refused      // this file will not go (name, type or size refused)
};

RcloneFailure classifyRcloneError(const QString &text);
