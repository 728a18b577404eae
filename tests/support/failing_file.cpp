#include "failing_file.h"

#include <cerrno>

bool FailingFile::open(OpenMode mode) {
    if (refuse_ && (mode & WriteOnly)) {
        setErrorString(qt_error_string(EACCES));   // as the system says it
        return false;
    }
    return QSaveFile::open(mode);
}

qint64 FailingFile::writeData(const char* data, qint64 len) {
    const qint64 fits = std::min(len, room_ - accepted_);
    if (fits > 0) {
        const qint64 n = QSaveFile::writeData(data, fits);
        if (n < 0) return n;
        accepted_ += n;
    }
    if (fits < len) {
        setErrorString(qt_error_string(ENOSPC));
        return -1;
    }
    return len;
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
