#include "imaging/cGDIpToken.h"

#include "imaging/cGDIpImage.h"

#include <QMutexLocker>

#include <turbojpeg.h>

#include <atomic>

namespace {

// Tokens are told apart by number like the library's own start-up cookies;
// zero stays reserved for "not started".
std::atomic<quint32> g_nextToken{1};

bool jpegCodecAvailable()
{
    tjhandle handle = tjInitDecompress();
    if (!handle)
        return false;
    tjDestroy(handle);
    return true;
}

} // namespace

cGDIpToken::cGDIpToken(Startup startup)
{
    if (startup == Startup::Start && jpegCodecAvailable())
        m_token = g_nextToken.fetch_add(1);
}

cGDIpToken::~cGDIpToken()
{
    QMutexLocker lock(&m_mutex);
    if (m_token == 0)
        return;
    // Images still registered let go of their decoder state first, and must
    // not reach back to a token that no longer exists.
    for (cGDIpImage *image : std::as_const(m_users)) {
        image->Clear();
        image->detachFromToken();
    }
    m_users.clear();
    m_token = 0;
}

quint32 cGDIpToken::Token() const
{
    QMutexLocker lock(&m_mutex);
    return m_token;
}

void cGDIpToken::AddUser(cGDIpImage *image)
{
    QMutexLocker lock(&m_mutex);
    m_users.insert(image);
}

void cGDIpToken::RemoveUser(cGDIpImage *image)
{
    QMutexLocker lock(&m_mutex);
    m_users.remove(image);
}

int cGDIpToken::UserCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_users.size());
}
