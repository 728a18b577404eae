#pragma once
// Files and devices that fail on demand, for the paths that must lose nothing
// when the disk fills up or a write is refused. Tests may run as root, so file
// permissions cannot make a real file fail.

#include <QByteArray>
#include <QIODevice>
#include <csignal>
#include <sys/resource.h>
#include <limits>

// While it lives, no file of this process can grow past `bytes`: a write
// beyond fails as on a full disk (with EFBIG, "文件太大", where a full disk
// gives ENOSPC), after the bytes that fit are written, at the kernel, under
// every buffer of the program. SIGXFSZ is ignored meanwhile so that the
// refusal is an error, not the end of the test. Keep it around the write only:
// the test's own database files are held to the limit as well.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit limit_{};
    struct sigaction action_ {};
};

// A device in memory that fails as asked: reading stops with an error after
// some bytes, writing runs out of room, or it will not open.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(const QByteArray& content = {}) : content_(content) {}

    FailingDevice& refuseOpen() { refuse_ = true; return *this; }
    FailingDevice& readFailsAfter(qint64 bytes) { readLimit_ = bytes; return *this; }
    FailingDevice& diskFullAfter(qint64 bytes) { room_ = bytes; return *this; }

    bool open(OpenMode mode) override;
    bool isSequential() const override { return true; }
    const QByteArray& written() const { return written_; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 len) override;

private:
    QByteArray content_;
    QByteArray written_;
    qint64 readPos_ = 0;
    bool refuse_ = false;
    qint64 readLimit_ = std::numeric_limits<qint64>::max();
    qint64 room_ = std::numeric_limits<qint64>::max();
};
