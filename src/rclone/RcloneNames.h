#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// The names photos take in a remote folder. Nothing already there is ever
// replaced, so a name that is taken becomes "name (1).jpg", "name (2).jpg",
// and so on. Names are compared without regard to case: several services
// (and the file systems some remotes sit on) do not tell "A.jpg" from
// "a.jpg".
class RcloneNames
{
public:
    // `taken`: what the folder holds now (files and folders alike).
    explicit RcloneNames(const QStringList &taken = {});

    // The first free name for a file called `wanted`, which is then taken.
    QString claim(const QString &wanted);
    void markTaken(const QString &name);
    bool isTaken(const QString &name) const;

    // A folder path as the user typed it, made into one rclone takes:
    // separators tidied, no "." or ".." part (nothing may land outside the
    // folder meant), no control characters. Nothing when it is unusable; ""
    // is the remote's top folder.
    static std::optional<QString> folderPath(const QString &typed);

    // `folder` + "/" + `name`, or `name` alone at the top.
    static QString join(const QString &folder, const QString &name);

private:
    QSet<QString> m_taken; // case-folded
};
