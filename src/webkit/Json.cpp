#include "webkit/Json.h"

#include "webkit/WebText.h"
#include "webkit/cStringBuilder.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr qsizetype kMaxErrorText = 1 << 16;

// A value that could not be read; the enclosing object or array records it
// and ends.
struct ReadFailure
{
    QString description;
};

// Past the value budget nothing read so far is worth keeping: it unwinds
// every container at once.
struct OverBudget
{
};

class Reader
{
public:
    explicit Reader(const QString &text) : m_text(text), m_size(text.size()) {}

    JsonResult parse()
    {
        skip();
        JsonResult result;
        try {
            if (m_pos < m_size && at() == u'{')
                result.value = readObject(0);
            else if (m_pos < m_size && at() == u'[')
                result.value = readArray(0);
            else
                m_errors = QStringLiteral("Invalid JSON");
        } catch (const OverBudget &) {
            // Callers already treat "not JSON" as an answer without the
            // member they wanted; a flood of values becomes exactly that.
            result.value = {};
            m_errors = QStringLiteral("Invalid JSON");
        }
        result.errors = m_errors;
        return result;
    }

private:
    QChar at() const { return m_pos < m_size ? m_text.at(m_pos) : QChar(); }
    bool atEnd() const { return m_pos >= m_size; }
    // Positions in messages count from 1, as people read them.
    QString position() const { return QString::number(m_pos + 1); }
    QStringView rest() const { return QStringView(m_text).mid(qMin(m_pos, m_size)); }
    QStringView next20() const { return rest().left(20); }
    bool startsWith(QStringView literal) const { return QStringView(m_text).mid(m_pos).startsWith(literal); }

    // Nobody reads the complaints, so past a generous size they are dropped
    // rather than letting hostile input make them grow without bound.
    void complain(const QString &head, QStringView tail = {})
    {
        if (m_errors.size() > kMaxErrorText)
            return;
        m_errors += head;
        m_errors += tail;
        m_errors += kCrLf;
    }

    // Blanks, parentheses and comments. The three flags start afresh on
    // every call, so a comment cannot carry over from one token to the next.
    void skip()
    {
        bool start = false, inComment = false, inBlock = false;
        for (; m_pos < m_size; ++m_pos) {
            const QChar c = m_text.at(m_pos);
            if (c == u'\r' || c == u'\n') {
                if (!inBlock) {
                    start = false;
                    inComment = false;
                }
            } else if (c == u'\t' || c == u' ' || c == u'(' || c == u')') {
            } else if (c == u'/') {
                if (inBlock) {
                    if (start)
                        start = inComment = inBlock = false;
                } else if (start) {
                    inComment = true;
                    start = false;
                } else {
                    start = true;
                    inComment = inBlock = false;
                }
            } else if (c == u'*') {
                if (start) {
                    inComment = inBlock = true;
                    start = false;
                } else {
                    start = true;
                }
            } else if (!inComment) {
                return;
            }
        }
    }

    JsonValue readValue(int depth)
    {
        if (++m_values > MaxJsonValues)
            throw OverBudget{};
        skip();
        const QChar c = at();
        if (c == u'{')
            return readObject(depth + 1);
        if (c == u'[')
            return readArray(depth + 1);
        if (c == u'"' || c == u'\'')
            return readString();
        if (c == u't' || c == u'f')
            return readBoolean();
        if (c == u'n')
            return readNull();
        return readNumber();
    }

    void checkDepth(int depth) const
    {
        if (depth >= MaxJsonDepth)
            throw ReadFailure{QStringLiteral("Nesting deeper than %1 levels").arg(MaxJsonDepth)};
    }

    JsonValue readObject(int depth)
    {
        checkDepth(depth);
        auto object = std::make_shared<JsonObject>();
        skip();
        if (at() != u'{') {
            complain(QStringLiteral("Invalid Object at position ") + position() + QStringLiteral(" : "),
                     rest());
            return JsonValue(std::shared_ptr<const JsonObject>(object));
        }
        ++m_pos;
        for (;;) {
            skip();
            if (at() == u'}') {
                ++m_pos;
                break;
            }
            if (at() == u',') {
                ++m_pos;
                skip();
            }
            const QString key = readKey();
            try {
                JsonValue value = readValue(depth);
                if (!object->add(key, std::move(value)))
                    throw ReadFailure{
                        QStringLiteral("This key is already associated with an element of this collection")};
            } catch (const ReadFailure &failure) {
                complain(failure.description + QStringLiteral(": "), key);
                break;
            }
        }
        return JsonValue(std::shared_ptr<const JsonObject>(object));
    }

    QString readKey()
    {
        skip();
        QString key;
        bool inDouble = false, inSingle = false;
        while (!atEnd()) {
            const QChar c = at();
            if (c == u'"' || c == u'\'') {
                bool &flag = (c == u'"') ? inDouble : inSingle;
                flag = !flag;
                ++m_pos;
                if (!flag) {
                    skip();
                    if (at() != u':') {
                        complain(QStringLiteral("Invalid Key at position ") + position() +
                                     QStringLiteral(" : "),
                                 key);
                        return key;
                    }
                }
            } else if (c == u':') {
                ++m_pos;
                if (!inDouble && !inSingle)
                    return key;
                // Inside quotes the colon belongs to the key; taking it keeps
                // the reader moving.
                complain(QStringLiteral("Colon inside quoted key at position ") + QString::number(m_pos) +
                             QStringLiteral(" : "),
                         key);
                key.append(c);
            } else if (c == u'\r' || c == u'\n' || c == u'\t' || c == u' ') {
                ++m_pos;
            } else {
                key.append(c);
                ++m_pos;
            }
        }
        return key;
    }

