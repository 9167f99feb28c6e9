#pragma once

#include <QString>

#include <stdexcept>

// The error the web toolkit's classes raise: a number, the operation that
// raised it ("HS1.HmacSha1") and a text for people. Connectors catch it in
// their own error trap and report it; nothing in the toolkit catches it.
class ToolkitError : public std::runtime_error
{
public:
    ToolkitError(quint32 number, QString source, QString description)
        : std::runtime_error(description.toStdString()), m_number(number), m_source(std::move(source)),
          m_description(std::move(description))
    {
    }

    quint32 number() const { return m_number; }
    const QString &source() const { return m_source; }
    const QString &description() const { return m_description; }

private:
    quint32 m_number;
    QString m_source;
    QString m_description;
};
