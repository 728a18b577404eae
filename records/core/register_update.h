#pragma once
// Brings the student register in line with the score table: every student of
// 成绩表 gets one register row with his name, class and grade level, and the
// rows of students no longer there go. Worked out first, then written in one
// transaction, so that the window can ask before rows are deleted.

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace platform::db { class Database; }

namespace records {

struct RegisterUpdate {
    bool missingStudentId = false;   // a 成绩表 row without STID: nothing may be done
    int scoreRows = 0;               // N
    int registerRows = 0;            // before the update
    struct Add { QString id; QVariant name, cls; };
    struct Change { qint64 rowid; QVariant name, cls; QString grade; bool differs; };
    std::vector<Add> adds;
    std::vector<Change> changes;     // every matched register row, in register order
    std::vector<qint64> deletes;     // register rows no score row matched, in register order
};

// Reads both tables and works out the update; writes nothing.
RegisterUpdate planRegisterUpdate(platform::db::Database& db);

// Writes the plan in one transaction. `progress` gets the step count and the
// bar's maximum: 2N in the first pass (one step per score row), then N plus
// the register's rows after the adds (one step per register row).
// Throws platform::db::DbError, having written nothing.
void applyRegisterUpdate(platform::db::Database& db, const RegisterUpdate& plan,
                         const std::function<void(int step, int maximum)>& progress = {});

} // namespace records
