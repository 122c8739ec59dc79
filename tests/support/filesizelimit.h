#pragma once

#include <sys/resource.h>

#include <csignal>

// While it lives, this process cannot make a file longer than `bytes`: a write
// past that fails (EFBIG), the way a write to a full disk does. SIGXFSZ is
// ignored for good, as the programs themselves ignore it.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        m_active = ::getrlimit(RLIMIT_FSIZE, &m_before) == 0;
        rlimit limited = m_before;
        limited.rlim_cur = bytes;
        m_active = m_active && ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            ::setrlimit(RLIMIT_FSIZE, &m_before);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_before{};
    bool m_active = false;
};
