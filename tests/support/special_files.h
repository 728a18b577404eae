#pragma once
// What a shared folder holds besides plain files of this account: a FIFO
// where one of the programs' files is expected, and another user's ids.

#include <QByteArray>
#include <QString>
#include <sys/types.h>
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

// Makes a FIFO, a socket or a device at `path` (kind 'p', 's' or 'c': the
// device that is always full); false where the system does not let us.
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
