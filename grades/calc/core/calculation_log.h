#pragma once
// The calculation's log: a GBK text file with CR LF line ends, rewritten by
// every run. Writes are buffered; the file is written out in large pieces.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <string>
#include <string_view>

class CalculationLog {
public:
    CalculationLog() = default;
    ~CalculationLog();
    CalculationLog(const CalculationLog&) = delete;
    CalculationLog& operator=(const CalculationLog&) = delete;

    // Truncates or creates the file; false when it cannot be written.
    bool open(const QString& path);
    bool isOpen() const { return file_.isOpen(); }
    // Appends a text without a line end.
    void write(const QString& text);
    // Appends text already encoded (see encode()).
    void writeBytes(const QByteArray& bytes) { writeBytes(std::string_view(bytes.constData(), bytes.size())); }
    void writeBytes(std::string_view bytes) {
        if (file_.isOpen()) {
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
    // Writes out what is buffered and closes; false when the file could not take it all.
    bool close();
    // Why the file could not be opened or written, in the user's words.
    QString errorText() const;

private:
    void flushIfFull();
    void fail();
    bool flush();

    QFile file_;
    std::string buffer_;   // a plain buffer: QByteArray's append costs more than the copy
    bool failed_ = false;
    QString failure_;   // the reason of the first failed write
};
