#include "platform/text/whole_file.h"

#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Writes every byte or gives the errno of the write that stopped short.
int writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;   // nothing taken and no reason given: no room
        data += n;
        size -= n;
    }
    return 0;
}

int closeFile(int fd) {
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

// Syncs a folder so that a rename in it lasts; some file systems refuse, and
// the rename has been made all the same.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

FileError cannotWrite(const QString& path, const QString& reason) {
    return FileError(QStringLiteral("不能写入文件 ") + path + QStringLiteral(": ") + reason);
}

} // namespace

WholeFile::WholeFile(const QString& path) : path_(path) {}

WholeFile::~WholeFile() { discard(); }

bool WholeFile::fail(int error) {
    if (!errno_)
        errno_ = error ? error : EIO;
    discard();
    return false;
}

QString WholeFile::reason() const { return errno_ ? systemErrorReason(errno_) : QString(); }

bool WholeFile::open() {
    if (failed() || isOpen())
        return !failed();
    const QFileInfo info(path_);
    // A link is followed: the file it points to gets the new content.
    target_ = info.isSymLink() && info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray target = QFile::encodeName(target_);
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return fail(EISDIR);
    // A file the user may not write stays so, though its folder would let us replace it.
    if (exists && ::access(target.constData(), W_OK) != 0)
        return fail(errno);
    const QFileInfo where(target_);
    for (int n = 0; n < 100 && fd_ < 0; ++n) {
        // Part of the name only: a name near the longest allowed leaves no room for more.
        temp_ = where.absolutePath() + QStringLiteral("/.") + where.fileName().left(40) +
                QStringLiteral(".%1-%2.new").arg(::getpid()).arg(n);
        fd_ = ::open(QFile::encodeName(temp_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) {
            temp_.clear();
            return fail(errno);
        }
    }
    if (fd_ < 0) {
        temp_.clear();
        return fail(EEXIST);
    }
    if (exists)
        ::fchmod(fd_, old.st_mode & 07777);   // best effort: a FAT stick keeps none
    return true;
}

bool WholeFile::write(const char* data, qint64 size) {
    if (!isOpen())
        return fail(failed() ? errno_ : EBADF);
    if (const int e = writeAll(fd_, data, size))
        return fail(e);
    return true;
}

bool WholeFile::commit() {
    if (!isOpen())
        return fail(failed() ? errno_ : EBADF);
    // Some file systems report a full disk only here.
    if (::fsync(fd_) != 0 && errno != EINVAL)
        return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (const int e = closeFile(fd))
        return fail(e);
    if (::rename(QFile::encodeName(temp_).constData(), QFile::encodeName(target_).constData()) != 0)
        return fail(errno);
    temp_.clear();
    syncFolder(QFileInfo(target_).absolutePath());
    return true;
}

void WholeFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.isEmpty()) {
        ::unlink(QFile::encodeName(temp_).constData());
        temp_.clear();
    }
}

void writeFileWhole(const QString& path, const QByteArray& bytes) {
    WholeFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit())
        throw cannotWrite(path, file.reason());
}

void appendFileWhole(const QString& path, const QByteArray& bytes) {
    const QByteArray name = QFile::encodeName(path);
    struct stat before {};
    const bool existed = ::stat(name.constData(), &before) == 0;
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        throw cannotWrite(path, systemErrorReason(errno));
    struct stat opened {};
    const off_t oldSize = ::fstat(fd, &opened) == 0 ? opened.st_size : (existed ? before.st_size : 0);
    int e = writeAll(fd, bytes.constData(), bytes.size());
    if (!e && ::fsync(fd) != 0 && errno != EINVAL)
        e = errno;
    if (e) {
        // Back to the old length: what was there stays, nothing of the addition.
        if (existed) {
            if (::ftruncate(fd, oldSize) == 0)
                ::fsync(fd);
            ::close(fd);
        } else {
            ::close(fd);
            ::unlink(name.constData());
        }
        throw cannotWrite(path, systemErrorReason(e));
    }
    if (const int c = closeFile(fd))
        throw cannotWrite(path, systemErrorReason(c));
}

} // namespace platform
