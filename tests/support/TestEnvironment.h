#pragma once

#include "core/AppState.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A private world for one test: shell folders, the registry stand-in and the
// instance lock all live in a fresh temporary folder, and the data folder is
// provisioned exactly as a first start would. Restores the environment when
// it goes.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();

    TestEnvironment(const TestEnvironment &) = delete;
    TestEnvironment &operator=(const TestEnvironment &) = delete;

    QString root() const { return m_dir.path(); }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    // A state whose folders point into this environment.
    AppState &state() { return m_state; }

    // Writes a registry value of the INI stand-in.
    void setRegistryValue(const QString &subKey, const QString &name, const QString &value);

    // Writes `bytes` to `relative`, or to an absolute path such as the
    // settings file (folders created); returns the full path.
    QString writeFile(const QString &relative, const QByteArray &bytes);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldShellRoot;
    QByteArray m_oldRegistry;
    AppState m_state;
};
