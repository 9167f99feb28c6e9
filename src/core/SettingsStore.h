#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

// "Settings.xml", read and written one short transaction at a time: every call
// loads the whole file and, for writes, saves it back. Nothing is cached and
// the file is never held open, so the last writer wins.
class SettingsStore
{
public:
    explicit SettingsStore(QString settingsFile);

    const QString &fileName() const { return m_file; }

    // The element text of `key`; nullopt when the file is missing or not
    // well-formed, or when no element matches the key.
    std::optional<QString> read(const QString &key) const;
    // Whether the file is there and well-formed, whatever it holds.
    bool loads() const;
    QString readOr(const QString &key, const QString &fallback = {}) const;

    // Replaces the texts of existing elements and saves. Nothing is written
    // unless the file loads and every key matches an element: a write never
    // creates an element and never leaves the file half-changed. The save is
    // atomic and leaves the file readable by its owner only (it holds tokens).
    bool write(const std::vector<std::pair<QString, QString>> &values);
    bool write(const QString &key, const QString &value) { return write({{key, value}}); }
    // The same, except that missing elements of a key are added (at the end
    // of their parents): a file installed by an earlier version lacks the
    // keys, and whole groups of them, that came later.
    bool writeAdding(const std::vector<std::pair<QString, QString>> &values);
    bool writeAdding(const QString &key, const QString &value) { return writeAdding({{key, value}}); }

    // The XPath a key stands for: blanks next to "//" are not significant.
    static QString normalizedKey(const QString &key);

private:
    bool write(const std::vector<std::pair<QString, QString>> &values, bool addMissing);

    QString m_file;
};

// Settings texts as the start-up reads them.
namespace SettingsText {
// Only the exact text "True" is on.
inline bool isOn(const std::optional<QString> &text)
{
    return text && *text == QLatin1String("True");
}
// A text that does not convert to an integer counts as 0.
int toInt(const std::optional<QString> &text);
} // namespace SettingsText
