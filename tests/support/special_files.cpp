#include "support/special_files.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray takeFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray bytes = f.readAll();
    f.close();
    if (!f.remove())
        std::abort();
    return bytes;
}

} // namespace

FifoFeeder::FifoFeeder(const QString& path) : FifoFeeder(path, takeFile(path)) {}

FifoFeeder::FifoFeeder(const QString& path, const QByteArray& content) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkfifo(name.constData(), 0666) != 0)
        std::abort();
    pathFd_ = ::open(name.constData(), O_PATH | O_CLOEXEC);
    if (pathFd_ < 0)
        std::abort();
    // Waits for a reader, gives it the content and the end.
    const QByteArray at = "/proc/self/fd/" + QByteArray::number(pathFd_);
    writer_ = std::thread([at, content] {
        // A reader that closes before taking the content must not end the
        // tests with SIGPIPE: blocked here, the write just fails.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        const int fd = ::open(at.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        [[maybe_unused]] const ssize_t n = ::write(fd, content.constData(), size_t(content.size()));
        ::close(fd);
    });
}

FifoFeeder::~FifoFeeder() {
    // A reader of our own lets the writer go if no one read; the content stays
    // in the pipe until both are closed.
    const QByteArray at = "/proc/self/fd/" + QByteArray::number(pathFd_);
    const int reader = ::open(at.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer_.join();
    if (reader >= 0)
        ::close(reader);
    ::close(pathFd_);
}

FifoWatchdog::FifoWatchdog(const QString& path, const QByteArray& content, std::chrono::milliseconds patience) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkfifo(name.constData(), 0666) != 0)
        std::abort();
    pathFd_ = ::open(name.constData(), O_PATH | O_CLOEXEC);
    if (pathFd_ < 0)
        std::abort();
    const QByteArray at = "/proc/self/fd/" + QByteArray::number(pathFd_);
    watcher_ = std::thread([this, at, content, patience] {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, patience, [this] { return stopping_; })) {
            // Opens only where a reader is there (else ENXIO), so it never waits itself.
            const int fd = ::open(at.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                continue;
            ++released_;
            [[maybe_unused]] const ssize_t n = ::write(fd, content.constData(), size_t(content.size()));
            ::close(fd);
        }
    });
}

void FifoWatchdog::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (watcher_.joinable())
        watcher_.join();
}

FifoWatchdog::~FifoWatchdog() {
    stop();
    ::close(pathFd_);
}

bool makeSpecialFile(const QString& path, char kind) {
    const QByteArray name = QFile::encodeName(path);
    switch (kind) {
    case 'p': return ::mkfifo(name.constData(), 0666) == 0;
    case 'c': return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    case 'n': return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    case 's': {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (size_t(name.size()) >= sizeof address.sun_path)
            return false;
        std::copy(name.begin(), name.end(), address.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool made = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0)
            ::close(fd);
        return made;
    }
    default: return false;
    }
}

bool isSpecialFile(const QString& path, char kind) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    switch (kind) {
    case 'p': return S_ISFIFO(st.st_mode);
    case 'c':
    case 'n': return S_ISCHR(st.st_mode);
    case 's': return S_ISSOCK(st.st_mode);
    default: return false;
    }
}

AsOtherUser::AsOtherUser(uid_t user, gid_t group, const std::vector<gid_t>& groups) : group_(::getegid()) {
    const int n = ::getgroups(0, nullptr);
    groups_.resize(size_t(std::max(n, 0)));
    if (n > 0)
        ::getgroups(n, groups_.data());
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setegid(group) != 0 || ::seteuid(user) != 0)
        std::abort();   // possible() said it would do
}

AsOtherUser::~AsOtherUser() {
    if (::seteuid(0) != 0 || ::setegid(group_) != 0 || ::setgroups(groups_.size(), groups_.data()) != 0)
        std::abort();
}

bool AsOtherUser::possible() {
    if (::geteuid() != 0)
        return false;
    // Root in a container may still be refused a change of groups.
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> mine(size_t(std::max(n, 0)));
    if (n > 0)
        ::getgroups(n, mine.data());
    return ::setgroups(mine.size(), mine.data()) == 0;
}
