#pragma once
// Files and devices that fail on demand, for the paths that must lose nothing
// when the disk fills up or a write is refused. Tests may run as root, so file
// permissions cannot make a real file fail.

#include <QByteArray>
#include <QIODevice>
#include <QSaveFile>
#include <limits>

// A file written in full before it replaces the old one (as the program's
// savers write), failing as asked.
class FailingFile : public QSaveFile {
public:
    explicit FailingFile(const QString& path) : QSaveFile(path) {}

    // Opening for writing is refused, as for a file the user may not write.
    FailingFile& refuseWrite() { refuse_ = true; return *this; }
    // The disk is full after `bytes`: what went before is written, the rest fails.
    FailingFile& diskFullAfter(qint64 bytes) { room_ = bytes; return *this; }

    bool open(OpenMode mode) override;
    qint64 bytesAccepted() const { return accepted_; }

protected:
    qint64 writeData(const char* data, qint64 len) override;

private:
    bool refuse_ = false;
    qint64 room_ = std::numeric_limits<qint64>::max();
    qint64 accepted_ = 0;
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
