#pragma once
// Files written whole or not at all. Every file the programs write goes
// through here: a full disk or a refused write leaves the old file with its
// bytes and says why in Chinese. (QSaveFile is not enough: its commit() can
// report success when its last buffered bytes did not reach the disk, and
// the old file is then replaced by a short one.)
//
// A school keeps its files in shared folders, so a file keeps what its
// colleagues rely on: its owner, group and mode, its other hard links, and a
// link keeps pointing at it (the file a link names is written, also one not
// there yet). Where a new file in its place could not keep them, or the
// folder takes no new file, the content is written over the old one and the
// old bytes are put back when that fails. Only a plain file, or a new name,
// is written: a FIFO or a device is never replaced nor waited on.

#include <QByteArray>
#include <QString>
#include <sys/stat.h>   // struct stat, mode_t

namespace platform {

// A new content for a file, written beside it and renamed over it only when
// every byte has been written and synced (or over it in place, see above).
// Writes are unbuffered and each is checked in full. Dropped without
// commit(), nothing of it is left.
//
// As an addition (Add), the bytes go to the file's end; a failed or dropped
// addition cuts away what it added, and only that: lines another program
// added meanwhile before it stay, and when something already follows it, it
// is not cut.
class WholeFile {
public:
    enum Mode { Replace, Add };
    explicit WholeFile(const QString& path, Mode mode = Replace);
    ~WholeFile();
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // The permission bits a replaced or new file gets instead of the old
    // file's (best effort: a file of another user keeps its own). Before open().
    void setPermissions(mode_t mode) { permissions_ = int(mode & 07777); }

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
    // Why it failed ("磁盘已满" ...; "文件夹 … 不能写入: …" when the folder
    // refused); empty when it has not.
    QString reason() const;

private:
    enum class Way { None, Beside, InPlace, Addition };
    bool fail(int error);
    bool openNew();
    bool openInPlace();
    bool openAddition(bool exists);
    int makeTemporary(const struct stat* old);
    bool writeInPlace(const char* data, qint64 size);
    bool writeAddition(const char* data, qint64 size);
    void putBackOldBytes();
    void cutAddition();

    QString path_;     // the file as named
    QString target_;   // the file written: where its links lead
    QString temp_;     // the new content beside it
    Mode mode_;
    Way way_ = Way::None;
    int fd_ = -1;
    int errno_ = 0;
    int permissions_ = -1;
    bool folderRefused_ = false;
    // In place: the old content, what of it has been overwritten.
    QByteArray old_;
    qint64 written_ = 0;
    bool touched_ = false;
    // An addition: where it began and ends, and whether it made the file.
    qint64 addedFrom_ = -1;
    qint64 addedTo_ = -1;
    bool created_ = false;
};

// Replaces the file with `bytes`. Throws FileError "不能写入文件 <path>: <reason>".
void writeFileWhole(const QString& path, const QByteArray& bytes);
// Adds `bytes` at the end of the file (made when missing), as WholeFile's
// Add: never half an addition. Throws FileError as writeFileWhole does.
void appendFileWhole(const QString& path, const QByteArray& bytes);

// Opens `path` as open(2) does with `flags`, but only a plain file, and
// never waits: a FIFO, device or socket is refused (kNotAPlainFile) before
// or right after opening, a folder gives EISDIR. The descriptor, or -1 with
// `error` set.
int openPlainFile(const QString& path, int flags, int& error);
// Looks at `path` (through its links) without opening it, so that nothing
// waits: 0 for a plain file, kNotAPlainFile for a FIFO, device or socket,
// EISDIR for a folder, else why it could not be looked at (ENOENT ...).
int plainFileState(const QString& path);
// "不能打开文件 <path>: <reason>", as a refused reader says it.
QString cannotOpenFileText(const QString& path, int error);
// The content of one of the programs' own files, or of its first `atMost`
// bytes. Throws FileError "不能打开文件 <path>: <reason>" (also for a FIFO or
// device) or "不能读取文件 <path>: <reason>".
QByteArray readPlainFile(const QString& path, qint64 atMost = -1);

} // namespace platform
