// Files written in a school's shared folder: what the colleagues rely on
// stays (owner, group, mode, links), a folder that takes no new file still
// lets a writable file be written, a special file is never replaced nor
// waited on, and a killed write's leftover goes with the next write.
#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"
#include "platform/text/whole_file.h"

#include "support/failing_file.h"
#include "support/special_files.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Named after the file: the unity build puts test files side by side.
namespace shared_folder_test {

using namespace platform;
using testsupport::readFileBytes;
using testsupport::str;
using testsupport::writeFileBytes;

QString thrown(const std::function<void()>& write) { return testsupport::fileErrorOf(write); }

struct stat statOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

void chownTo(const QString& path, uid_t user, gid_t group, mode_t mode) {
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::chown(name.constData(), user, group), 0);
    ASSERT_EQ(::chmod(name.constData(), mode), 0);
}

// Every file of the folder, hidden ones too.
QStringList filesIn(const QString& folder) {
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.sort();
    return names;
}

const QByteArray kOld = "old line\r\n";
const QByteArray kNew = "new line\r\n";

struct Writer {
    const char* name;
    std::function<void(const QString&)> write;
    QByteArray after;   // the file's content once written over kOld
};

const Writer kWriters[] = {
    {"writeFileWhole", [](const QString& p) { writeFileWhole(p, kNew); }, kNew},
    {"appendFileWhole", [](const QString& p) { appendFileWhole(p, kNew); }, kOld + kNew},
};

// Teacher A and colleague B of the group "teachers".
constexpr uid_t kA = 60001, kB = 60002;
constexpr gid_t kTeachers = 60100;

TEST(SharedFolder, AColleaguesFileKeepsWhatTheColleagueReliesOn) {
    if (!AsOtherUser::possible())
        GTEST_SKIP() << "no second user id on this system";
    struct Row {
        const char* name;
        uid_t folderOwner;
        gid_t folderGroup;
        mode_t folderMode;
        bool exists;
        uid_t fileOwner;
        gid_t fileGroup;
        mode_t fileMode;
        const char* refusal;   // empty: written; "%f" is the folder, "%p" the file
    };
    const Row rows[] = {
        {"colleague's file in a group folder", 0, kTeachers, 0775, true, kB, kTeachers, 0664, ""},
        {"own file in a group folder, the group's", 0, kTeachers, 0775, true, kA, kTeachers, 0640, ""},
        {"writable file in a folder A may not write", 0, 0, 0755, true, kB, kB, 0666, ""},
        {"another user's writable file in a sticky folder", 0, 0, 01777, true, kB, kB, 0666, ""},
        {"a colleague's file A may not write", 0, kTeachers, 0775, true, kB, kTeachers, 0644,
         "不能写入文件 %p: 没有访问的权限"},
        {"a new file in a folder A may not write", 0, 0, 0755, false, 0, 0, 0,
         "不能写入文件 %p: 文件夹 %f 不能写入: 没有访问的权限"},
    };
    for (const Row& row : rows) {
        for (const Writer& w : kWriters) {
            SCOPED_TRACE(std::string(row.name) + ", " + w.name);
            QTemporaryDir top;
            ASSERT_EQ(::chmod(QFile::encodeName(top.path()).constData(), 0755), 0);
            const QString folder = top.filePath(QStringLiteral("共享"));
            ASSERT_TRUE(QDir().mkdir(folder));
            const QString path = folder + QStringLiteral("/成绩.txt");
            if (row.exists) {
                writeFileBytes(path, kOld);
                chownTo(path, row.fileOwner, row.fileGroup, row.fileMode);
            }
            chownTo(folder, row.folderOwner, row.folderGroup, row.folderMode);

            QString failure;
            {
                const AsOtherUser teacherA(kA, kA, {kA, kTeachers});
                failure = thrown([&] { w.write(path); });
            }
            if (*row.refusal) {
                EXPECT_EQ(failure, QString::fromUtf8(row.refusal).replace(QStringLiteral("%p"), path)
                                       .replace(QStringLiteral("%f"), folder));
                EXPECT_EQ(readFileBytes(path), row.exists ? kOld : QByteArray());
            } else {
                EXPECT_EQ(failure, QString());
                EXPECT_EQ(readFileBytes(path), w.after);
            }
            if (row.exists) {
                const struct stat after = statOf(path);
                EXPECT_EQ(after.st_uid, row.fileOwner);
                EXPECT_EQ(after.st_gid, row.fileGroup);
                EXPECT_EQ(after.st_mode & 07777, row.fileMode);
            }
            // Nothing of the write left beside it.
            EXPECT_EQ(filesIn(folder), row.exists ? QStringList{QStringLiteral("成绩.txt")} : QStringList{});
        }
    }
}

