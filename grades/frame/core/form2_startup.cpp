#include "grades/frame/core/form2_startup.h"

#include "common/schema.h"
#include "common/settings_rows.h"
#include "grades/frame/core/lock_rules.h"

#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/message_error.h"
#include "platform/text/values.h"
#include "platform/text/message_titles.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <stdexcept>

namespace form2 {

namespace {

StartupFailure databaseMissing() {
    // Without system.txt the next start runs the setup wizard again.
    QFile::remove(locatorFilePath());
    return {QStringLiteral("没有找到指定的数据库，请重新起动本程序！"), platform::kErrorTitle};
}

} // namespace

std::variant<StartupFiles, StartupFailure> readStartupFiles() {
    const std::optional<QString> located = LocateDatabase();
    if (!located)
        return databaseMissing();
    const QString path = *located;

    StartupFiles files;
    files.databasePath = path;
    files.databaseFolder = platform::trimBlanks(folderOf(path));
    try {
        const auto school = ReadSchoolSettings(files.databaseFolder);
        if (!school)
            return StartupFailure{QStringLiteral("没有找到文件scro.dat"), platform::kErrorTitle};
        files.school = *school;
    } catch (const platform::MessageError&) {
        // The reader's own refusals only: any other fault is the program's,
        // and goes on to its fault path.
        return StartupFailure{QStringLiteral("文件scro.dat已损坏，请重新起动本程序！"), platform::kErrorTitle};
    }
    return files;
}

std::optional<int> lockLevelFor(const QString& row35, bool administrator) {
    if (administrator || row35 == QLatin1String("3"))
        return std::nullopt;
    return lockLevelFromText(row35);
}

int16_t readExamNumberLength(platform::db::Recordset& settings) {
    const int rows = settings.recordCount();
    if (rows < int(Setting::ExamNumberLength)) {
        // Only a table that stops right before the row may get it: appended to
        // a shorter one it would sit at the wrong position and be misread.
        if (rows == int(Setting::ExamNumberLength) - 1)
            settings.addNew({QStringLiteral("说明"), QStringLiteral("状态")},
                            {QStringLiteral("考号长度"), QStringLiteral("0")});
        return 0;
    }
    return static_cast<int16_t>(
        platform::leadingWholeNumber(SettingsRows(settings).value(Setting::ExamNumberLength)));
}

TableCounts countTables(platform::db::Database& db) {
    auto rowsOf = [&db](const QString& table) {
        return db.scalar(QStringLiteral("SELECT count(*) FROM ") + platform::db::quoteName(table)).toLongLong();
    };
    TableCounts counts;
    counts.teachers = static_cast<float>(rowsOf(table::Teachers));
    counts.grades = static_cast<int16_t>(rowsOf(table::Grades));
    counts.classes = static_cast<int16_t>(rowsOf(table::Classes));
    counts.students = static_cast<float>(rowsOf(table::Scores));
    counts.subjects = static_cast<int16_t>(int(db.tableDef(table::Scores).fields.size()) - kFirstSubjectField);
    return counts;
}

bool hasIncompleteStudentRow(platform::db::Database& db) {
    const auto fields = db.tableDef(table::Scores).fields;
    QStringList empty;
    for (size_t i = 0; i < std::min<size_t>(4, fields.size()); ++i) {
        const QString name = platform::db::quoteName(fields[i].name);
        empty << name + QStringLiteral(" IS NULL OR ") + name + QStringLiteral(" = ''");
    }
    if (empty.isEmpty())
        return false;
    return !db.query(QStringLiteral("SELECT 1 FROM ") + platform::db::quoteName(table::Scores) + QStringLiteral(" WHERE ") +
                     empty.join(QStringLiteral(" OR ")) + QStringLiteral(" LIMIT 1"))
                .empty();
}

} // namespace form2
