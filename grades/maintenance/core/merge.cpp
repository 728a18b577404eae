#include "grades/maintenance/core/merge.h"

#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/foreign_database.h"

#include <algorithm>

#include <QFileInfo>
#include <QHash>

namespace maintenance {

using platform::db::Database;
using platform::db::DbError;
using platform::db::FieldDef;
using platform::db::ForeignDatabase;
using platform::db::ForeignField;
using platform::db::quoteName;
using platform::db::TableDef;
using platform::db::Transaction;

namespace {

struct Step {
    const QString& table;
    QStringList keys;
    bool mayReplace;
};

const std::vector<Step>& steps() {
    static const std::vector<Step> s = {
        {table::Grades, {QStringLiteral("年级")}, true},
        {table::Classes, {QStringLiteral("年级"), QStringLiteral("班")}, true},
        {table::Scores, {QStringLiteral("年级"), QStringLiteral("STID")}, true},
        {table::Teachers, {QStringLiteral("姓名")}, false},
    };
    return s;
}

const QString kNameField = QStringLiteral("姓名");
constexpr int kNamedMergeRefusals = 3;

int fieldIndexOf(const TableDef& def, const QString& name) {
    for (size_t i = 0; i < def.fields.size(); ++i)
        if (def.fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// The key as stored, character for character; a Null part matches nothing.
bool keyOf(const QVariantList& row, const std::vector<int>& columns, QString& key) {
    key.clear();
    for (int c : columns) {
        const QVariant& v = row[c];
        if (v.isNull())
            return false;
        const QString s = v.toString();
        key += QString::number(s.size()) + QLatin1Char(':') + s;
    }
    return true;
}

struct TargetRow {
    qint64 rowid;
    QString name;
};

MergeTableCounts mergeStep(Database& target, Database& source, const Step& step, bool overwrite) {
    MergeTableCounts counts;
    counts.table = step.table;
    const TableDef tdef = target.tableDef(step.table);
    const TableDef sdef = source.tableDef(step.table);

    // Target fields in field order with the source column that feeds them.
    std::vector<int> targetFields;
    QStringList sourceColumns;
    for (size_t i = 0; i < tdef.fields.size(); ++i) {
        const int s = fieldIndexOf(sdef, tdef.fields[i].name);
        if (s < 0)
            continue;
        targetFields.push_back(int(i));
        sourceColumns << quoteName(sdef.fields[s].name);
    }
    // Source columns of the keys and of 姓名, as positions in a read row.
    auto columnOf = [&](const QString& name) {
        for (size_t k = 0; k < targetFields.size(); ++k)
            if (tdef.fields[targetFields[k]].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(k);
        return -1;
    };
    std::vector<int> sourceKeys;
    for (const QString& k : step.keys)
        sourceKeys.push_back(columnOf(k));
    const bool students = step.table == table::Scores;
    const int sourceName = students ? columnOf(kNameField) : -1;

    // The target's rows by key, first in stored order first.
    QStringList targetKeyColumns;
    for (const QString& k : step.keys)
        targetKeyColumns << quoteName(k);
    std::vector<int> targetKeys;
    for (int i = 0; i < step.keys.size(); ++i)
        targetKeys.push_back(i + 1);
    const bool targetHasName = students && fieldIndexOf(tdef, kNameField) >= 0;
    QHash<QString, TargetRow> byKey;
    {
        const auto rows = target.query(QStringLiteral("SELECT rowid, %1%2 FROM %3 ORDER BY rowid")
                                           .arg(targetKeyColumns.join(QLatin1Char(',')),
                                                targetHasName ? QStringLiteral(",") + quoteName(kNameField) : QString(),
                                                quoteName(step.table)));
        byKey.reserve(qsizetype(rows.size()) * 2);
        QString key;
        for (const QVariantList& r : rows)
            if (keyOf(r, targetKeys, key) && !byKey.contains(key))
                byKey.insert(key, {r[0].toLongLong(), targetHasName ? r.back().toString() : QString()});
    }

    if (targetFields.empty()) {
        counts.rowCount = target.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoteName(step.table))).toInt();
        return counts;
    }
    const auto rows = source.query(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                       .arg(sourceColumns.join(QLatin1Char(',')), quoteName(step.table)));
    std::vector<int> fields;
    std::vector<QVariant> values;
    fields.reserve(targetFields.size());
    values.reserve(targetFields.size());
    QString key;
    int rowNumber = 0;
    for (const QVariantList& row : rows) {
        ++rowNumber;
        const bool hasKey = keyOf(row, sourceKeys, key);
        auto found = hasKey ? byKey.find(key) : byKey.end();
        const bool replace = found != byKey.end();
        if (replace && !(overwrite && step.mayReplace)) {
            ++counts.unchanged;
            continue;
        }
        // Each value as the field would take it; a refused one leaves the field as it was.
        fields.clear();
        values.clear();
        for (size_t k = 0; k < targetFields.size(); ++k) {
            const FieldDef& f = tdef.fields[targetFields[k]];
            try {
                values.push_back(Database::checkedValue(f, row[k]));
                fields.push_back(targetFields[k]);
            } catch (const DbError& e) {
                ++counts.refusedValues;
                if (counts.firstRefusals.size() < kNamedMergeRefusals)
                    counts.firstRefusals << QStringLiteral("第%1行 %2: %3").arg(rowNumber).arg(f.name, e.text());
            }
        }
        if (replace) {
            target.updateChecked(tdef, found->rowid, fields, values);
            ++counts.replaced;
            if (sourceName >= 0 && targetHasName) {
                const QString name = row[sourceName].toString();
                if (name != found->name)
                    ++counts.renamedStudents;
                found->name = name;
            }
            continue;
        }
        qint64 rowid = 0;
        try {
            rowid = target.insertChecked(tdef, fields, values);
        } catch (const DbError& e) {
            if (e.fileRefusedWrite())
                throw;
            ++counts.dropped;
            continue;
        }
        ++counts.added;
        if (hasKey)
            byKey.insert(key, {rowid, sourceName >= 0 ? row[sourceName].toString() : QString()});
    }
    counts.rowCount = target.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(quoteName(step.table))).toInt();
    return counts;
}

} // namespace

std::shared_ptr<Database> mergeSourceOf(const ForeignDatabase& source) {
    const QString cannotOpen = QStringLiteral("无法打开数据文件");
    const QStringList tables = source.tableNames();
    auto tableNamed = [&](const QString& name) {
        for (const QString& t : tables)
            if (t.compare(name, Qt::CaseInsensitive) == 0)
                return t;
        return QString();
    };
    QStringList missing;
    for (const Step& step : steps()) {
        const QString name = tableNamed(step.table);
        if (name.isEmpty()) {
            missing << step.table;
            continue;
        }
        const std::vector<ForeignField> fields = source.fields(name);
        for (const QString& k : step.keys)
            if (std::none_of(fields.begin(), fields.end(),
                             [&](const ForeignField& f) { return f.name.compare(k, Qt::CaseInsensitive) == 0; }))
                missing << QStringLiteral("%1的字段%2").arg(step.table, k);
    }
    if (!missing.isEmpty())
        throw MergeRefused(cannotOpen, QStringLiteral("这个数据文件不是本系统的数据库,缺少: %1。")
                                           .arg(missing.join(QStringLiteral("、"))));
    if (auto db = source.database())
        return db;
    // Another kind of file: its four tables, as read, in a scratch database.
    auto scratch = Database::createInMemory();
    try {
        for (const Step& step : steps())
            copyTable(source, tableNamed(step.table), *scratch, step.table);
    } catch (const DbError& e) {
        throw MergeRefused(cannotOpen, e.text());
    }
    return scratch;
}

std::shared_ptr<Database> openMergeSource(const QString& path, Database& target) {
    const QString cannotOpen = QStringLiteral("无法打开数据文件");
    const QFileInfo info(path);
    if (info.exists() && info.canonicalFilePath() == QFileInfo(target.path()).canonicalFilePath())
        throw MergeRefused(cannotOpen,
                           QStringLiteral("这是当前正在使用的数据库,不能把它导入它自己。请选择另一个数据库文件。"));
    std::unique_ptr<ForeignDatabase> source;
    try {
        source = ForeignDatabase::open(path);
    } catch (const DbError& e) {
        if (e.kind() == DbError::NotADatabase || e.kind() == DbError::WrongPassword)
            throw MergeRefused(cannotOpen,
                               QStringLiteral("无效的数据格式,如果你的数据库有密码,请将密码清除后再试。"));
        throw MergeRefused(cannotOpen, e.text());
    }
    try {
        return mergeSourceOf(*source);
    } catch (const DbError& e) {
        throw MergeRefused(cannotOpen, e.text());
    }
}

MergeResult mergeDatabase(Database& target, Database& source, bool overwrite) {
    MergeResult result;
    Transaction t(target);
    for (const Step& step : steps())
        result.tables.push_back(mergeStep(target, source, step, overwrite));
    t.commit();
    return result;
}

QString mergeReportText(const MergeResult& result) {
    QString text = QStringLiteral("数据导入完成,你可以进行其它操作了。\n");
    for (const MergeTableCounts& c : result.tables) {
        text += QStringLiteral("\n%1: 新增%2条, 覆盖%3条, 未改变%4条")
                    .arg(c.table).arg(c.added).arg(c.replaced).arg(c.unchanged);
        if (c.dropped > 0)
            text += QStringLiteral(", 不能写入而舍弃%1条").arg(c.dropped);
        text += QStringLiteral("。");
        if (c.renamedStudents > 0)
            text += QStringLiteral("\n    被覆盖的学生中有%1个姓名与原来的不同(学生按年级和STID对应)。")
                        .arg(c.renamedStudents);
        if (c.refusedValues > 0)
            text += QStringLiteral("\n    %1个值不能写入,这些字段保持原值: %2%3")
                        .arg(c.refusedValues)
                        .arg(c.firstRefusals.join(QStringLiteral("; ")))
                        .arg(c.refusedValues > c.firstRefusals.size() ? QStringLiteral(" ...") : QString());
    }
    return text;
}

} // namespace maintenance
