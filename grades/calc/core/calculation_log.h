#pragma once
// The calculation's log: a GBK text file with CR LF line ends, rewritten by
// every run. Writes are buffered; the file is written out in large pieces.
// The new log takes the old one's place at close(), and only when all of it
// was written: a full disk leaves the previous run's log as it was.

#include <QByteArray>
#include <QString>

#include "platform/text/whole_file.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

class CalculationLog {
public:
    CalculationLog() = default;
    ~CalculationLog();
    CalculationLog(const CalculationLog&) = delete;
    CalculationLog& operator=(const CalculationLog&) = delete;

    // Starts the new file; false when it cannot be written.
    bool open(const QString& path);
    bool isOpen() const { return file_ && file_->isOpen(); }
    // Appends a text without a line end.
    void write(const QString& text);
    // Appends text already encoded (see encode()).
    void writeBytes(const QByteArray& bytes) { writeBytes(std::string_view(bytes.constData(), bytes.size())); }
    void writeBytes(std::string_view bytes) {
        if (isOpen()) {
            buffer_.append(bytes);
            flushIfFull();
        }
    }
    // A text as the file holds it.
    static QByteArray encode(const QString& text);
    // The same for a text as the file stores it (UTF-8): ASCII as it is.
    static QByteArray encodeUtf8(const QByteArray& utf8);
    static bool isAscii(const QByteArray& bytes) {
        return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) < 0x80; });
    }
    // Appends n line ends.
    void endLines(int n = 1);
    // Writes out what is buffered and puts the new log in place; false when
    // the file could not take it all (the old log then stays).
    bool close();
    // Drops what was written; the old log stays.
    void discard() {
        buffer_.clear();
        file_.reset();
    }
    // Why the file could not be opened or written, in the user's words.
    QString errorText() const;

private:
    void flushIfFull();
    void fail();
    bool flush();

    std::unique_ptr<platform::WholeFile> file_;
    std::string buffer_;   // a plain buffer: QByteArray's append costs more than the copy
    bool failed_ = false;
    QString failure_;   // the reason of the first failed write
};
