#include "grades/maintenance/core/external_import.h"

#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "platform/db/jetsql.h"
#include "platform/db/typedsql.h"
#include "platform/text/gbk.h"
#include "platform/text/values.h"
#include "platform/text/message_titles.h"

#include <QHash>
#include <QSet>
#include <cmath>

namespace maintenance {

using platform::db::Database;
using platform::db::DbError;
using platform::db::FieldDef;
using platform::db::TableDef;

namespace {

constexpr qint64 kLastSerial = 9999;

// Texts compare as the database compares them: ASCII letters without case.
QString foldKey(const QString& text) {
    QString k = text;
    for (QChar& c : k)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + 32);
    return k;
}

QString textOf(const QVariant& v) {
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

bool isNullValue(const QVariant& v) { return !v.isValid() || v.isNull(); }

// A name finds the first of its rows in stored order.
void keepFirst(QHash<QString, qint64>& rows, const QString& key, qint64 rowid) {
    if (!rows.contains(key))
        rows.insert(key, rowid);
}

int fieldIndex(const TableDef& def, const QString& name) {
    for (size_t i = 0; i < def.fields.size(); ++i)
        if (def.fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString shownValue(const QVariant& v) {
    return isNullValue(v) ? QStringLiteral("(空)") : v.toString();
}

ImportRefusal importError(const QString& detail) {
    return {platform::kPlainErrorTitle, kImportErrorText + QStringLiteral("\n\n") + detail};
}

// Scans the students and raises each counter to the largest id in use.
void raiseCounters(Database& db, ImportCounters& c) {
    QHash<QString, size_t> gradeAt, classAt;
    for (size_t i = c.grades.size(); i-- > 0;)
        gradeAt.insert(c.grades[i].key, i);   // the first entry of a key wins
    for (size_t i = c.classes.size(); i-- > 0;)
        classAt.insert(c.classes[i].key, i);
    const auto rows = db.query(QStringLiteral("SELECT \"年级\", \"班\", \"STID\", \"学号\" FROM \"成绩表\""));
    for (const QVariantList& r : rows) {
        const QString g = textOf(r[0]), cl = textOf(r[1]);
        if (g.isEmpty() || cl.isEmpty())
            continue;
        const auto ga = gradeAt.constFind(g);
        if (ga != gradeAt.constEnd())
            c.grades[*ga].count = std::max(c.grades[*ga].count, serialOfStudentId(textOf(r[2])));
        const auto ca = classAt.constFind(g + cl);
        if (ca != classAt.constEnd())
            c.classes[*ca].count = std::max(c.classes[*ca].count, leadingCount(textOf(r[3])));
    }
}

} // namespace

bool isListedSourceTable(const QString& name) {
    if (name.isEmpty())
        return false;
    return platform::displayWidthOf(platform::characters(name).front()) == 2;
}

QStringList listedSourceTables(const platform::db::ForeignDatabase& source) {
    QStringList out;
    for (const QString& t : source.tableNames())
        if (isListedSourceTable(t))
            out << t;
    return out;
}

qint64 leadingCount(const QString& text) {
    const double v = platform::LeadingNumber(text);
    if (!(v > 0) || !std::isfinite(v))
        return 0;
    return v >= 1e15 ? qint64(1e15) : qint64(std::floor(v));
}

qint64 serialOfStudentId(const QString& studentId) {
    return leadingCount(studentId.size() > 4 ? studentId.right(4) : studentId);
}

ImportCounters ImportCounters::load(Database& db) {
    ImportCounters c;
    for (const QVariantList& r : db.query(QStringLiteral("SELECT \"年级\" FROM \"年级表\" ORDER BY rowid")))
        c.grades.push_back({textOf(r[0]), 0});
    if (c.grades.empty())
        return c;
    for (const QVariantList& r : db.query(QStringLiteral("SELECT \"年级\", \"班\" FROM \"班级表\" ORDER BY rowid")))
        c.classes.push_back({textOf(r[0]) + textOf(r[1]), 0});
    if (c.classes.empty())
        return c;
    raiseCounters(db, c);
    return c;
}

void ImportCounters::raiseTo(Database& db) {
    if (!grades.empty() && !classes.empty())
        raiseCounters(db, *this);
}

QString ImportCounters::gradeListText() const {
    QString t;
    for (const Entry& e : grades)
        t += e.key + QStringLiteral("  ");
    return t;
}

QString ImportCounters::classListText() const {
    QString t;
    for (const Entry& e : classes)
        t += e.key + QStringLiteral("  ");
    return t;
}

bool ImportCounters::hasGrade(const QString& g) const {
    return std::any_of(grades.begin(), grades.end(), [&](const Entry& e) { return e.key == g; });
}

bool ImportCounters::hasClass(const QString& g, const QString& c) const {
    const QString key = g + c;
    return std::any_of(classes.begin(), classes.end(), [&](const Entry& e) { return e.key == key; });
}

ImportCounters::Entry* ImportCounters::grade(const QString& g) {
    for (Entry& e : grades)
        if (e.key == g)
            return &e;
    return nullptr;
}

ImportCounters::Entry* ImportCounters::cls(const QString& g, const QString& c) {
    const QString key = g + c;
    for (Entry& e : classes)
        if (e.key == key)
            return &e;
    return nullptr;
}

// ---------------------------------------------------------------------------

SourceRows readSourceRows(const platform::db::ForeignDatabase& source, const QString& table,
                          const QString& condition) {
    SourceRows out;
    try {
        for (const auto& f : source.fields(table))
            out.fields << f.name;
        if (platform::trimBlanks(condition).isEmpty()) {
            source.readRows(table, [&](const QVariantList& r) {
                out.rows.push_back(r);
                return true;
            });
            return out;
        }
    } catch (const DbError& e) {
        throw ImportRefusal{platform::kPlainErrorTitle,
                            QStringLiteral("不能读取源数据中的表 %1 。\n%2").arg(table, e.text())};
    }
    const QString sql =
        QStringLiteral("select * from ") + platform::db::quoteName(table) + QStringLiteral("  where ") + condition;
    const QString translated = platform::db::typedToSqliteSql(sql);
    if (!platform::db::isReadOnlySelect(sql) || !platform::db::isReadOnlySelect(translated))
        throw importError(QStringLiteral("源数据的条件只能是一个查询条件,不能含有其它语句: %1").arg(condition));
    try {
        const std::shared_ptr<Database> scratch = Database::createInMemory();
        platform::db::copyTable(source, table, *scratch);
        Database::WorkLimit limit(*scratch);
        out.rows = scratch->query(translated);
        limit.checkComplete();
    } catch (const DbError& e) {
        throw importError(QStringLiteral("源数据的条件: %1\n%2").arg(condition, e.text()));
    }
    return out;
}

QString stoppedMessage(int stored) {
    return QStringLiteral("导入已停止。在此之前已导入%1条记录,它们已保存。").arg(stored);
}

ImportRefusal checkPlan(Database& target, const ExternalImportPlan& plan, const ImportCounters& counters) {
    const TableDef def = target.tableDef(plan.targetTable);
    const int name = fieldIndex(def, scorefield::Name);
    if (name < 0 || name >= plan.pairedSourceFields.size() || plan.pairedSourceFields[name].isEmpty())
        return {platform::kPromptTitle, QStringLiteral("必须将姓名输入。")};
    if (plan.check && def.name != table::Scores)
        return {platform::kPromptTitle,
                QStringLiteral("\"自动产生学号和STID并检查数据合法性\"只能用于导入学生(成绩表)。"
                               "导入%1时请不要选中这一项。").arg(def.name)};
    if (plan.check && (counters.grades.empty() || counters.classes.empty()))
        return {platform::kPromptTitle,
                QStringLiteral("系统中还没有年级或班级,无法检查导入的学生。请先添加年级和班级,"
                               "或者不选中\"自动产生学号和STID并检查数据合法性\"。")};
    return {};
}

// ---------------------------------------------------------------------------

namespace {

class Run {
public:
    Run(Database& db, const SourceRows& source, const ExternalImportPlan& plan, ImportCounters& counters,
        CheckState& state, ImportQuestions& questions)
        : db_(db), source_(source), plan_(plan), counters_(counters), state_(state), questions_(questions) {}

    ImportResult run();

private:
    enum class Step { Go, Stop };
    // The values each selected row writes to its paired fields, checked against
    // the target's rules; a refusal when one does not fit.
    bool prepare(ImportResult& result);
    Step check(std::vector<QVariant>& row, const QString& name, ImportResult& result);
    Step ask(const QString& prompt, const QString& title, const QString& defaultText, QString& answer);
    void pause() {
        db_.commit();
        committed_ = stored_;
        committedAdded_ = added_;
    }
    void resume() { db_.begin(); }
    bool studentIdTaken(const QString& id) const { return takenIds_.contains(foldKey(id)); }

    Database& db_;
    const SourceRows& source_;
    const ExternalImportPlan& plan_;
    ImportCounters& counters_;
    CheckState& state_;
    ImportQuestions& questions_;

    TableDef def_;
    std::vector<int> pairedFields_;     // target fields with a pair, in field order
    std::vector<int> sourceOf_;         // their source columns
    int nameField_ = -1, nameSource_ = -1;
    int gradeField_ = -1, classField_ = -1, idField_ = -1, numberField_ = -1;
    std::vector<size_t> selected_;      // source rows with a name
    std::vector<std::vector<QVariant>> values_;   // per selected row, per paired field
    QSet<QString> takenIds_;
    QHash<QString, qint64> firstOfName_;
    int stored_ = 0, added_ = 0, committed_ = 0, committedAdded_ = 0;
};

bool Run::prepare(ImportResult& result) {
    def_ = db_.tableDef(plan_.targetTable);
    for (size_t f = 0; f < def_.fields.size() && f < size_t(plan_.pairedSourceFields.size()); ++f) {
        const QString& pair = plan_.pairedSourceFields[int(f)];
        if (pair.isEmpty())
            continue;
        int column = -1;
        for (int c = 0; c < source_.fields.size(); ++c)
            if (source_.fields[c].compare(pair, Qt::CaseInsensitive) == 0) {
                column = c;
                break;
            }
        if (column < 0) {
            result.refusal = importError(QStringLiteral("源数据中没有字段 %1 (对应 %2)。").arg(pair, def_.fields[f].name));
            return false;
        }
        pairedFields_.push_back(int(f));
        sourceOf_.push_back(column);
    }
    nameField_ = fieldIndex(def_, scorefield::Name);
    for (size_t i = 0; i < pairedFields_.size(); ++i)
        if (pairedFields_[i] == nameField_)
            nameSource_ = sourceOf_[i];
    if (plan_.check) {
        gradeField_ = fieldIndex(def_, scorefield::Grade);
        classField_ = fieldIndex(def_, scorefield::Class);
        idField_ = fieldIndex(def_, scorefield::StudentId);
        numberField_ = fieldIndex(def_, scorefield::Number);
    }

    QHash<QString, qint64> newIdsOfGrade;
    for (size_t r = 0; r < source_.rows.size(); ++r) {
        const QVariantList& row = source_.rows[r];
        // A row without a name is passed over; an empty name counts as none.
        if (nameSource_ >= row.size() || textOf(row[nameSource_]).isEmpty())
            continue;
        std::vector<QVariant> values;
        values.reserve(pairedFields_.size());
        QString grade, id;
        bool idPaired = false;
        for (size_t i = 0; i < pairedFields_.size(); ++i) {
            const FieldDef& field = def_.fields[pairedFields_[i]];
            QVariant in = sourceOf_[i] < row.size() ? row[sourceOf_[i]] : QVariant();
            // Files often hold an empty text where they mean none.
            if (!field.allowZeroLength && in.metaType().id() == QMetaType::QString && in.toString().isEmpty())
                in = QVariant();
            try {
                values.push_back(Database::checkedValue(field, in));
            } catch (const DbError& e) {
                result.refusal = importError(QStringLiteral("第%1条源记录(%2), 字段 %3 <--- %4 的值 %5 不能导入:\n%6")
                                                 .arg(r + 1)
                                                 .arg(shownValue(row[nameSource_]), field.name,
                                                      source_.fields[sourceOf_[i]], shownValue(in), e.text()));
                return false;
            }
            if (pairedFields_[i] == gradeField_)
                grade = textOf(values.back());
            if (pairedFields_[i] == idField_) {
                id = textOf(values.back());
                idPaired = true;
            }
        }
        // New ids past serial 9999 are refused before anything is written.
        if (plan_.check && counters_.hasGrade(grade) && (!idPaired || id.size() != 8)) {
            const qint64 needed = ++newIdsOfGrade[grade];
            if (counters_.grade(grade)->count + needed > kLastSerial) {
                result.refusal = {platform::kPlainErrorTitle,
                                  QStringLiteral("%1级的学生编号(STID)将超过%2%3,无法为第%4条源记录(%5)产生STID。"
                                                 "没有导入任何数据。")
                                      .arg(grade, grade, QString::number(kLastSerial))
                                      .arg(r + 1)
                                      .arg(shownValue(row[nameSource_]))};
                return false;
            }
        }
        selected_.push_back(r);
        values_.push_back(std::move(values));
    }
    return true;
}

Run::Step Run::ask(const QString& prompt, const QString& title, const QString& defaultText, QString& answer) {
    for (;;) {
        pause();
        answer = questions_.input(prompt, title, defaultText);
        const bool stop = answer.isEmpty() && questions_.stopAfterCancel();
        resume();
        if (!answer.isEmpty())
            return Step::Go;
        if (stop)
            return Step::Stop;
    }
}

Run::Step Run::check(std::vector<QVariant>& row, const QString& name, ImportResult& result) {
    state_.CurrentGrade = textOf(row[gradeField_]);
    while (!counters_.hasGrade(state_.CurrentGrade)) {
        const QString prompt = QStringLiteral("请输入有效的年级号(可用的年级号有:") + counters_.gradeListText()
            + QStringLiteral(")现在的年级") + state_.CurrentGrade + QStringLiteral("无效");
        const QString title = QStringLiteral("请输入") + name + QStringLiteral(" 所在的年级");
        if (ask(prompt, title, counters_.grades.front().key, state_.CurrentGrade) == Step::Stop)
            return Step::Stop;
    }
    row[gradeField_] = state_.CurrentGrade;

    state_.CurrentClass = textOf(row[classField_]);
    while (!counters_.hasClass(state_.CurrentGrade, state_.CurrentClass)) {
        const QString prompt = QStringLiteral("请有以下班级(") + counters_.classListText() + QStringLiteral(")中选择一个 ")
            + state_.CurrentGrade + QStringLiteral("级中的班:现在的班") + state_.CurrentClass + QStringLiteral("无效");
        const QString title = QStringLiteral("请输入一个") + state_.CurrentGrade + QStringLiteral("级") + name
            + QStringLiteral("所在的班");
        if (ask(prompt, title, QStringLiteral("01"), state_.CurrentClass) == Step::Stop)
            return Step::Stop;
    }
    row[classField_] = state_.CurrentClass;

    const QString id = textOf(row[idField_]);
    if (id.size() != 8) {
        ImportCounters::Entry* e = counters_.grade(state_.CurrentGrade);
        QString made;
        do {
            if (e->count >= kLastSerial) {
                result.refusal = {platform::kPlainErrorTitle,
                                  QStringLiteral("%1级的学生编号(STID)已经用到%2,无法为%3产生STID。\n")
                                          .arg(state_.CurrentGrade, QString::number(kLastSerial), name)
                                      + stoppedMessage(stored_)};
                return Step::Stop;
            }
            ++e->count;
            made = state_.CurrentGrade + QStringLiteral("%1").arg(e->count, 4, 10, QLatin1Char('0'));
        } while (studentIdTaken(made));
        row[idField_] = made;
    }

    if (textOf(row[numberField_]).isEmpty()) {
        ImportCounters::Entry* e = counters_.cls(state_.CurrentGrade, state_.CurrentClass);
        ++e->count;
        row[numberField_] = QStringLiteral("%1").arg(e->count, 2, 10, QLatin1Char('0')).right(3);
    }
    // What the check gave out must fit the fields too.
    for (int f : {gradeField_, classField_, idField_, numberField_})
        row[f] = Database::checkedValue(def_.fields[f], row[f]);
    return Step::Go;
}

ImportResult Run::run() {
    ImportResult result;
    if (source_.rows.empty())
        return result;
    if (plan_.check)
        counters_.raiseTo(db_);
    if (!prepare(result)) {
        result.kind = ImportResult::Kind::Refused;
        return result;
    }
    if (selected_.empty())
        return result;

    if (plan_.check && idField_ >= 0)
        for (const QVariantList& r : db_.query(QStringLiteral("SELECT \"STID\" FROM \"成绩表\"")))
            if (!isNullValue(r[0]))
                takenIds_.insert(foldKey(r[0].toString()));
    if (plan_.askOnSameName) {
        const QString sql = QStringLiteral("SELECT rowid, ") + platform::db::quoteName(def_.fields[nameField_].name) +
                            QStringLiteral(" FROM ") + platform::db::quoteName(def_.name) +
                            QStringLiteral(" ORDER BY rowid");
        for (const QVariantList& r : db_.query(sql))
            if (!isNullValue(r[1]))
                keepFirst(firstOfName_, foldKey(r[1].toString()), r[0].toLongLong());
    }
    QString checkFields;
    std::vector<int> checkFieldList;
    if (plan_.check) {
        checkFieldList = {gradeField_, classField_, idField_, numberField_};
        for (int f : checkFieldList)
            checkFields += (checkFields.isEmpty() ? QString() : QStringLiteral(", "))
                + platform::db::quoteName(def_.fields[f].name);
    }

    // The fields each written row sets: the paired ones, and the check's.
    std::vector<int> written = pairedFields_;
    for (int f : checkFieldList)
        if (std::find(written.begin(), written.end(), f) == written.end())
            written.push_back(f);
    std::sort(written.begin(), written.end());
    std::vector<QVariant> row(def_.fields.size());
    std::vector<QVariant> out(written.size());

    db_.begin();
    try {
        for (size_t s = 0; s < selected_.size(); ++s) {
            const std::vector<QVariant>& values = values_[s];
            QString name;
            for (size_t i = 0; i < pairedFields_.size(); ++i)
                if (pairedFields_[i] == nameField_)
                    name = textOf(values[i]);
            qint64 rowid = 0;
            if (plan_.askOnSameName) {
                const auto found = firstOfName_.constFind(foldKey(name));
                if (found != firstOfName_.constEnd()) {
                    pause();
                    const bool overwrite = questions_.overwriteSameName(name);
                    resume();
                    if (overwrite)
                        rowid = *found;
                }
            }
            std::fill(row.begin(), row.end(), QVariant());
            if (rowid && plan_.check) {
                const auto kept = db_.query(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                                                .arg(checkFields, platform::db::quoteName(def_.name)),
                                            {rowid});
                if (!kept.empty())
                    for (size_t i = 0; i < checkFieldList.size(); ++i)
                        row[checkFieldList[i]] = kept.front()[int(i)];
            }
            for (size_t i = 0; i < pairedFields_.size(); ++i)
                row[pairedFields_[i]] = values[i];
            if (plan_.check && check(row, name, result) == Step::Stop) {
                db_.commit();
                result.kind = result.refusal.title.isEmpty() ? ImportResult::Kind::Stopped
                                                             : ImportResult::Kind::Refused;
                result.stored = stored_;
                result.added = added_;
                return result;
            }
            for (size_t i = 0; i < written.size(); ++i)
                out[i] = row[written[i]];
            if (rowid) {
                db_.updateChecked(def_, rowid, written, out);
            } else {
                const qint64 made = db_.insertChecked(def_, written, out);
                ++added_;
                if (plan_.askOnSameName)
                    keepFirst(firstOfName_, foldKey(name), made);
            }
            if (plan_.check)
                takenIds_.insert(foldKey(textOf(row[idField_])));
            ++stored_;
        }
        db_.commit();
    } catch (const DbError& e) {
        // Only the work since the last question is undone.
        db_.rollback();
        result.kind = ImportResult::Kind::Refused;
        result.refusal = importError(e.text() + u'\n' + stoppedMessage(committed_));
        result.stored = committed_;
        result.added = committedAdded_;
        return result;
    }
    result.stored = stored_;
    result.added = added_;
    return result;
}

} // namespace

ImportResult runExternalImport(Database& target, const SourceRows& source, const ExternalImportPlan& plan,
                               ImportCounters& counters, CheckState& state, ImportQuestions& questions) {
    return Run(target, source, plan, counters, state, questions).run();
}

} // namespace maintenance
