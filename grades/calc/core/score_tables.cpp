// The second stage: 绝对成绩表 (every mark scaled to a full mark of 100) and
// 相对成绩表 (scaled so that the best class average of the grade level in the
// subject becomes 80), rebuilt from 成绩表, with their factors in the log.
//
// 成绩表 comes as the mark checking read and left it; each grade level takes
// its students in stored order, as a query for that level would return them,
// and its class averages are summed from them. The rows are written by two prepared statements, the
// fixed fields bound as the bytes read. Every value written is checked here
// against its field, so the file's CHECK rules are left out of the writes:
// they cost as much as the writes themselves.

#include "common/program_state.h"
#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/statement.h"
#include "platform/db/textorder.h"
#include "platform/text/number_text.h"
#include "grades/calc/core/calculation_log.h"
#include "grades/calc/core/calculation_stages.h"
#include "grades/calc/core/statement_batch.h"
#include "grades/calc/core/student_rows.h"
#include "grades/calc/core/text_cache.h"
#include "grades/calc/core/written_tables.h"

#include <QHash>
#include <algorithm>
#include <bit>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

QString single(float v) { return platform::PlainNumberText(v, platform::Precision::Single); }

QString text(const std::optional<float>& v) { return v ? single(*v) : QString(); }

bool scaledMarkPresent(const StudentRows& s, int row, int k) { return s.marksOf(row)[k].has_value(); }
float scaledMarkSource(const StudentRows& s, int row, int k) { return *s.marksOf(row)[k]; }

// One grade level's factors: each subject's full mark to 100, and the best
// class average to 80.
struct Factors {
    std::vector<std::optional<float>> absolute;   // empty where 年级表 has no full mark
    std::vector<float> relative;
    int taken = 0;                                // subjects with a full mark above 0
};

// Logs the full marks' factors of one row of 年级表.
void absoluteFactors(const QVariantList& grade, int subjects, Factors& out, CalculationLog& log) {
    out.absolute.assign(subjects, std::nullopt);
    out.taken = 0;
    QString line = QStringLiteral("绝对系数");
    for (int k = 0; k < subjects; ++k) {
        const QVariant m = grade.value(k + 1);
        if (!m.isNull())
            out.absolute[k] = m.toFloat() > 0 ? 100.0f / m.toFloat() : 0.0f;
        if (!m.isNull() && m.toFloat() > 0)
            ++out.taken;
        line += text(out.absolute[k]) + QStringLiteral("  ");
    }
    log.write(line);
    log.endLines(1);
}

// Logs the class averages of a grade level and the relative factors they
// give. Classes come in the database's text order, an empty 班 first; classes
// whose names differ only in ASCII case are one, shown as its first student
// names it. An average is the sum of the marks in stored order over the marks
// present, as the engine's avg() sums them.
void relativeFactors(const StudentRows& s, const std::vector<int>& rows, const QString& g, int subjects,
                     Factors& out, CalculationLog& log) {
    struct Class {
        int first;   // the row that names it
        std::vector<double> sum;
        std::vector<int> count;
    };
    std::vector<Class> classes;
    QHash<QString, int> classOf;
    QHash<QByteArray, int*> classOfCell;   // each spelling is folded once
    int unnamed = -1;
    for (int r : rows) {
        int* named = nullptr;
        const QByteArray cell = s.field(r, 2);
        if (!cell.isNull()) {
            named = classOfCell.value(cell);
            if (!named) {
                const QString key = platform::db::equalityKey(QString::fromUtf8(cell));
                auto it = classOf.find(key);
                if (it == classOf.end())
                    it = classOf.insert(key, -1);
                named = &it.value();
                classOfCell.insert(cell, named);
            }
        }
        int& at = named ? *named : unnamed;
        if (at < 0) {
            at = int(classes.size());
            classes.push_back({r, std::vector<double>(subjects, 0.0), std::vector<int>(subjects, 0)});
        }
        Class& c = classes[at];
        for (int k = 0; k < subjects; ++k)
            if (scaledMarkPresent(s, r, k)) {
                c.sum[k] += double(scaledMarkSource(s, r, k));
                ++c.count[k];
            }
    }
    auto isNull = [&s](const Class& c) { return s.field(c.first, 2).isNull(); };
    std::stable_sort(classes.begin(), classes.end(), [&](const Class& a, const Class& b) {
        if (isNull(a) || isNull(b))
            return isNull(a) && !isNull(b);
        return platform::db::compareText(s.text(a.first, 2), s.text(b.first, 2)) < 0;
    });

    log.write(QStringLiteral("各班平均分"));
    log.endLines(1);
    std::vector<float> best(subjects, 0.0f);
    for (const Class& c : classes) {
        QString line = g + QStringLiteral("级") + s.text(c.first, 2) + QStringLiteral("班  ");
        for (int k = 0; k < subjects; ++k) {
            if (c.count[k]) {
                const double average = c.sum[k] / double(c.count[k]);
                line += platform::PlainNumberText(average, platform::Precision::Double);
                if (average > double(best[k]))
                    best[k] = float(average);
            }
            line += QStringLiteral("   ");
        }
        log.write(line);
        log.endLines(1);
    }
    log.endLines(1);
    log.write(QStringLiteral("平均分的最高分/相对系数"));
    log.endLines(1);
    out.relative.assign(subjects, 0.0f);
    QString line;
    for (int k = 0; k < subjects; ++k) {
        out.relative[k] = best[k] > 0 ? 80.0f / best[k] : 0.0f;
        line += single(best[k]) + QLatin1Char('/') + single(out.relative[k]) + QStringLiteral("  ");
    }
    log.write(line);
    log.endLines(2);
}

