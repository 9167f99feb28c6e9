#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>
#include <variant>

class JsonObject;

// One value read from JSON. Connectors read members straight through, the
// way the answers are documented, without testing kinds first: asking a
// missing member, an item past the end, or a member of something that is
// not a container gives the empty value, and the conversions give "", 0 or
// false for kinds that do not fit. Containers are shared and read-only once
// parsed, so copies are cheap.
class JsonValue
{
public:
    enum class Kind
    {
        Empty,
        Null,
        Bool,
        Int,
        Double,
        String,
        Object,
        Array
    };

    JsonValue() = default;
    static JsonValue null();
    JsonValue(bool value) : m_data(value) {}
    JsonValue(qint32 value) : m_data(value) {}
    JsonValue(double value) : m_data(value) {}
    JsonValue(QString value) : m_data(std::move(value)) {}
    JsonValue(std::shared_ptr<const JsonObject> object);
    JsonValue(std::shared_ptr<const QList<JsonValue>> array);

    Kind kind() const { return Kind(m_data.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isObject() const { return kind() == Kind::Object; }
    bool isArray() const { return kind() == Kind::Array; }

    // Text of a string, the decimal form of a number, "true"/"false"; "" for
    // empty, null and containers.
    QString toString() const;
    qint32 toInt() const; // integers; doubles truncated; numeric text; else 0
    double toDouble() const;
    bool toBool() const;

    // Dictionary side (keys are case-sensitive).
    JsonValue Item(QStringView key) const;
    bool Exists(QStringView key) const;
    QList<JsonValue> Items() const;
    QStringList Keys() const;

    // Collection side: items 1 to Count().
    qsizetype Count() const;
    JsonValue Item(qsizetype index) const;

    friend bool operator==(const JsonValue &a, const JsonValue &b);

private:
    std::variant<std::monostate, std::nullptr_t, bool, qint32, double, QString,
                 std::shared_ptr<const JsonObject>, std::shared_ptr<const QList<JsonValue>>>
        m_data;
};

// The members of one JSON object in the order they were read; each key
// occurs once.
class JsonObject
{
public:
    // False, leaving the object unchanged, when the key is already present.
    bool add(const QString &key, JsonValue value);

    const JsonValue *find(QStringView key) const;
    qsizetype size() const { return m_members.size(); }
    const QList<std::pair<QString, JsonValue>> &members() const { return m_members; }

private:
    QList<std::pair<QString, JsonValue>> m_members;
    QHash<QString, qsizetype> m_index;
};
