#pragma once
// Exports are tab-separated records under a heading line of field names. A
// character GBK cannot hold is refused naming the student of its record, so
// that the user knows whose data to correct.

#include "platform/text/gbk.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The student of a record line, for a message: 学生“𠀀一”(20040001), from its
// STID (or 学号) and 姓名 fields, quoted or not; empty when the heading names none.
QString studentOfRecord(const QStringList& fieldNames, const QString& recordLine);

// The refusal of a record line holding a character GBK cannot hold (line
// numbered from the heading, 1): the student when the record names one, else the line.
platform::GbkError nonGbkInRecord(const QStringList& fieldNames, const QString& recordLine, int lineNumber);
