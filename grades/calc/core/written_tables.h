#pragma once
// 绝对成绩表 and 相对成绩表 as this run wrote them, kept for the teacher stage:
// reading back what was just written costs as much as writing it.

#include "grades/calc/core/student_rows.h"

#include <QString>
#include <optional>
#include <vector>

struct WrittenTable {
    QString name;
    // The fields written, in their order: the copied ones, 总分, 平均分, the marks.
    std::vector<QString> fields;
    int numbers = 0;                              // fields.size() - kCopiedFields
    std::vector<int> students;                    // each row's student, in stored order
    std::vector<std::optional<float>> values;     // row-major, `numbers` a row, as stored
    const StudentRows* source = nullptr;          // the copied fields, as stored
};

struct WrittenTables {
    std::vector<WrittenTable> tables;

    const WrittenTable* find(const QString& name) const {
        for (const WrittenTable& t : tables)
            if (t.name == name)
                return &t;
        return nullptr;
    }
};
