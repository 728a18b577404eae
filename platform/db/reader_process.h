#pragma once
// Reading an old Access file in a process of our own. libmdb can loop with
// memory growing without bound, or read a damaged file with rows silently
// missing, on a file a user was sent: the reader runs apart, under a time and
// an address-space limit, and hands back what it read over a pipe; anything it
// says on its standard output or error makes the file damaged.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform::db {

struct ReaderLimits {
    int milliseconds = 0;       // wall clock, then the process is killed
    qint64 addressSpace = 0;    // bytes; 0 for none
};

struct ReaderRun {
    bool started = false;
    bool timedOut = false;
    bool stopped = false;       // the output refused or a complaint made: the process killed
    int exitCode = -1;          // when it ended by itself
    int signal = 0;             // when a signal ended it
    QByteArray complaints;      // the start of what it wrote on stdout and stderr
    qint64 peakKilobytes = 0;   // its largest resident size
    qint64 elapsedMs = 0;
    bool clean() const { return started && !timedOut && !stopped && exitCode == 0 && complaints.isEmpty(); }
};

// Runs `command` with its stdin /dev/null, stdout and stderr one pipe read as
// complaints, and file descriptor 3 a pipe whose bytes go to `output` as they
// come. A false from `output`, or the first complaint, kills the process. While it runs, an application on
// this thread goes on with its events, but takes no user input (clicks, keys,
// closing a window): the window repaints, and no button runs a second time
// meanwhile.
ReaderRun runReaderProcess(const QStringList& command,
                           const std::function<bool(const char*, qsizetype)>& output,
                           const ReaderLimits& limits);

// The reader of Access files: `mdb_reader` beside the running program (or in
// the build's program folder, for the tests and the benchmarks), given the
// file's path as its last argument. A test puts another command in its place;
// an empty one restores it.
QStringList jetReaderCommand();
void setJetReaderCommand(const QStringList& command);

} // namespace platform::db
