#pragma once
// The data side of the main window's finishing work: what the teacher and
// full-mark panels leave settled in the database when they are closed.

#include <QString>

namespace platform::db {
class DataControl;
class Recordset;
}

namespace entry {

inline constexpr int kAssignmentSlots = 20;

// Closes up every teacher's assignment slots (任课班级n, 科目n) so that the
// filled ones are numbered 1 to k. A gap is filled from the highest filled
// slot, so the slots do not keep their order: A, -, B, C become A, C, B.
// A slot counts as empty when its class is empty; its subject moves with it.
void compactAssignmentSlots(platform::db::Recordset& teachers);

// For every grade level (a row of 年级表 in `grades`) and every paper it does
// not take (full mark empty or 0): stores the full mark as empty, removes the
// subject's teacher from the grade's classes in 班级表 (read through
// `classes`) and empties the teachers' slots for that grade and subject.
// `currentGradeId` follows the grade being worked on, as the panels expect.
void clearTeachersOfPapersNotTaken(platform::db::Recordset& grades, platform::db::DataControl& classes,
                                   platform::db::Recordset& teachers, QString& currentGradeId);

} // namespace entry