// The fields of a scaled table the row writer fills, in its order; empty when
// one is missing or of a type whose rules the writer does not check itself.
std::vector<platform::db::FieldDef> vouchedFields(platform::db::Database& db, const QString& table,
                                                  const std::vector<platform::db::FieldDef>& fields, int subjects) {
    const auto target = db.tableDef(table).fields;
    std::vector<platform::db::FieldDef> out;
    for (int f = 0; f < kFirstSubjectField + subjects; ++f) {
        const auto it = std::find_if(target.begin(), target.end(), [&](const platform::db::FieldDef& t) {
            return platform::db::equalityKey(t.name) == platform::db::equalityKey(fields[f].name);
        });
        if (it == target.end())
            return {};
        const bool text = it->type == platform::db::FieldType::Text || it->type == platform::db::FieldType::Memo;
        const bool number = it->type == platform::db::FieldType::Single || it->type == platform::db::FieldType::Double;
        if (f < kCopiedFields ? !text : !number)
            return {};
        out.push_back(*it);
    }
    return out;
}

// The rows of one scaled table, handed to the engine the run's rows a
// statement at a time. The row takes the first eight fields of the student's row as stored; then
// the total, the average and the marks.
class BatchInsert {
public:
    struct Row {
        int student = 0;
        std::vector<std::optional<double>> numbers;   // total, average, marks
    };

    BatchInsert(platform::db::Database& db, const QString& table, const std::vector<platform::db::FieldDef>& fields, int subjects,
                platform::db::FieldRulesOff& rulesOff, int rowsAStatement)
        : db_(db), rulesOff_(rulesOff), table_(table), width_(kFirstSubjectField + subjects), names_(quotedNames(fields, width_)),
          statements_(db, [this](int rows) { return insertText(rows); }, rowsAStatement) {
        rows_.resize(std::size_t(rowsAStatement));
        for (Row& row : rows_)
            row.numbers.resize(std::size_t(width_ - kCopiedFields));
    }

    // The next row to fill; added() hands it over.
    Row& add(const StudentRows& s, int student) {
        students_ = &s;
        rows_[pending_].student = student;
        return rows_[pending_];
    }
    void added() {
        if (keep_) {
            const Row& row = rows_[pending_];
            keep_->students.push_back(row.student);
            for (const std::optional<double>& v : row.numbers)
                // The engine stores NaN as Null.
                keep_->values.push_back(v && !std::isnan(*v) ? std::optional<float>(float(*v)) : std::nullopt);
        }
        ++pending_;
    }
    // Keeps every row added from now on in `table`.
    void keepIn(WrittenTable& table, const std::vector<platform::db::FieldDef>& fields, std::size_t rows) {
        keep_ = &table;
        table.students.reserve(rows);
        table.values.reserve(rows * std::size_t(width_ - kCopiedFields));
        table.name = table_;
        for (int f = 0; f < width_; ++f)
            table.fields.push_back(fields[f].name);
        table.numbers = width_ - kCopiedFields;
    }

    bool full() const { return pending_ == statements_.rows(); }