TEST(SharedFolder, LinksKeepPointingAtTheFileTheyName) {
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        QTemporaryDir dir;
        // Two names of one file.
        const QString file = dir.filePath(QStringLiteral("a.txt"));
        const QString other = dir.filePath(QStringLiteral("b.txt"));
        writeFileBytes(file, kOld);
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()), 0);
        w.write(file);
        EXPECT_EQ(readFileBytes(other), w.after);
        EXPECT_EQ(statOf(file).st_ino, statOf(other).st_ino);
        // A failed write over it keeps the old bytes under both names.
        {
            const FileSizeLimit full(qint64(w.after.size()) + 4);
            EXPECT_FALSE(thrown([&] { writeFileWhole(file, QByteArray(4000, 'n')); }).isEmpty());
            EXPECT_FALSE(thrown([&] { appendFileWhole(file, QByteArray(4000, 'n')); }).isEmpty());
        }
        EXPECT_EQ(readFileBytes(other), w.after);
        EXPECT_EQ(statOf(other).st_nlink, 2u);
        // Written over in place, a shorter content leaves nothing of the longer one.
        writeFileWhole(file, "n\r\n");
        EXPECT_EQ(readFileBytes(other), QByteArray("n\r\n"));
        EXPECT_EQ(statOf(file).st_ino, statOf(other).st_ino);

        // A link whose file is not there yet, through a second link: the
        // file is made where they lead and both stay links.
        const QString target = dir.filePath(QStringLiteral("sub/c.txt"));
        ASSERT_TRUE(QDir().mkdir(dir.filePath(QStringLiteral("sub"))));
        ASSERT_EQ(::symlink("sub/c.txt", QFile::encodeName(dir.filePath(QStringLiteral("one"))).constData()), 0);
        ASSERT_EQ(::symlink("one", QFile::encodeName(dir.filePath(QStringLiteral("two"))).constData()), 0);
        w.write(dir.filePath(QStringLiteral("two")));
        EXPECT_TRUE(S_ISLNK(statOf(dir.filePath(QStringLiteral("one"))).st_mode));
        EXPECT_TRUE(S_ISLNK(statOf(dir.filePath(QStringLiteral("two"))).st_mode));
        EXPECT_EQ(readFileBytes(target), kNew);
    }
}

// Another program adds its lines while ours is being added: a failed
// addition cuts back only what it added.
TEST(SharedFolder, AFailedAdditionKeepsTheLinesAnotherProgramAdded) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("记录.txt"));
    const QByteArray theirs = QByteArray("另一个程序的一行\r\n");
    const auto addTheirs = [&] {
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, theirs.constData(), size_t(theirs.size())), ssize_t(theirs.size()));
        ::close(fd);
    };
    writeFileBytes(path, kOld);

    // Theirs lands after ours was opened, before ours is written.
    {
        WholeFile ours(path, WholeFile::Add);
        ASSERT_TRUE(ours.open());
        addTheirs();
        const FileSizeLimit full(64);
        EXPECT_FALSE(ours.write(QByteArray(200, 'x')));
        EXPECT_EQ(ours.reason(), QStringLiteral("文件太大"));
    }
    EXPECT_EQ(readFileBytes(path), kOld + theirs);

    // Theirs lands between two pieces of ours: the piece before theirs stays,
    // the failed one goes.
    {
        WholeFile ours(path, WholeFile::Add);
        ASSERT_TRUE(ours.open());
        ASSERT_TRUE(ours.write(kNew));
        addTheirs();
        const FileSizeLimit full(128);
        EXPECT_FALSE(ours.write(QByteArray(200, 'x')));
    }
    EXPECT_EQ(readFileBytes(path), kOld + theirs + kNew + theirs);

    // Dropped without commit: its addition goes too.
    {
        WholeFile ours(path, WholeFile::Add);
        ASSERT_TRUE(ours.open());
        ASSERT_TRUE(ours.write(kNew));
    }
    EXPECT_EQ(readFileBytes(path), kOld + theirs + kNew + theirs);
}

