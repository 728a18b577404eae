#include "platform/db/reader_process.h"

#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "platform/db/jet_file.h"
#include "platform/db/jet_transfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

#if defined(__SANITIZE_ADDRESS__)
#define READER_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READER_UNDER_ASAN 1
#endif
#endif

namespace platform::db {

namespace {

QStringList& replacedCommand() {
    static QStringList command;
    return command;
}

// While the reader runs the application goes on painting, but a click, a key
// or a window's closing would run a handler in the middle of the one waiting
// here: they are dropped, as a busy program drops them.
class HoldUserInput final : public QObject {
public:
    HoldUserInput() { QCoreApplication::instance()->installEventFilter(this); }
    ~HoldUserInput() override {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::Drop:
        case QEvent::Close:
            e->ignore();
            return true;
        default:
            return false;
        }
    }
};

void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

QString programFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

} // namespace

QStringList jetReaderCommand() {
    if (!replacedCommand().isEmpty())
        return replacedCommand();
    const QString beside = programFolder() + QStringLiteral("/mdb_reader");
#ifdef MDB_READER_BUILT_AT
    if (!QFileInfo(beside).isExecutable())
        return {QStringLiteral(MDB_READER_BUILT_AT)};
#endif
    return {beside};
}

void setJetReaderCommand(const QStringList& command) {
    replacedCommand() = command;
}

ReaderRun runReaderProcess(const QStringList& command,
                           const std::function<bool(const char*, qsizetype)>& output,
                           const ReaderLimits& limits) {
    ReaderRun run;
    QElapsedTimer clock;
    clock.start();
    if (command.isEmpty())
        return run;

    // Everything the child needs is made before the fork: between fork and
    // exec only async-signal-safe calls, since the program has threads.
    std::vector<QByteArray> args;
    for (const QString& a : command)
        args.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // libmdb takes debugging switches from the environment; none of them here.
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "MDB", 3) != 0 && std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0)
            envp.push_back(*e);
    QByteArray asanOptions = qgetenv("ASAN_OPTIONS");
#ifdef READER_UNDER_ASAN
    // No address-space limit there (below): AddressSanitizer's own bound on
    // the resident size stands in for it.
    if (limits.addressSpace > 0)
        asanOptions += (asanOptions.isEmpty() ? "" : ":") + QByteArray("hard_rss_limit_mb=")
                       + QByteArray::number(limits.addressSpace * 4 / (1024 * 1024));
#endif
    asanOptions.prepend("ASAN_OPTIONS=");
    if (asanOptions.size() > 13)
        envp.push_back(asanOptions.data());
    envp.push_back(nullptr);
    const rlim_t cpuSeconds = rlim_t(limits.milliseconds / 1000 + 2);

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return run;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = getpid();
    const pid_t pid = devNull < 0 ? -1 : fork();
    if (pid == 0) {
        // Lift the pipes clear of 0-3 before putting them there.
        const int o = fcntl(out[1], F_DUPFD, 10), e = fcntl(err[1], F_DUPFD, 10), n = fcntl(devNull, F_DUPFD, 10);
        if (o < 0 || e < 0 || n < 0 || dup2(n, 0) < 0 || dup2(e, 1) < 0 || dup2(e, 2) < 0 || dup2(o, 3) < 0)
            _exit(127);
        close_range(4, ~0U, 0);
        setpgid(0, 0);   // one kill takes whatever it started
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        const rlimit cpu{cpuSeconds, cpuSeconds}, core{0, 0};
        setrlimit(RLIMIT_CPU, &cpu);
        setrlimit(RLIMIT_CORE, &core);
#ifndef READER_UNDER_ASAN
        // AddressSanitizer reserves terabytes of shadow memory: there its bound on the
        // resident size (above) stands in.
        if (limits.addressSpace > 0) {
            const rlimit as{rlim_t(limits.addressSpace), rlim_t(limits.addressSpace)};
            setrlimit(RLIMIT_AS, &as);
        }
#endif
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (devNull >= 0)
        close(devNull);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        return run;
    }
    run.started = true;
    setNonBlocking(out[0]);
    setNonBlocking(err[0]);

    QCoreApplication* app = QCoreApplication::instance();
    const bool pumpEvents = app && QThread::currentThread() == app->thread();
    std::optional<HoldUserInput> hold;
    if (pumpEvents)
        hold.emplace();

    bool outOpen = true, errOpen = true, exited = false;
    int status = 0;
    rusage usage{};
    std::vector<char> buffer(64 * 1024);
    setpgid(pid, pid);   // as the child does: whichever comes first
    auto stop = [&] {
        if (!exited) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
        }
    };
    for (;;) {
        if (!exited && wait4(pid, &status, WNOHANG, &usage) == pid)
            exited = true;
        if (exited && !outOpen && !errOpen)
            break;
        const qint64 left = limits.milliseconds - clock.elapsed();
        if (left <= 0) {
            run.timedOut = true;
            stop();
            break;
        }
        pollfd fds[2];
        nfds_t count = 0;
        if (outOpen)
            fds[count++] = {out[0], POLLIN, 0};
        if (errOpen)
            fds[count++] = {err[0], POLLIN, 0};
        const int slice = int(std::min<qint64>(left, pumpEvents ? 15 : 50));
        if (count == 0)
            usleep(1000);   // both closed: it is ending
        else if (poll(fds, count, slice) < 0 && errno != EINTR)
            break;
        bool refused = false;
        while (outOpen && !refused) {
            const ssize_t n = read(out[0], buffer.data(), buffer.size());
            if (n > 0) {
                refused = !output(buffer.data(), qsizetype(n));
            } else {
                if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    outOpen = false;
                if (n == 0 || errno != EINTR)
                    break;
            }
        }
        while (errOpen) {
            const ssize_t n = read(err[0], buffer.data(), buffer.size());
            if (n > 0) {
                if (run.complaints.size() < 4096)
                    run.complaints.append(buffer.data(), qsizetype(std::min<ssize_t>(n, 4096)));
            } else {
                if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    errOpen = false;
                if (n == 0 || errno != EINTR)
                    break;
            }
        }
        // A complaint already makes the file damaged: no need to wait for more.
        if (refused || !run.complaints.isEmpty()) {
            run.stopped = true;
            stop();
            break;
        }
        if (pumpEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    hold.reset();
    if (!exited) {
        stop();
        while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
        }
    }
    close(out[0]);
    close(err[0]);
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    run.peakKilobytes = usage.ru_maxrss;
    run.elapsedMs = clock.elapsed();
    return run;
}

