#pragma once
// Files written whole or not at all. Every file the programs write goes
// through here: a full disk or a refused write leaves the old file with its
// bytes and says why in Chinese. (QSaveFile is not enough: its commit() can
// report success when its last buffered bytes did not reach the disk, and
// the old file is then replaced by a short one.)

#include <QByteArray>
#include <QString>

namespace platform {

// A new content for a file, written beside it and renamed over it only when
// every byte has been written and synced. Writes are unbuffered and each is
// checked in full. Dropped without commit(), nothing of it is left.
class WholeFile {
public:
    explicit WholeFile(const QString& path);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Each returns false on failure; reason() then says why. After a failure
    // the others do nothing and return false.
    bool open();
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Syncs the new content and puts it in place of the old file.
    bool commit();
    // Drops the new content; the old file stays.
    void discard();

    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return errno_ != 0; }
    QString path() const { return path_; }
    // Why it failed ("磁盘已满" ...); empty when it has not.
    QString reason() const;

private:
    bool fail(int error);

    QString path_;     // the file to replace
    QString target_;   // where the rename goes: the file a link points to
    QString temp_;
    int fd_ = -1;
    int errno_ = 0;
};

// Replaces the file with `bytes`. Throws FileError "不能写入文件 <path>: <reason>".
void writeFileWhole(const QString& path, const QByteArray& bytes);
// Adds `bytes` at the end of the file (made when missing). When they do not
// all fit the file is cut back to its old length: never half an addition.
// Throws FileError as writeFileWhole does.
void appendFileWhole(const QString& path, const QByteArray& bytes);

} // namespace platform
