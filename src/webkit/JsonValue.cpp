#include "webkit/JsonValue.h"

#include <QLocale>

#include <cmath>

JsonValue JsonValue::null()
{
    JsonValue v;
    v.m_data = nullptr;
    return v;
}

JsonValue::JsonValue(std::shared_ptr<const JsonObject> object) : m_data(std::move(object)) {}

JsonValue::JsonValue(std::shared_ptr<const QList<JsonValue>> array) : m_data(std::move(array)) {}

QString JsonValue::toString() const
{
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(m_data) ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Int:
        return QString::number(std::get<qint32>(m_data));
    case Kind::Double:
        return QLocale::c().toString(std::get<double>(m_data), 'g', QLocale::FloatingPointShortest);
    case Kind::String:
        return std::get<QString>(m_data);
    default:
        return {};
    }
}

qint32 JsonValue::toInt() const
{
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(m_data) ? 1 : 0;
    case Kind::Int:
        return std::get<qint32>(m_data);
    case Kind::Double: {
        const double d = std::get<double>(m_data);
        return (std::isfinite(d) && std::abs(d) < 2147483648.0) ? qint32(d) : 0;
    }
    case Kind::String:
        return std::get<QString>(m_data).trimmed().toInt();
    default:
        return 0;
    }
}

double JsonValue::toDouble() const
{
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(m_data) ? 1 : 0;
    case Kind::Int:
        return std::get<qint32>(m_data);
    case Kind::Double:
        return std::get<double>(m_data);
    case Kind::String:
        return QLocale::c().toDouble(std::get<QString>(m_data).trimmed());
    default:
        return 0;
    }
}

bool JsonValue::toBool() const
{
    switch (kind()) {
    case Kind::Bool:
        return std::get<bool>(m_data);
    case Kind::Int:
        return std::get<qint32>(m_data) != 0;
    case Kind::Double:
        return std::get<double>(m_data) != 0;
    case Kind::String:
        return std::get<QString>(m_data) == u"true";
    default:
        return false;
    }
}

JsonValue JsonValue::Item(QStringView key) const
{
    if (kind() != Kind::Object)
        return {};
    const JsonValue *v = std::get<std::shared_ptr<const JsonObject>>(m_data)->find(key);
    return v ? *v : JsonValue();
}

bool JsonValue::Exists(QStringView key) const
{
    return kind() == Kind::Object &&
           std::get<std::shared_ptr<const JsonObject>>(m_data)->find(key) != nullptr;
}

QList<JsonValue> JsonValue::Items() const
{
    QList<JsonValue> out;
    if (kind() == Kind::Object) {
        for (const auto &m : std::get<std::shared_ptr<const JsonObject>>(m_data)->members())
            out.append(m.second);
    } else if (kind() == Kind::Array) {
        out = *std::get<std::shared_ptr<const QList<JsonValue>>>(m_data);
    }
    return out;
}

QStringList JsonValue::Keys() const
{
    QStringList out;
    if (kind() == Kind::Object) {
        for (const auto &m : std::get<std::shared_ptr<const JsonObject>>(m_data)->members())
            out.append(m.first);
    }
    return out;
}

qsizetype JsonValue::Count() const
{
    if (kind() == Kind::Array)
        return std::get<std::shared_ptr<const QList<JsonValue>>>(m_data)->size();
    if (kind() == Kind::Object)
        return std::get<std::shared_ptr<const JsonObject>>(m_data)->size();
    return 0;
}

JsonValue JsonValue::Item(qsizetype index) const
{
    if (kind() != Kind::Array)
        return {};
    const auto &list = *std::get<std::shared_ptr<const QList<JsonValue>>>(m_data);
    return (index >= 1 && index <= list.size()) ? list.at(index - 1) : JsonValue();
}

bool operator==(const JsonValue &a, const JsonValue &b)
{
    if (a.kind() != b.kind())
        return false;
    switch (a.kind()) {
    case JsonValue::Kind::Object: {
        const auto &x = std::get<std::shared_ptr<const JsonObject>>(a.m_data)->members();
        const auto &y = std::get<std::shared_ptr<const JsonObject>>(b.m_data)->members();
        return x == y;
    }
    case JsonValue::Kind::Array:
        return *std::get<std::shared_ptr<const QList<JsonValue>>>(a.m_data) ==
               *std::get<std::shared_ptr<const QList<JsonValue>>>(b.m_data);
    default:
        return a.m_data == b.m_data;
    }
}

bool JsonObject::add(const QString &key, JsonValue value)
{
    if (m_index.contains(key))
        return false;
    m_index.insert(key, m_members.size());
    m_members.append({key, std::move(value)});
    return true;
}

const JsonValue *JsonObject::find(QStringView key) const
{
    const auto it = m_index.constFind(key.toString());
    return it == m_index.cend() ? nullptr : &m_members.at(*it).second;
}