    // Writes the first `rows` rows waiting (all of them by default) and drops
    // the rest. On a refusal the rows before the refused one stay written, as
    // when each row was its own statement.
    void flush(int rows = std::numeric_limits<int>::max()) {
        const int n = std::min(rows, pending_);
        pending_ = 0;
        lastFlushed_ = 0;
        if (!n)
            return;
        try {
            rulesOff_.write([&] {
                statements_.run(n, [this](platform::db::Statement& st, int first, int count) { bindRows(st, first, count); });
            });
        } catch (const platform::db::DbError&) {
            lastKept_ = db_.scalar(QStringLiteral("SELECT count(*) FROM %1").arg(platform::db::quoteName(table_))).toInt() -
                        written_;
            written_ += lastKept_;
            lastFlushed_ = lastKept_;
            throw;
        }
        written_ += n;
        lastFlushed_ = n;
    }
    // The rows a refused flush wrote before the refused one.
    int lastKept() const { return lastKept_; }

    // Takes back the rows the last flush wrote after its first `rows`. The
    // table was emptied first, so they are the last rows stored.
    void takeBackAfter(int rows) {
        const int extra = lastFlushed_ - rows;
        if (extra <= 0)
            return;
        db_.execute(QStringLiteral("DELETE FROM %1 WHERE rowid IN (SELECT rowid FROM %1 ORDER BY rowid DESC LIMIT ?)")
                        .arg(platform::db::quoteName(table_)),
                    {extra});
        written_ -= extra;
        lastFlushed_ = rows;
    }

private:
    void bindRows(platform::db::Statement& st, int first, int count) {
        int at = 1;
        for (int i = first; i < first + count; ++i) {
            const Row& row = rows_[std::size_t(i)];
            for (int f = 0; f < kCopiedFields; ++f)
                st.bindUtf8Kept(at++, students_->field(row.student, f));
            for (const std::optional<double>& v : row.numbers) {
                if (v)
                    st.bind(at, *v);
                else
                    st.bindNull(at);
                ++at;
            }
        }
    }

    static QString quotedNames(const std::vector<platform::db::FieldDef>& fields, int width) {
        QStringList names;
        for (int f = 0; f < width; ++f)
            names << platform::db::quoteName(fields[f].name);
        return names.join(QLatin1Char(','));
    }

    QString insertText(int rows) const {
        QString one = QStringLiteral("(") + QStringLiteral("?,").repeated(width_);
        one.chop(1);
        one += QLatin1Char(')');
        QStringList values;
        for (int i = 0; i < rows; ++i)
            values << one;
        return QStringLiteral("INSERT OR FAIL INTO %1 (%2) VALUES %3")
            .arg(platform::db::quoteName(table_), names_, values.join(QLatin1Char(',')));
    }

    platform::db::Database& db_;
    platform::db::FieldRulesOff& rulesOff_;
    QString table_;
    int width_;
    QString names_;
    StatementBatch statements_;
    std::vector<Row> rows_;
    int pending_ = 0;
    int written_ = 0;   // the table is emptied first
    int lastFlushed_ = 0;
    int lastKept_ = 0;
    const StudentRows* students_ = nullptr;
    WrittenTable* keep_ = nullptr;
};

// Writes a student's two scaled rows and his log line.
class RowWriter {
public:
    RowWriter(platform::db::Database& db, const std::vector<platform::db::FieldDef>& fields, int subjects, CalculationLog& log,
              platform::db::FieldRulesOff& rulesOff, std::size_t expectedRows, int rowsAStatement)
        : log_(log), subjects_(subjects), rulesOff_(rulesOff),
          relativeFields_(vouchedFields(db, QStringLiteral("相对成绩表"), fields, subjects)),
          absoluteFields_(vouchedFields(db, QStringLiteral("绝对成绩表"), fields, subjects)),
          relativeRows_(db, QStringLiteral("相对成绩表"), fields, subjects, rulesOff, rowsAStatement),
          absoluteRows_(db, QStringLiteral("绝对成绩表"), fields, subjects, rulesOff, rowsAStatement) {
        if (relativeFields_.empty() || absoluteFields_.empty())
            rulesOff_.restore();
        // A table whose fields the writer vouches for reads back as written.
        written_ = std::make_unique<WrittenTables>();
        written_->tables.reserve(2);
        if (!relativeFields_.empty())
            relativeRows_.keepIn(written_->tables.emplace_back(), fields, expectedRows);
        if (!absoluteFields_.empty())
            absoluteRows_.keepIn(written_->tables.emplace_back(), fields, expectedRows);
        for (int k = 0; k < subjects; ++k)
            subjectBytes_.push_back(
                CalculationLog::encode(fields[kFirstSubjectField + k].name + QStringLiteral("  ")));
        relative_.resize(subjects);
        absolute_.resize(subjects);
    }

