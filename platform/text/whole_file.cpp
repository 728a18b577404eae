#include "platform/text/whole_file.h"

#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

// Writes every byte (at `offset` when it is not negative) or gives the errno
// of the write that stopped short.
int writeAll(int fd, const char* data, qint64 size, qint64 offset = -1) {
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(fd, data, size_t(size)) : ::pwrite(fd, data, size_t(size), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;   // nothing taken and no reason given: no room
        data += n;
        size -= n;
        if (offset >= 0)
            offset += n;
    }
    return 0;
}

int closeFile(int fd) {
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

int syncFile(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;   // some file systems cannot sync
}

// Syncs a folder so that a rename in it lasts; some file systems refuse, and
// the rename has been made all the same.
void syncFolder(const QString& folder) {
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

QString folderOf(const QString& path) {
    const qsizetype at = path.lastIndexOf(u'/');
    return at <= 0 ? QStringLiteral("/") : path.left(at);
}

// The file a name leads to through its links, also when the last one points
// at a file not made yet. Folders of the path are left as they are.
int followLinks(const QString& path, QString& file) {
    file = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(encoded(file).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        char to[PATH_MAX];
        const ssize_t n = ::readlink(encoded(file).constData(), to, sizeof to);
        if (n < 0 || n == ssize_t(sizeof to))
            return n < 0 ? errno : ENAMETOOLONG;
        const QString next = QFile::decodeName(QByteArray(to, int(n)));
        file = QDir::isAbsolutePath(next) ? next : folderOf(file) + u'/' + next;
    }
    return ELOOP;
}

// The new content's name tells which program made it: a copy left by one no
// longer running (killed part way) is removed by the next write of that file.
// The computer is named too, by a short tag: a folder shared over the network
// sees programs of other computers, whose process ids mean nothing here.
QString computerTag() {
    static const QString tag = [] {
        char name[256] = {};
        ::gethostname(name, sizeof name - 1);
        quint32 h = 2166136261u;   // FNV-1a
        for (const char* c = name; *c; ++c)
            h = (h ^ quint8(*c)) * 16777619u;
        return QStringLiteral("%1").arg(h, 8, 16, QLatin1Char('0'));
    }();
    return tag;
}

// Part of the name only: a name near the longest allowed leaves no room for more.
QString temporaryPrefix(const QString& name) { return u'.' + name.left(40) + u'.'; }

bool isRunning(qint64 pid) {
    return pid > 0 && pid <= INT_MAX && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
}

// Best effort: a leftover that cannot be removed does not stop the write.
// Copies named without the computer (by earlier builds) count as this one's.
void removeLeftovers(const QString& folder, const QString& name) {
    const QString prefix = temporaryPrefix(name);
    static const QRegularExpression rest(QStringLiteral("^(\\d+)-\\d+(?:-([0-9a-f]{8}))?\\.new$"));
    const QStringList found = QDir(folder).entryList({prefix + QStringLiteral("*.new")},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& each : found) {
        const auto m = rest.match(each.mid(prefix.size()));
        if (!m.hasMatch() || (m.hasCaptured(2) && m.captured(2) != computerTag()) ||
            isRunning(m.captured(1).toLongLong()))
            continue;
        const QByteArray leftover = encoded(folder + u'/' + each);
        struct stat st {};
        if (::lstat(leftover.constData(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(leftover.constData());
    }
}

// As the effective user: the one whose rights the write itself has.
bool mayWrite(const QByteArray& path, int how) {
    return ::faccessat(AT_FDCWD, path.constData(), how, AT_EACCESS) == 0;
}

// Whether a new file can take the old one's place in its folder: the folder
// takes new names, and in a folder where only owners may remove (sticky), the
// old file or the folder is ours.
bool folderTakesReplacement(const QString& folder, const struct stat& old) {
    const QByteArray f = encoded(folder);
    struct stat st {};
    if (!mayWrite(f, W_OK | X_OK) || ::stat(f.constData(), &st) != 0)
        return false;
    const uid_t me = ::geteuid();
    return !(st.st_mode & S_ISVTX) || me == 0 || old.st_uid == me || st.st_uid == me;
}

FileError cannotWrite(const QString& path, const QString& reason) {
    return FileError(QStringLiteral("不能写入文件 ") + path + QStringLiteral(": ") + reason);
}

} // namespace

int openPlainFile(const QString& path, int flags, int& error) {
    const QByteArray name = encoded(path);
    const auto refused = [&](const struct stat& st) {
        error = S_ISDIR(st.st_mode) ? EISDIR : kNotAPlainFile;
        return -1;
    };
    // Looked at first, so that a device is not even opened.
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return refused(st);
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    // And again: the name may have changed hands in between.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refused(st);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int plainFileState(const QString& path) {
    struct stat st {};
    if (::stat(encoded(path).constData(), &st) != 0)
        return errno;
    if (S_ISREG(st.st_mode))
        return 0;
    return S_ISDIR(st.st_mode) ? EISDIR : kNotAPlainFile;
}

QString cannotOpenFileText(const QString& path, int error) {
    return QStringLiteral("不能打开文件 ") + path + QStringLiteral(": ") + systemErrorReason(error);
}

QByteArray readPlainFile(const QString& path, qint64 atMost) {
    int error = 0;
    const int fd = openPlainFile(path, O_RDONLY, error);
    if (fd < 0)
        throw FileError(cannotOpenFileText(path, error));
    QByteArray bytes;
    char buffer[65536];
    while (atMost < 0 || bytes.size() < atMost) {
        const qint64 want = atMost < 0 ? qint64(sizeof buffer) : std::min<qint64>(sizeof buffer, atMost - bytes.size());
        const ssize_t n = ::read(fd, buffer, size_t(want));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            ::close(fd);
            throw FileError(QStringLiteral("不能读取文件 ") + path + QStringLiteral(": ") + systemErrorReason(error));
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

WholeFile::WholeFile(const QString& path, Mode mode) : path_(path), mode_(mode) {}

WholeFile::~WholeFile() { discard(); }

bool WholeFile::fail(int error) {
    if (!errno_)
        errno_ = error ? error : EIO;
    discard();
    return false;
}

QString WholeFile::reason() const {
    if (!errno_)
        return QString();
    return folderRefused_ ? folderErrorReason(folderOf(target_), errno_) : systemErrorReason(errno_);
}

bool WholeFile::open() {
    if (failed() || isOpen())
        return !failed();
    if (const int e = followLinks(path_, target_))
        return fail(e);
    struct stat old {};
    const bool exists = ::lstat(encoded(target_).constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return fail(errno);
    if (exists && !S_ISREG(old.st_mode))
        return fail(S_ISDIR(old.st_mode) ? EISDIR : kNotAPlainFile);
    if (mode_ == Add)
        return openAddition(exists);
    removeLeftovers(folderOf(target_), target_.mid(target_.lastIndexOf(u'/') + 1));
    if (!exists)
        return openNew();
    // A file the user may not write stays so, though its folder would let us replace it.
    if (!mayWrite(encoded(target_), W_OK))
        return fail(errno);
    // A new file in its place would leave its other names with the old content.
    if (old.st_nlink == 1 && folderTakesReplacement(folderOf(target_), old)) {
        const int e = makeTemporary(&old);
        if (e == 0)
            return true;
        if (e > 0 && e != EACCES && e != EPERM)
            return fail(e);
    }
    return openInPlace();
}

bool WholeFile::openNew() {
    const int e = makeTemporary(nullptr);
    if (e == 0)
        return true;
    folderRefused_ = e == EACCES || e == EPERM || e == EROFS;
    return fail(e);
}

// 0 when made; -1 when made but it could not take the old file's owner and
// group (and is gone again); else the errno.
int WholeFile::makeTemporary(const struct stat* old) {
    const QString folder = folderOf(target_);
    const QString prefix = temporaryPrefix(target_.mid(target_.lastIndexOf(u'/') + 1));
    int fd = -1;
    for (int n = 0; n < 100 && fd < 0; ++n) {
        temp_ = folder + u'/' + prefix + QStringLiteral("%1-%2-%3.new").arg(::getpid()).arg(n).arg(computerTag());
        fd = ::open(encoded(temp_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int e = errno;
        temp_.clear();
        return e;
    }
    if (old) {
        struct stat made {};
        if (::fstat(fd, &made) != 0 ||
            ((made.st_uid != old->st_uid || made.st_gid != old->st_gid) && ::fchown(fd, old->st_uid, old->st_gid) != 0)) {
            ::close(fd);
            ::unlink(encoded(temp_).constData());
            temp_.clear();
            return -1;
        }
    }
    // After the owner: a change of owner drops the set-id bits. Best effort:
    // a FAT stick keeps none.
    if (permissions_ >= 0 || old)
        ::fchmod(fd, permissions_ >= 0 ? mode_t(permissions_) : old->st_mode & 07777);
    fd_ = fd;
    way_ = Way::Beside;
    return 0;
}

// Over the old content, which is kept to be put back. Nothing is cut before
// the new content is all there.
bool WholeFile::openInPlace() {
    int error = 0;
    const int fd = openPlainFile(target_, O_RDWR, error);
    if (fd < 0)
        return fail(error);
    fd_ = fd;
    way_ = Way::InPlace;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::pread(fd_, buffer, sizeof buffer, off_t(old_.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(errno);
        if (n == 0)
            break;
        old_.append(buffer, n);
    }
    if (permissions_ >= 0)
        ::fchmod(fd_, mode_t(permissions_));   // only the owner may; others keep the file's own
    return true;
}

bool WholeFile::openAddition(bool exists) {
    // Made here only when missing, so that a failure knows whether to remove it.
    const QByteArray name = encoded(target_);
    int fd = exists ? -1 : ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created_ = fd >= 0;
    if (fd < 0 && !exists && errno != EEXIST) {
        folderRefused_ = errno == EACCES || errno == EPERM || errno == EROFS;
        return fail(errno);
    }
    if (fd < 0) {
        int error = 0;
        fd = openPlainFile(target_, O_WRONLY | O_APPEND, error);
        if (fd < 0)
            return fail(error);
    }
    fd_ = fd;
    way_ = Way::Addition;
    return true;
}

bool WholeFile::write(const char* data, qint64 size) {
    if (!isOpen())
        return fail(failed() ? errno_ : EBADF);
    switch (way_) {
    case Way::InPlace: return writeInPlace(data, size);
    case Way::Addition: return writeAddition(data, size);
    default: break;
    }
    if (const int e = writeAll(fd_, data, size))
        return fail(e);
    return true;
}

bool WholeFile::writeInPlace(const char* data, qint64 size) {
    touched_ = true;
    if (const int e = writeAll(fd_, data, size, written_))
        return fail(e);
    written_ += size;
    return true;
}

// Each piece lands at the end as it is then, whatever other programs add: its
// place is known from where it ends. What lies before another program's lines
// is no longer cut back.
bool WholeFile::writeAddition(const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : ENOSPC);
        const off_t end = ::lseek(fd_, 0, SEEK_CUR);
        if (addedTo_ != end - n)
            addedFrom_ = end - n;
        addedTo_ = end;
        data += n;
        size -= n;
    }
    return true;
}

bool WholeFile::commit() {
    if (!isOpen())
        return fail(failed() ? errno_ : EBADF);
    // Some file systems report a full disk only at the sync.
    if (way_ == Way::InPlace && written_ < qint64(old_.size())) {
        touched_ = true;
        if (::ftruncate(fd_, off_t(written_)) != 0)
            return fail(errno);
    }
    if (const int e = syncFile(fd_))
        return fail(e);
    if (way_ != Way::Beside) {
        const int fd = fd_;
        fd_ = -1;
        way_ = Way::None;
        old_.clear();
        if (const int e = closeFile(fd))
            return fail(e);
        return true;
    }
    const int fd = fd_;
    fd_ = -1;
    if (const int e = closeFile(fd))
        return fail(e);
    if (::rename(encoded(temp_).constData(), encoded(target_).constData()) != 0)
        return fail(errno);
    temp_.clear();
    way_ = Way::None;
    syncFolder(folderOf(target_));
    return true;
}

void WholeFile::putBackOldBytes() {
    if (fd_ < 0 || !touched_)
        return;
    if (writeAll(fd_, old_.constData(), old_.size(), 0) == 0 && ::ftruncate(fd_, off_t(old_.size())) == 0)
        ::fsync(fd_);
}

void WholeFile::cutAddition() {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return;
    // What follows the addition is another program's: the addition stays then.
    const qint64 size = st.st_size;
    if (addedFrom_ >= 0 && size != addedTo_)
        return;
    if (created_ && size == (addedFrom_ < 0 ? 0 : addedTo_) && addedFrom_ <= 0) {
        ::unlink(encoded(target_).constData());
        return;
    }
    if (addedFrom_ >= 0 && ::ftruncate(fd_, off_t(addedFrom_)) == 0)
        ::fsync(fd_);
}

void WholeFile::discard() {
    if (way_ == Way::InPlace)
        putBackOldBytes();
    else if (way_ == Way::Addition)
        cutAddition();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.isEmpty()) {
        ::unlink(encoded(temp_).constData());
        temp_.clear();
    }
    way_ = Way::None;
    old_.clear();
}

void writeFileWhole(const QString& path, const QByteArray& bytes) {
    WholeFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit())
        throw cannotWrite(path, file.reason());
}

void appendFileWhole(const QString& path, const QByteArray& bytes) {
    WholeFile file(path, WholeFile::Add);
    if (!file.open() || !file.write(bytes) || !file.commit())
        throw cannotWrite(path, file.reason());
}

} // namespace platform
