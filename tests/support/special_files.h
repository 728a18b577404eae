#pragma once
// What a shared folder holds besides plain files of this account: a FIFO
// where one of the programs' files is expected, and another user's ids.

#include <QByteArray>
#include <QString>
#include <sys/types.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// A FIFO at `path` that gives `content` and its end to a reader that opens
// it, so that a reader which should have refused it reads it instead of
// waiting for ever. Nothing waits either when nobody opens it: the end of
// the stand-in opens it itself, also when it has been removed meanwhile.
class FifoFeeder {
public:
    FifoFeeder(const QString& path, const QByteArray& content);
    // In place of the file at `path`, giving its bytes.
    explicit FifoFeeder(const QString& path);
    ~FifoFeeder();
    FifoFeeder(const FifoFeeder&) = delete;
    FifoFeeder& operator=(const FifoFeeder&) = delete;

private:
    int pathFd_ = -1;   // holds the FIFO itself, whatever becomes of its name
    std::thread writer_;
};

// A FIFO at `path` that no reader should open. A reader that does and waits
// on it (in open or in its first read) is let go with `content` and its end
// once it has waited `patience`, and counted, so that a reader which should
// have refused it fails its test instead of hanging it. A reader that never
// comes costs no time: the watchdog only looks.
class FifoWatchdog {
public:
    FifoWatchdog(const QString& path, const QByteArray& content,
                 std::chrono::milliseconds patience = std::chrono::milliseconds(500));
    ~FifoWatchdog();
    FifoWatchdog(const FifoWatchdog&) = delete;
    FifoWatchdog& operator=(const FifoWatchdog&) = delete;

    // Ends the watch; afterwards released() is final.
    void stop();
    // The readers it had to let go.
    int released() const { return released_; }

private:
    int pathFd_ = -1;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<int> released_{0};
    std::thread watcher_;
};

// Makes a FIFO, a socket or a device at `path` (kind 'p', 's', 'c': the
// device that is always full, or 'n': the null device, whose reads end at
// once, for readers); false where the system does not let us.
bool makeSpecialFile(const QString& path, char kind);
// Whether `path` is still a node of that kind.
bool isSpecialFile(const QString& path, char kind);

// While it lives, this process acts as another user for the file system
// (its effective user, group and groups). Tests run as root in CI; where
// they do not, possible() is false and the test skips.
class AsOtherUser {
public:
    AsOtherUser(uid_t user, gid_t group, const std::vector<gid_t>& groups);
    ~AsOtherUser();
    AsOtherUser(const AsOtherUser&) = delete;
    AsOtherUser& operator=(const AsOtherUser&) = delete;
    static bool possible();

private:
    gid_t group_;
    std::vector<gid_t> groups_;
};
