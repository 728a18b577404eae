#include "records/core/records_database.h"

#include "common/settings_files.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/text/message_error.h"
#include "platform/text/values.h"
#include "platform/text/message_titles.h"

#include <QFile>

namespace records {

using platform::db::Database;
using platform::db::DbError;
using platform::db::FieldDef;
using platform::db::FieldType;
using platform::db::TableDef;

TableDef registerTableDef() {
    TableDef t{kRegisterTable, {}};
    auto text = [&](const char* name, int size, bool required, bool zeroLength) {
        t.fields.push_back({QString::fromUtf8(name), FieldType::Text, size, required, zeroLength});
    };
    text("STID", 8, true, false);
    text("年级", 4, false, false);
    text("班", 2, false, false);
    text("姓名", 3, false, false);
    text("性别", 1, false, true);
    text("职务", 4, false, true);
    text("籍贯", 8, false, true);
    t.fields.push_back({QStringLiteral("出生年月"), FieldType::Date});
    text("联系地址", 20, false, true);
    text("所在区域", 20, false, true);
    text("联系电话", 20, false, true);
    text("家长姓名", 4, false, true);
    text("家长职务", 10, false, true);
    text("民族", 5, false, true);
    text("政治面貌", 4, false, true);
    t.fields.push_back({QStringLiteral("备注"), FieldType::Memo, 0, false, true});
    return t;
}

TableDef areaTableDef() {
    return {kAreaTable,
            {{QStringLiteral("ID"), FieldType::Text, 3},
             {QStringLiteral("名称"), FieldType::Text, 8},
             {QStringLiteral("距学校"), FieldType::Integer}}};
}

namespace {

StartFailure failure(const QString& message) { return {message, platform::kErrorTitle}; }

StartFailure databaseNotFound() {
    // Without system.txt the grade program runs its setup at its next start,
    // which is what the message asks the user to do.
    QFile::remove(locatorFilePath());
    return failure(QStringLiteral("没有找到指定的数据库，请首先运行Orbisca！"));
}

} // namespace

std::variant<DatabaseLocation, StartFailure> ReadDatabaseLocation() {
    const std::optional<QString> located = LocateDatabase();
    if (!located)
        return databaseNotFound();
    const QString path = *located;

    DatabaseLocation where;
    where.path = path;
    where.folder = platform::trimBlanks(folderOf(path));
    try {
        const auto password = ReadAdministratorPassword(where.folder);
        if (!password)
            return failure(QStringLiteral("没有找到文件scro.dat"));
        where.password = *password;
    } catch (const platform::MessageError&) {
        // The reader's own refusals only: any other fault is the program's.
        return failure(QStringLiteral("文件scro.dat已损坏"));
    }
    return where;
}

QString leftOutMessage(int count) {
    return QStringLiteral("成绩表中有%1个学生没有STID，没有加入学籍表。").arg(count);
}

OpenOutcome OpenRecordsDatabase(const QString& path, const QString& password) {
    OpenOutcome out;
    std::shared_ptr<Database> db;
    try {
        db = Database::open(path, password);
    } catch (const DbError& e) {
        out.failure = failure(QStringLiteral("不能打开数据库: ") + e.text());
        return out;
    }

    const TableDef* scores = db->findTable(QStringLiteral("成绩表"));
    if (!scores) {
        out.failure = failure(QStringLiteral("数据库中没有成绩表，请首先运行Orbisca！"));
        return out;
    }
    for (const char* name : {"STID", "年级", "班", "姓名"}) {
        bool found = false;
        for (const FieldDef& f : scores->fields)
            found = found || f.name.compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0;
        if (!found) {
            out.failure = failure(QStringLiteral("成绩表中没有字段%1，请在Orbisca中检查数据库。")
                                      .arg(QString::fromUtf8(name)));
            return out;
        }
    }

    try {
        platform::db::Transaction t(*db);
        if (!db->hasTable(kAreaTable))
            db->createTable(areaTableDef());
        if (!db->hasTable(kRegisterTable)) {
            db->createTable(registerTableDef());
            // STID is required in the register: a student without one cannot be
            // copied. The others go in; an empty text is stored as Null, which
            // is what those fields take in place of it.
            const int students = db->scalar(QStringLiteral("SELECT count(*) FROM 成绩表")).toInt();
            const int copied = db->execute(QStringLiteral(
                "INSERT INTO 学籍表 (STID, 年级, 班, 姓名) "
                "SELECT STID, NULLIF(年级, ''), NULLIF(班, ''), NULLIF(姓名, '') FROM 成绩表 "
                "WHERE length(STID) > 0 ORDER BY rowid"));
            out.studentsLeftOut = students - copied;
            const QStringList fields = {QStringLiteral("ID"), QStringLiteral("名称"), QStringLiteral("距学校")};
            db->insertRow(kAreaTable, fields, {QStringLiteral("001"), QStringLiteral("长安街"), 5});
            db->insertRow(kAreaTable, fields, {QStringLiteral("002"), QStringLiteral("南大街"), 2});
            db->insertRow(kAreaTable, fields, {QStringLiteral("003"), QStringLiteral("杏花村"), 20});
            out.registerCreated = true;
        }
        t.commit();
    } catch (const DbError& e) {
        out.failure = failure(QStringLiteral("不能在数据库中建立学籍表和区域表: ") + e.text());
        out.registerCreated = false;
        out.studentsLeftOut = 0;
    }
    return out;
}

void loadRegions(platform::db::DataControl& control, RegionList& regions) {
    control.setRecordSource(kAreaTable);
    control.refresh();
    regions.clear();
    platform::db::Recordset* rs = control.recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        RegionRecord r;
        r.id = fittedRegionId(rs->value(0).toString());
        r.name = rs->value(1).toString();
        const QVariant d = rs->value(2);
        // A number text gives its nearest whole number; anything else 0.
        bool ok = false;
        const double v = platform::trimBlanks(d.toString()).toDouble(&ok);
        r.distance = ok && v >= -32768.5 && v < 32767.5 ? int16_t(platform::roundHalfEven(v)) : int16_t(0);
        regions.append(r);
    }
}

} // namespace records
