#pragma once
// 成绩表 as the mark checking and the scaled tables need it, read once by the
// first and handed to the second: the marks as checked and answered, the
// students deleted on the way marked so.

#include "platform/db/database.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The fields a scaled row takes over from the student's row as they are.
inline constexpr int kCopiedFields = 8;

struct StudentRows {
    int subjects = 0;
    int width = kCopiedFields;                 // cells a row
    std::vector<qint64> rowid;
    std::vector<std::optional<float>> marks;   // row-major, `subjects` a row
    std::vector<char> deleted;
    // Folded 年级 -> rows in stored order: of the field named 年级 (the mark
    // checking), and of the copied field in its place (the scaled tables).
    QHash<QString, std::vector<int>> ofNamedGrade, ofGrade;
    // The cells of the fields the mark checking names: 考号, 年级, 班, 姓名.
    std::array<int, 4> named{};

    std::optional<float>* marksOf(int row) { return marks.data() + std::size_t(row) * subjects; }
    const std::optional<float>* marksOf(int row) const { return marks.data() + std::size_t(row) * subjects; }
    // A cell as stored (UTF-8), null for Null; it stays valid as long as the
    // rows do. The copied fields STID, 年级, 班 and 姓名 are the cells 0 to 3.
    QByteArray field(int row, int f) const {
        const Cell& c = cells_[std::size_t(row) * width + f];
        return c.size < 0 ? QByteArray() : QByteArray::fromRawData(bytes_.data() + c.at, c.size);
    }
    QString text(int row, int f) const { return QString::fromUtf8(field(row, f)); }
    // 考号 (0), 年级 (1), 班 (2) or 姓名 (3) as the field of that name holds it.
    QString namedText(int row, int which) const { return text(row, named[which]); }

    // Reading: the next cell of the row being read.
    void addCell(QByteArrayView v) {
        cells_.push_back({bytes_.size(), v.isNull() ? -1 : int(v.size())});
        bytes_.append(v.data(), std::size_t(v.size()));
    }
    void reserve(std::size_t rows, std::size_t bytes) {
        cells_.reserve(rows * std::size_t(width));
        bytes_.reserve(bytes);
    }

private:
    struct Cell {
        std::size_t at;
        int size;   // -1 for Null
    };
    // Every cell's bytes in one buffer: one allocation for the table, not one a cell.
    std::string bytes_;
    std::vector<Cell> cells_;
};

// `scoreFields` are 成绩表's; its subjects stand from kFirstSubjectField on,
// in the places the run has matched with 年级表. `expectedRows` sizes the
// buffers (a guess is enough).
StudentRows readStudentRows(platform::db::Database& db, const std::vector<platform::db::FieldDef>& scoreFields,
                            int subjects, int expectedRows);
