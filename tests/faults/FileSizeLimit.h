#pragma once

#include <csignal>
#include <sys/resource.h>

// For as long as it lives, no file this process writes may grow past
// `bytes`: a write beyond fails with EFBIG, as on a full disk, instead of
// raising SIGXFSZ. Works for root and without privileges alike, where
// permissions or a small mount would not.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_valid = getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_valid = m_valid && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool isValid() const { return m_valid; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_valid = false;
};