    JsonValue readString()
    {
        const QChar quote = at();
        ++m_pos;
        cStringBuilder text;
        while (!atEnd()) {
            const QChar c = at();
            if (c == quote) {
                ++m_pos;
                break;
            }
            if (c != u'\\') {
                text.Append(QStringView(&m_text.constData()[m_pos], 1));
                ++m_pos;
                continue;
            }
            ++m_pos;
            const QChar e = at();
            QChar out;
            bool known = true;
            switch (e.unicode()) {
            case u'"':
            case u'\\':
            case u'/':
            case u'\'':
                out = e;
                break;
            case u'b':
                out = QChar(8);
                break;
            case u'f':
                out = QChar(12);
                break;
            case u'n':
                out = QChar(10);
                break;
            case u'r':
                out = QChar(13);
                break;
            case u't':
                out = QChar(9);
                break;
            case u'u': {
                char16_t code = 0;
                for (qsizetype i = m_pos + 1; i < qMin(m_pos + 5, m_size); ++i) {
                    const int d = hexDigitValue(m_text.at(i));
                    if (d < 0)
                        break;
                    code = char16_t(code * 16 + d);
                }
                out = QChar(code);
                m_pos += 4; // the "u" itself is stepped past below
                break;
            }
            default:
                known = false;
            }
            if (known) {
                text.Append(QStringView(&out, 1));
                m_pos = qMin(m_pos + 1, m_size);
            }
        }
        return JsonValue(text.toString());
    }

    JsonValue readBoolean()
    {
        skip();
        if (startsWith(u"true")) {
            m_pos += 4;
            return JsonValue(true);
        }
        if (startsWith(u"false")) {
            m_pos += 5;
            return JsonValue(false);
        }
        complain(QStringLiteral("Invalid Boolean at position ") + position() + QStringLiteral(" : "), rest());
        return JsonValue(false);
    }

    JsonValue readNull()
    {
        skip();
        if (startsWith(u"null")) {
            m_pos += 4;
            return JsonValue::null();
        }
        complain(QStringLiteral("Invalid null value at position ") + position() + QStringLiteral(" : "),
                 rest());
        return {};
    }

    JsonValue readNumber()
    {
        skip();
        const qsizetype begin = m_pos;
        while (!atEnd() && QStringView(u"+-0123456789.eE").contains(at()))
            ++m_pos;
        if (atEnd())
            return {};
        const QString digits = m_text.mid(begin, m_pos - begin);
        bool ok = false;
        if (digits.contains(u'.') || digits.contains(u'e') || digits.contains(u'E')) {
            const double d = QLocale::c().toDouble(digits, &ok);
            if (ok)
                return JsonValue(d);
            throw ReadFailure{std::isinf(d) ? QStringLiteral("Overflow") : QStringLiteral("Type mismatch")};
        }
        const qlonglong n = digits.toLongLong(&ok);
        if (!ok) {
            // Digits too many for 64 bits are still an overflow, not a mismatch.
            const QString bare = digits.startsWith(u'-') || digits.startsWith(u'+') ? digits.mid(1) : digits;
            const bool allDigits = !bare.isEmpty() && !bare.contains(u'+') && !bare.contains(u'-');
            throw ReadFailure{allDigits ? QStringLiteral("Overflow") : QStringLiteral("Type mismatch")};
        }
        if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
            throw ReadFailure{QStringLiteral("Overflow")};
        return JsonValue(qint32(n));
    }

    JsonValue readArray(int depth)
    {
        checkDepth(depth);
        auto list = std::make_shared<QList<JsonValue>>();
        const auto result = [&] { return JsonValue(std::shared_ptr<const QList<JsonValue>>(list)); };
        skip();
        if (at() != u'[') {
            complain(QStringLiteral("Invalid Array at position ") + position() + QStringLiteral(" : "),
                     next20());
            return result();
        }
        ++m_pos;
        for (;;) {
            skip();
            if (at() == u']') {
                ++m_pos;
                break;
            }
            if (at() == u',') {
                ++m_pos;
                skip();
            }
            if (atEnd()) {
                complain(QStringLiteral("Unfinished Array at position ") + position());
                break;
            }
            const qsizetype before = m_pos;
            try {
                JsonValue value = readValue(depth);
                if (m_pos == before) {
                    // Reading the same place again would give the same value
                    // for ever.
                    complain(QStringLiteral("Invalid value at position ") + position() +
                                 QStringLiteral(" : "),
                             next20());
                    break;
                }
                list->append(std::move(value));
            } catch (const ReadFailure &failure) {
                complain(failure.description + QStringLiteral(": "), next20());
                break;
            }
        }
        return result();
    }

    const QString &m_text;
    const qsizetype m_size;
    qsizetype m_pos = 0;
    qsizetype m_values = 1; // the outermost container
    QString m_errors;
};

} // namespace

JsonResult ParseJson(const QString &text)
{
    return Reader(text).parse();
}
