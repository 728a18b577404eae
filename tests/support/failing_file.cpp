#include "failing_file.h"

#include <cerrno>
#include <cstdlib>

FileSizeLimit::FileSizeLimit(qint64 bytes) {
    getrlimit(RLIMIT_FSIZE, &limit_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &action_);
    rlimit limit = limit_;
    limit.rlim_cur = rlim_t(bytes);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        std::abort();   // every test that uses it would pass for nothing
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &limit_);
    sigaction(SIGXFSZ, &action_, nullptr);
}

bool FailingDevice::open(OpenMode mode) {
    if (refuse_) {
        setErrorString(qt_error_string(EACCES));
        return false;
    }
    readPos_ = 0;
    return QIODevice::open(mode);
}

qint64 FailingDevice::readData(char* data, qint64 maxSize) {
    if (readPos_ >= readLimit_ && readPos_ < content_.size()) {
        setErrorString(qt_error_string(EIO));
        return -1;
    }
    const qint64 n = std::min({maxSize, content_.size() - readPos_, readLimit_ - readPos_});
    if (n <= 0) return 0;
    memcpy(data, content_.constData() + readPos_, size_t(n));
    readPos_ += n;
    return n;
}

qint64 FailingDevice::writeData(const char* data, qint64 len) {
    const qint64 fits = std::min(len, room_ - written_.size());
    if (fits > 0) written_.append(data, fits);
    if (fits < len) {
        setErrorString(qt_error_string(ENOSPC));
        return -1;
    }
    return len;
}