    void write(const StudentRows& s, int r, const Factors& factors) {
        lineStarts_.push_back(bytes_.size());
        addText(s.field(r, 0));
        bytes_ += ' ';
        addText(s.field(r, 1));
        bytes_ += '.';
        addText(s.field(r, 2));
        bytes_ += "  ";
        addText(s.field(r, 3));
        bytes_ += "   ";
        float relSum = 0, absSum = 0;
        for (int k = 0; k < subjects_; ++k) {
            if (!scaledMarkPresent(s, r, k)) {
                relative_[k].reset();
                absolute_[k].reset();
                continue;
            }
            const float mark = scaledMarkSource(s, r, k);
            const float rel = factors.relative[k] * mark;
            const float abs = (factors.absolute[k] ? *factors.absolute[k] : 0.0f) * mark;
            relative_[k] = rel;
            absolute_[k] = abs;
            relSum += rel;
            absSum += abs;
            // Within a grade level a subject's mark gives the same three texts.
            const quint64 key = quint64(k) << 32 | std::bit_cast<quint32>(mark);
            bytes_ += pieces_.get(key, [&](std::string& text) {
                text.append(subjectBytes_[k].constData(), std::size_t(subjectBytes_[k].size()));
                appendNumber(text, mark);
                text += '/';
                appendNumber(text, abs);
                text += '/';
                appendNumber(text, rel);
                text += "  ";
            });
        }
        // The scaled total is the sum of the scaled marks; the average
        // counts an absent mark of a subject taken as 0.
        // The line is whole before its rows can be flushed: a line end left
        // for after the flush would belong to no student waiting.
        bytes_ += "\r\n";
        store(relativeRows_, relativeFields_, s, r, relSum, factors.taken, relative_);
        store(absoluteRows_, absoluteFields_, s, r, absSum, factors.taken, absolute_);
        if (absoluteRows_.full())
            flush();
    }

    // The next students are of another grade level, with its own factors.
    void startGradeLevel() { pieces_.clear(); }

    // Writes the rows waiting: when a statement's worth waits, at the end of
    // a grade level, and before the stage stops. The students' rows go in as they came: a row
    // refused in either table keeps the students before it in both tables,
    // and the log has a line for each student whose rows are written.
    void flush() {
        int kept = int(lineStarts_.size());
        std::exception_ptr refusal;
        try {
            relativeRows_.flush();
        } catch (const platform::db::DbError&) {
            kept = relativeRows_.lastKept();
            refusal = std::current_exception();
        }
        try {
            absoluteRows_.flush(kept);
        } catch (const platform::db::DbError&) {
            // A refusal here is of an earlier student than one in 相对成绩表.
            kept = absoluteRows_.lastKept();
            refusal = std::current_exception();
        }
        writeLog(kept);
        if (refusal) {
            relativeRows_.takeBackAfter(kept);
            std::rethrow_exception(refusal);
        }
    }

    // The tables as written, once every row is.
    std::unique_ptr<WrittenTables> takeWritten(const StudentRows& s) {
        for (WrittenTable& t : written_->tables)
            t.source = &s;
        return std::move(written_);
    }

private:
    // A value its field would refuse turns the rules back on for the rest of
    // the stage: the engine then refuses the row with its usual message.
    void store(BatchInsert& rows, const std::vector<platform::db::FieldDef>& fields, const StudentRows& s, int r,
               float sum, int taken, const std::vector<std::optional<float>>& marks) {
        bool fits = true;
        if (rulesOff_.active())
            for (int f = 0; f < kCopiedFields; ++f)
                fits = fits && platform::db::fitsTextField(fields[f], s.field(r, f));
        BatchInsert::Row& row = rows.add(s, r);
        auto number = [&](int at, std::optional<double> v) {
            row.numbers[at] = v;
            fits = fits && (!v || !rulesOff_.active() || platform::db::fitsNumberField(fields[kCopiedFields + at], *v));
        };
        number(0, double(sum));
        number(1, taken ? std::optional<double>(double(sum / float(taken))) : std::nullopt);
        for (int k = 0; k < subjects_; ++k)
            number(2 + k, marks[k] ? std::optional<double>(double(*marks[k])) : std::nullopt);
        if (!fits)
            rulesOff_.restore();
        rows.added();
    }

    // The lines of the first `students` students waiting; the rest are dropped.
    void writeLog(int students) {
        if (students > 0)
            log_.writeBytes(std::string_view(bytes_).substr(
                0, students < int(lineStarts_.size()) ? lineStarts_[std::size_t(students)] : bytes_.size()));
        bytes_.clear();
        lineStarts_.clear();
    }

