#pragma once
// 成绩表 as the mark checking and the scaled tables need it, read once by the
// first and handed to the second: the marks as checked and answered, the
// students deleted on the way marked so.

#include "platform/db/database.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// The fields a scaled row takes over from the student's row as they are.
inline constexpr int kCopiedFields = 8;

struct StudentRows {
    int subjects = 0;
    int width = kCopiedFields;                 // cells a row
    std::vector<qint64> rowid;
    std::vector<QByteArray> cells;             // row-major, `width` a row, as stored
    // The copied fields STID, 年级, 班 and 姓名 by their place, as text.
    std::vector<QString> stid, grade, cls, name;
    std::vector<char> classNull;
    std::vector<std::optional<float>> marks;   // row-major, `subjects` a row
    std::vector<char> deleted;
    // Folded 年级 -> rows in stored order: of the field named 年级 (the mark
    // checking), and of the copied field in its place (the scaled tables).
    QHash<QString, std::vector<int>> ofNamedGrade, ofGrade;
    // The cells of the fields the mark checking names: 考号, 年级, 班, 姓名.
    std::array<int, 4> named{};

    std::optional<float>* marksOf(int row) { return marks.data() + std::size_t(row) * subjects; }
    const std::optional<float>* marksOf(int row) const { return marks.data() + std::size_t(row) * subjects; }
    const QByteArray& field(int row, int f) const { return cells[std::size_t(row) * width + f]; }
    // 考号 (0), 年级 (1), 班 (2) or 姓名 (3) as the field of that name holds it.
    QString namedText(int row, int which) const { return QString::fromUtf8(field(row, named[which])); }
};

// `scoreFields` are 成绩表's; its subjects stand from kFirstSubjectField on,
// in the places the run has matched with 年级表.
StudentRows readStudentRows(platform::db::Database& db, const std::vector<platform::db::FieldDef>& scoreFields,
                            int subjects);