// A FIFO, a socket or a device where a file is to be written is left as it
// is, and the writer says what it is; nothing waits on the FIFO.
TEST(SpecialFiles, AWriterNeitherReplacesNorWaitsOnAFileThatIsNotPlain) {
    const char kinds[] = {'p', 's', 'c'};
    const std::function<void(const QString&)> writers[] = {
        [](const QString& p) { writeFileWhole(p, kNew); },
        [](const QString& p) { appendFileWhole(p, kNew); },
        [](const QString& p) { writeGbkFile(p, QStringLiteral("新")); },
        [](const QString& p) { appendGbkFile(p, QStringLiteral("新")); },
    };
    for (const char kind : kinds) {
        for (const auto& write : writers) {
            SCOPED_TRACE(kind);
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("导出.txt"));
            if (!makeSpecialFile(path, kind)) {
                EXPECT_EQ(kind, 'c') << "only a device may be refused to us";
                continue;
            }
            // A reader on the FIFO: a writer that opened it would not wait.
            const int reader = kind == 'p' ? ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK) : -1;
            EXPECT_EQ(thrown([&] { write(path); }),
                      QStringLiteral("不能写入文件 ") + path + QStringLiteral(": ") + systemErrorReason(kNotAPlainFile));
            if (reader >= 0) {
                char byte;
                EXPECT_LE(::read(reader, &byte, 1), 0) << "written into the FIFO";
                ::close(reader);
            }
            EXPECT_TRUE(isSpecialFile(path, kind));
            EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("导出.txt")}) << "nothing left beside it";
        }
    }
}

// Readers of the programs' own files take only a plain file: the content a
// FIFO would give is not read.
TEST(SpecialFiles, AReaderRefusesAFifoWithoutWaiting) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("system.txt"));
    {
        const FifoFeeder fifo(path, "/school/a.mdb");
        EXPECT_EQ(thrown([&] { readGbkFile(path); }),
                  QStringLiteral("不能打开文件 ") + path + QStringLiteral(": ") + systemErrorReason(kNotAPlainFile));
        EXPECT_EQ(thrown([&] { readPlainFile(path, 4); }),
                  QStringLiteral("不能打开文件 ") + path + QStringLiteral(": ") + systemErrorReason(kNotAPlainFile));
    }
    EXPECT_EQ(thrown([&] { readPlainFile(dir.path()); }),
              QStringLiteral("不能打开文件 ") + dir.path() + QStringLiteral(": 这是一个文件夹,不是文件"));
}

// A write killed part way leaves its new content beside the file; the next
// write of that file removes it once the program that made it has ended,
// and never one of a program still running or of another computer.
TEST(SharedFolder, TheNextWriteRemovesALeftoverOfAProgramNoLongerRunning) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("成绩.txt"));
    writeFileBytes(path, kOld);
    // A child that starts a write and ends (as if killed) when told.
    const auto startWrite = [&](int (&release)[2]) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(release), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            WholeFile file(path);
            if (!file.open() || !file.write("half"))
                ::_exit(1);
            char byte = 1;
            [[maybe_unused]] ssize_t n = ::write(ready[1], &byte, 1);
            n = ::read(release[0], &byte, 1);
            ::_exit(0);   // no discard: the leftover stays, as after a kill
        }
        ::close(ready[1]);
        ::close(release[0]);
        char byte;
        EXPECT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        return child;
    };
    const auto end = [](pid_t child, int (&release)[2]) {
        ::close(release[1]);
        int status = 0;
        ::waitpid(child, &status, 0);
    };
    int first[2], second[2];
    const pid_t ended = startWrite(first);
    end(ended, first);
    QStringList leftovers = filesIn(dir.path());
    ASSERT_EQ(leftovers.size(), 2) << str(leftovers.join(u' '));
    EXPECT_EQ(leftovers.filter(QStringLiteral(".成绩.txt.%1-").arg(ended)).size(), 1);
    // The next write, though it ends as killed too, removes the first one's.
    const pid_t running = startWrite(second);
    const QString runningOnes = QStringLiteral(".成绩.txt.%1-").arg(running);
    leftovers = filesIn(dir.path());
    ASSERT_EQ(leftovers.size(), 2) << str(leftovers.join(u' '));
    EXPECT_EQ(leftovers.filter(runningOnes).size(), 1);
    // The same shape from another computer, and from earlier builds (no computer).
    const QString fromAnother = QStringLiteral(".成绩.txt.%1-0-0badc0de.new").arg(ended);
    const QString earlier = QStringLiteral(".成绩.txt.%1-7.new").arg(ended);
    writeFileBytes(dir.filePath(fromAnother), "other");
    writeFileBytes(dir.filePath(earlier), "old build");

    writeFileWhole(path, kNew);
    leftovers = filesIn(dir.path());
    EXPECT_EQ(leftovers.size(), 3) << str(leftovers.join(u' '));
    EXPECT_TRUE(leftovers.contains(fromAnother));
    EXPECT_EQ(leftovers.filter(runningOnes).size(), 1);

    end(running, second);
    writeFileWhole(path, kNew);
    EXPECT_EQ(filesIn(dir.path()), (QStringList{fromAnother, QStringLiteral("成绩.txt")}));
    EXPECT_EQ(readFileBytes(path), kNew);
}

} // namespace shared_folder_test
