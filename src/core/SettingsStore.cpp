#include "core/SettingsStore.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <QStringList>

#include <pugixml.hpp>

#include <sstream>

namespace {

bool loadDocument(const QString &file, pugi::xml_document &doc)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments;
    return static_cast<bool>(doc.load_buffer(bytes.constData(), size_t(bytes.size()), options));
}

pugi::xml_node selectKey(const pugi::xml_document &doc, const QString &key)
{
    try {
        const QByteArray xpath = SettingsStore::normalizedKey(key).toUtf8();
        // select_node yields the first match in document order.
        return doc.select_node(xpath.constData()).node();
    } catch (const pugi::xpath_exception &) {
        return {};
    }
}

// The element `key` names under the root, made with those above it that
// are missing; null when the key does not start at the root element.
pugi::xml_node addElements(pugi::xml_document &doc, const QString &key)
{
    QStringList steps = SettingsStore::normalizedKey(key).split(QStringLiteral("//"), Qt::SkipEmptyParts);
    pugi::xml_node node = doc.document_element();
    if (steps.size() < 2 || !node || QString::fromUtf8(node.name()) != steps.takeFirst())
        return {};
    for (const QString &step : steps) {
        const QByteArray name = step.toUtf8();
        const pugi::xml_node child = node.child(name.constData());
        node = child ? child : node.append_child(name.constData());
    }
    return node;
}

bool saveDocument(const pugi::xml_document &doc, const QString &file)
{
    std::ostringstream out;
    doc.save(out, "\t", pugi::format_default, pugi::encoding_utf8);
    const std::string text = out.str();
    return platform::writeFileAtomically(file, QByteArray(text.data(), qsizetype(text.size())),
                                         platform::FileAccess::OwnerOnly);
}

} // namespace

SettingsStore::SettingsStore(QString settingsFile) : m_file(std::move(settingsFile)) {}

QString SettingsStore::normalizedKey(const QString &key)
{
    const QStringList steps = key.trimmed().split(QStringLiteral("//"));
    QStringList trimmed;
    trimmed.reserve(steps.size());
    for (const QString &step : steps)
        trimmed.append(step.trimmed());
    return trimmed.join(QStringLiteral("//"));
}

std::optional<QString> SettingsStore::read(const QString &key) const
{
    pugi::xml_document doc;
    if (!loadDocument(m_file, doc))
        return std::nullopt;
    const pugi::xml_node node = selectKey(doc, key);
    if (!node)
        return std::nullopt;
    return QString::fromUtf8(node.text().get());
}

bool SettingsStore::loads() const
{
    pugi::xml_document doc;
    return loadDocument(m_file, doc);
}

QString SettingsStore::readOr(const QString &key, const QString &fallback) const
{
    return read(key).value_or(fallback);
}

bool SettingsStore::write(const std::vector<std::pair<QString, QString>> &values)
{
    return write(values, false);
}

bool SettingsStore::writeAdding(const std::vector<std::pair<QString, QString>> &values)
{
    return write(values, true);
}

bool SettingsStore::write(const std::vector<std::pair<QString, QString>> &values, bool addMissing)
{
    pugi::xml_document doc;
    if (!loadDocument(m_file, doc))
        return false;
    for (const auto &[key, value] : values) {
        pugi::xml_node node = selectKey(doc, key);
        if (!node && addMissing)
            node = addElements(doc, key);
        if (!node || node.type() != pugi::node_element)
            return false;
        if (!node.text().set(value.toUtf8().constData()))
            return false;
    }
    return saveDocument(doc, m_file);
}

int SettingsText::toInt(const std::optional<QString> &text)
{
    if (!text)
        return 0;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    return ok ? value : 0;
}
