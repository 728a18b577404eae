#include "common/create_database.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_files.h"
#include "platform/db/database.h"
#include "platform/text/gbk.h"
#include "platform/text/values.h"
#include "platform/text/message_titles.h"
#include "platform/text/system_errors.h"
#include "platform/text/whole_file.h"

#include <QFile>
#include <optional>
#include <system_error>

namespace {

// A file's earlier content, put back when the creation fails.
class FileKeeper {
public:
    explicit FileKeeper(QString path) : path_(std::move(path)), existed_(QFile::exists(path_)) {
        // Only a plain file is read: a FIFO in its place would hold the creation.
        try {
            if (existed_) before_ = platform::readPlainFile(path_);
        } catch (const platform::FileError&) {
        }
    }
    // Best effort: the failure being reported is the one that counts. What was
    // there and could not be read is not ours to remove.
    void restore() const {
        if (!existed_) {
            QFile::remove(path_);
            return;
        }
        if (!before_) return;
        try {
            platform::writeFileWhole(path_, *before_);
        } catch (const platform::FileError&) {
        }
    }
private:
    QString path_;
    bool existed_;
    std::optional<QByteArray> before_;
};

void removeDatabaseFiles(const QString& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

void writeTablesAndRows(platform::db::Database& db, const NewSchool& school, const QString& schoolName,
                        const QString& password) {
    db.createTable(scoreTableDef(table::Scores, school.subjects));
    db.createTable(scoreTableDef(table::AbsoluteScores, school.subjects));
    db.createTable(scoreTableDef(table::RelativeScores, school.subjects));
    db.createTable(gradeTableDef(school.subjects));
    db.createTable(classTableDef(school.subjects));
    db.createTable(teacherTableDef());
    db.createTable(settingsTableDef());

    platform::db::Transaction rows(db);
    // Every paper starts at a full mark of 100.
    const QStringList gradeFields = QStringList{QStringLiteral("年级")} + school.subjects;
    for (const QString& grade : school.grades) {
        QVariantList values{grade};
        for (qsizetype i = 0; i < school.subjects.size(); ++i) values << 100.0;
        db.insertRow(table::Grades, gradeFields, values);
    }
    for (const QString& label : school.classes)
        db.insertRow(table::Classes, {QStringLiteral("年级"), QStringLiteral("班")},
                     {gradeOfLabel(label), classOfLabel(label)});
    const auto& defaults = settingsRowDefaults();
    for (size_t i = 0; i < defaults.size(); ++i)
        db.insertRow(table::Settings, {QStringLiteral("说明"), QStringLiteral("状态")},
                     {defaults[i].name, i == 0 ? schoolName : defaults[i].value});
    rows.commit();

    if (!password.isEmpty()) db.setPassword(QString(), password);
}

} // namespace

QString creationFailedMessage(const QString& reason) {
    return QStringLiteral("数据初始化失败，没有建立数据库！\n") + reason;
}

SetupOutcome createSchoolDatabase(const NewSchool& school) {
    const QString schoolName = platform::trimBlanks(school.schoolName);
    const QString path = platform::trimBlanks(school.databasePath);
    const QString folder = folderOf(path);

    const FileKeeper oldSettings(settingsFilePath(folder));
    const FileKeeper oldLocator(locatorFilePath());
    bool databaseMade = false;
    QString reason;
    try {
        const QString password = WriteSchoolSettings(
            folder, static_cast<int16_t>(school.grades.size()), static_cast<int16_t>(school.classes.size()),
            static_cast<int16_t>(school.subjects.size()), schoolName, school.password);
        // A file here can only have appeared since the wizard looked; the new database replaces a
        // plain file, never a FIFO or device.
        if (const int e = platform::plainFileState(path); e == platform::kNotAPlainFile)
            throw platform::FileError(QStringLiteral("不能写入文件 ") + path + QStringLiteral(": ") +
                                      platform::systemErrorReason(e));
        if (QFile old(path); old.exists() && !old.remove())
            throw platform::FileError(QStringLiteral("不能删除文件 ") + path + QStringLiteral(": ") +
                                      platform::fileErrorReason(old));
        {
            std::shared_ptr<platform::db::Database> db = platform::db::Database::create(path);
            databaseMade = true;
            writeTablesAndRows(*db, school, schoolName, password);
        }  // closed here: the main window opens it again with the connection text
        WriteDatabaseLocator(path);

        ProgramState& s = state();
        s.SchoolName = schoolName;
        s.DatabasePath = path;
        s.DatabaseFolder = folder;
        s.DatabasePassword = password;
        s.GradeCount = static_cast<int16_t>(school.grades.size());
        s.ClassCount = static_cast<int16_t>(school.classes.size());
        s.SubjectCount = static_cast<int16_t>(school.subjects.size());
        return {true, {}, {}};
    } catch (const platform::db::DbError& e) {
        reason = e.text();
    } catch (const platform::FileError& e) {
        reason = e.text();
    } catch (const platform::GbkError& e) {
        reason = e.text();
    } catch (const std::system_error& e) {
        reason = platform::systemErrorReason(e.code());
    } catch (...) {
        // A fault of the program: undone as any failure, then left to the
        // application, which tells it without its English text and logs it.
        if (databaseMade) removeDatabaseFiles(path);
        oldSettings.restore();
        oldLocator.restore();
        throw;
    }
    if (databaseMade) removeDatabaseFiles(path);
    oldSettings.restore();
    oldLocator.restore();
    return {false, creationFailedMessage(reason), platform::kPromptTitle};
}

SetupOutcome attachExistingDatabase(const QString& typedPath) {
    const QString path = platform::trimBlanks(typedPath);
    const QString folder = folderOf(path);
    std::optional<SchoolSettings> settings;
    try {
        settings = ReadSchoolSettings(folder);
    } catch (const platform::FileError& e) {
        return {false, e.text(), platform::kErrorTitle};
    }
    if (!settings) return {false, QStringLiteral("没有找到文件scro.dat"), platform::kErrorTitle};
    try {
        WriteDatabaseLocator(path);
    } catch (const platform::FileError& e) {
        return {false, e.text(), platform::kErrorTitle};
    } catch (const platform::GbkError& e) {
        return {false, e.text(), platform::kErrorTitle};
    }

    ProgramState& s = state();
    s.DatabasePath = path;
    s.DatabaseFolder = folder;
    s.GradeCount = settings->gradeCount;
    s.ClassCount = settings->classCount;
    s.SubjectCount = settings->subjectCount;
    s.SchoolName = settings->schoolName;
    s.DatabasePassword = settings->password;
    s.StudentCount = settings->studentCount;
    s.TeacherCount = settings->teacherCount;
    return {true, {}, {}};
}
