#include "grades/calc/core/calculation_log.h"

#include "platform/text/gbk.h"

#include <QStringList>


namespace {
constexpr qsizetype kFlushAt = 1 << 16;
}

CalculationLog::~CalculationLog() { close(); }

bool CalculationLog::open(const QString& path) {
    close();
    buffer_.clear();
    failed_ = false;
    failure_.clear();
    file_ = std::make_unique<platform::WholeFile>(path);
    if (file_->open())
        return true;
    fail();
    return false;
}

QByteArray CalculationLog::encode(const QString& text) {
    // ASCII is the same in GBK; the converter costs more than the text.
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return text.toLatin1();
    // A character GBK cannot hold (a rare name) is written as "?".
    return platform::toGbkReplacing(text);
}

QByteArray CalculationLog::encodeUtf8(const QByteArray& utf8) {
    return isAscii(utf8) ? utf8 : encode(QString::fromUtf8(utf8));
}

void CalculationLog::write(const QString& text) {
    if (isOpen())
        writeBytes(encode(text));
}

void CalculationLog::endLines(int n) {
    if (!isOpen())
        return;
    for (int i = 0; i < n; ++i)
        buffer_ += "\r\n";
    flushIfFull();
}

void CalculationLog::fail() {
    if (!failed_)
        failure_ = file_->reason();
    failed_ = true;
}

void CalculationLog::flushIfFull() {
    if (qsizetype(buffer_.size()) >= kFlushAt)
        flush();
}

QString CalculationLog::errorText() const { return failure_; }

bool CalculationLog::flush() {
    if (!buffer_.empty() && !file_->write(buffer_.data(), qint64(buffer_.size())))
        fail();
    buffer_.clear();
    return !failed_;
}

bool CalculationLog::close() {
    if (!isOpen())
        return !failed_;
    if (flush() && !file_->commit())
        fail();
    file_.reset();
    return !failed_;
}
