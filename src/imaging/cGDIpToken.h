#pragma once

#include <QMutex>
#include <QSet>

class cGDIpImage;

// The process's start-up token of the image library. The decoders we use need
// no global start-up of their own, so the token only proves that the JPEG
// codec could be opened, and it keeps the list of image objects that hold
// decoder resources so that they are cleared before the token goes away.
//
// Image objects may be loaded on worker threads; registration is locked.
class cGDIpToken
{
public:
    enum class Startup
    {
        Start,
        Unavailable
    };

    // `Unavailable` gives a token that never started (Token() == 0), as when
    // the codec is missing; every load through it fails.
    explicit cGDIpToken(Startup startup = Startup::Start);
    ~cGDIpToken();

    cGDIpToken(const cGDIpToken &) = delete;
    cGDIpToken &operator=(const cGDIpToken &) = delete;

    // Non-zero while the image library is usable.
    quint32 Token() const;

    void AddUser(cGDIpImage *image);
    void RemoveUser(cGDIpImage *image);
    int UserCount() const;

private:
    mutable QMutex m_mutex;
    quint32 m_token = 0;
    QSet<cGDIpImage *> m_users;
};