    void add(const QByteArray& b) { bytes_.append(b.constData(), std::size_t(b.size())); }

    // A cell's text in the log's encoding. Texts other than ASCII (grade
    // levels, classes, names) repeat and are converted once.
    void addText(const QByteArray& utf8) {
        if (CalculationLog::isAscii(utf8)) {
            add(utf8);
            return;
        }
        auto it = gbk_.constFind(utf8);
        if (it == gbk_.cend())
            it = gbk_.insert(QByteArray(utf8.constData(), utf8.size()), CalculationLog::encodeUtf8(utf8));
        add(*it);
    }

    static void appendNumber(std::string& out, float v) {
        char text[platform::kPlainNumberChars];
        out.append(text, std::size_t(platform::PlainNumberChars(v, platform::Precision::Single, text)));
    }

    CalculationLog& log_;
    int subjects_;
    platform::db::FieldRulesOff& rulesOff_;
    std::vector<platform::db::FieldDef> relativeFields_, absoluteFields_;
    BatchInsert relativeRows_, absoluteRows_;
    std::vector<QByteArray> subjectBytes_;
    TextCache<quint64> pieces_;   // a subject's mark/scaled/relative texts, this grade level
    QHash<QByteArray, QByteArray> gbk_;   // a cell's UTF-8 text -> its GBK bytes
    std::vector<std::optional<float>> relative_, absolute_;
    std::string bytes_;                // the log lines of the students waiting
    std::vector<std::size_t> lineStarts_;   // where each student's line starts
    std::unique_ptr<WrittenTables> written_;
};

} // namespace

StageEnd buildScoreTables(CalculationRun& run, const StudentRows& students) {
    platform::db::Database& db = run.database();
    CalculationLog& log = run.log();
    const auto gradeFields = db.tableDef(QStringLiteral("年级表")).fields;
    const auto scoreFields = db.tableDef(QStringLiteral("成绩表")).fields;
    // The run has matched the subjects of both tables by position.
    const int subjects = std::min(int(gradeFields.size()) - 1, int(scoreFields.size()) - kFirstSubjectField);

    // The rows are checked against the tables' fields, which must then be
    // the tables' own rules; the old rows stay when they are not.
    db.checkRulesKept(QStringLiteral("绝对成绩表"));
    db.checkRulesKept(QStringLiteral("相对成绩表"));
    db.execute(QStringLiteral("DELETE FROM 绝对成绩表"));
    db.execute(QStringLiteral("DELETE FROM 相对成绩表"));

    QString subjectLine;
    for (int k = 0; k < int(gradeFields.size()) - 1; ++k)
        subjectLine += gradeFields[k + 1].name + QStringLiteral("   ");
    log.write(subjectLine);
    log.endLines(1);

    platform::db::FieldRulesOff rulesOff(db);
    RowWriter writer(db, scoreFields, subjects, log, rulesOff, students.rowid.size(), run.rowsAStatement());
    Factors factors;
    static const std::vector<int> kNone;
    std::vector<int> rows;

    const auto grades = db.query(QStringLiteral("SELECT * FROM 年级表 ORDER BY rowid"));
    for (const QVariantList& grade : grades) {
        const QVariant gradeId = grade.value(0);
        const QString g = gradeId.toString();
        const auto found = gradeId.isNull() ? students.ofGrade.cend() : students.ofGrade.constFind(platform::db::equalityKey(g));
        const std::vector<int>& read = found == students.ofGrade.cend() ? kNone : *found;
        // The students the mark checking deleted are gone from the file.
        rows.clear();
        for (int r : read)
            if (!students.deleted[r])
                rows.push_back(r);

        log.endLines(4);
        log.write(g + QStringLiteral("级"));
        log.endLines(1);
        absoluteFactors(grade, subjects, factors, log);
        relativeFactors(students, rows, g, subjects, factors, log);
        log.write(QStringLiteral("各同学的成绩     STID　班级　姓名     真实成绩/绝对成绩/相对成绩   "));
        log.endLines(1);

        writer.startGradeLevel();
        for (int r : rows) {
            writer.write(students, r, factors);
            run.progressStep(state().StudentCount);
            if (run.poll()) {
                writer.flush();
                return StageEnd::Stopped;
            }
        }
        writer.flush();   // the next grade level's lines follow these students'
    }
    run.keepWritten(writer.takeWritten(students));
    run.stageChange(2);
    run.stageChange(3);
    run.stageChange(6);
    log.endLines(4);
    return StageEnd::Done;
}
