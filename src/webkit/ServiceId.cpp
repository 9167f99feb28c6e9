#include "webkit/ServiceId.h"

namespace {

constexpr QStringView kRclonePrefix = u"rclone:";

} // namespace

ServiceId::ServiceId(Service service)
    : m_text(QString::fromUtf16(describe(service).storedName)), m_service(service)
{
}

ServiceId ServiceId::fromText(const QString &text)
{
    for (const ServiceDescriptor &d : serviceDescriptors()) {
        if (text == QStringView(d.storedName))
            return ServiceId(d.service);
    }
    ServiceId other;
    other.m_text = text;
    return other;
}

ServiceId ServiceId::rcloneRemote(const QString &remote)
{
    return fromText(kRclonePrefix.toString() + remote);
}

bool ServiceId::isRemote() const
{
    return m_text.startsWith(kRclonePrefix);
}

QString ServiceId::remote() const
{
    return m_text.startsWith(kRclonePrefix) ? m_text.mid(kRclonePrefix.size()) : QString();
}

QString ServiceId::displayName() const
{
    if (m_service)
        return QString::fromUtf16(describe(*m_service).displayName);
    const QString name = remote();
    return name.isEmpty() ? m_text : name;
}