namespace {

// What a whole file may take at most: far more than a sound file needs (the
// samples read in a tenth of a second in 10 MB; the reader's libraries alone
// map about 40 MB), little enough that a damaged one is refused within
// seconds, under 100 MB.
#ifdef READER_UNDER_ASAN
constexpr int kReadSeconds = 20;   // the sanitizer build reads the samples some twenty times slower
#else
constexpr int kReadSeconds = 5;
#endif
constexpr qint64 kReaderAddressSpace = 128LL * 1024 * 1024;

} // namespace

std::unique_ptr<ForeignDatabase> openJetFile(const QString& path) {
    const JetHeader header = checkJetFile(path);
    const auto kind = header.version == 0 ? ForeignDatabase::Kind::Jet3 : ForeignDatabase::Kind::Jet4;
    const qint64 size = QFileInfo(path).size();
    // A row takes some bytes of the file and a slot in its page, and is sent
    // as a few bytes a value: a reader sending more is running away.
    JetStreamReader stream(kind, 32 * size + 16 * 1024 * 1024, size / 4 + 1024);
    QStringList command = jetReaderCommand();
    command << path;
    const ReaderRun run = runReaderProcess(
        command, [&](const char* data, qsizetype n) { return stream.feed(data, n); },
        {kReadSeconds * 1000, kReaderAddressSpace});
    auto damaged = [&](const QString& why) {
        return DbError(DbError::NotADatabase, QStringLiteral("数据库文件已损坏(%1): %2").arg(why, path));
    };
    if (!run.started)
        throw DbError(DbError::Io, QStringLiteral("不能启动读取Access数据库文件的程序: %1").arg(command.first()));
    if (run.timedOut)
        throw damaged(QStringLiteral("%1秒内没有读完").arg(kReadSeconds));
    if (!run.complaints.isEmpty())
        throw damaged(QString::fromLocal8Bit(run.complaints.left(200)).section(QLatin1Char('\n'), 0, 0).trimmed());
    if (stream.refused())
        throw stream.reportedByReader() ? DbError(DbError::NotADatabase, stream.reason()) : damaged(stream.reason());
    if (run.signal)
        throw damaged(QStringLiteral("读取时出错,信号%1").arg(run.signal));
    if (run.exitCode == 127)
        throw DbError(DbError::Io, QStringLiteral("不能启动读取Access数据库文件的程序: %1").arg(command.first()));
    if (run.exitCode != 0 || !stream.complete())
        throw damaged(QStringLiteral("读出的数据不完整"));
    return stream.take(path);
}

} // namespace platform::db
