// The first stage: every mark against its paper's full mark, then each
// student's total and average.
//
// 成绩表 is read once, for this stage and the next; each grade level takes its
// students in stored order, as a query for that level would return them. What
// the stage writes is written into what it read too, so that a level listed
// twice in 年级表 meets its students as a second query would, and the next
// stage meets them as it would read them.

#include "common/program_state.h"
#include "platform/db/database.h"
#include "platform/db/statement.h"
#include "platform/db/textorder.h"
#include "platform/text/number_text.h"
#include "grades/calc/core/calculation_stages.h"
#include "grades/calc/core/statement_batch.h"
#include "grades/calc/core/student_rows.h"
#include "platform/text/values.h"

#include <QHash>
#include <optional>
#include <vector>

namespace {

// Students' totals go to the engine the run's rows a statement at a time. A batch lists
// its rows in rowid order, each student once: a grade level's students as
// they are met, read in stored order, and the batch is written at the level's
// end. Whether the engine joins the list by walking it and finding each row
// by its rowid, or by walking the table in rowid order (the layer gives its
// tables no index), it reaches the rows in the order listed, so no choice of
// its plan changes which students a refused row leaves written. The batch is also written
// before any other write, so that every write lands in the order it was made
// and a refused row keeps the students before it, as a statement a student did.
class TotalsBatch {
public:
    TotalsBatch(platform::db::Database& db, int rowsAStatement)
        : statements_(db, updateText, rowsAStatement), rows_(std::size_t(rowsAStatement)) {}

    void add(qint64 rowid, double total, std::optional<double> average) {
        rows_[std::size_t(pending_++)] = {rowid, total, average};
        if (pending_ == statements_.rows())
            flush();
    }

    void flush() {
        const int n = pending_;
        pending_ = 0;
        if (n)
            statements_.run(n, [this](platform::db::Statement& st, int first, int count) { bindRows(st, first, count); });
    }

private:
    struct Row {
        qint64 rowid;
        double total;
        std::optional<double> average;
    };

    static QString updateText(int rows) {
        QStringList values;
        for (int i = 0; i < rows; ++i)
            values << QStringLiteral("(?,?,?)");
        return QStringLiteral("UPDATE OR FAIL 成绩表 SET 总分=v.column2,平均分=v.column3 FROM (VALUES %1) AS v "
                              "WHERE 成绩表.rowid=v.column1")
            .arg(values.join(QLatin1Char(',')));
    }

    void bindRows(platform::db::Statement& st, int first, int count) {
        int at = 1;
        for (int i = first; i < first + count; ++i) {
            const Row& row = rows_[std::size_t(i)];
            st.bind(at++, row.rowid);
            st.bind(at++, row.total);
            if (row.average)
                st.bind(at, *row.average);
            else
                st.bindNull(at);
            ++at;
        }
    }

    StatementBatch statements_;
    std::vector<Row> rows_;
    int pending_ = 0;
};

} // namespace

StageEnd checkMarks(CalculationRun& run, StudentRows& students) {
    platform::db::Database& db = run.database();
    CalculationHost& host = run.host();
    const auto gradeFields = db.tableDef(QStringLiteral("年级表")).fields;
    const int subjects = int(gradeFields.size()) - 1;

    QStringList sets;
    for (int k = 0; k < subjects; ++k) {
        sets << platform::db::quoteName(gradeFields[k + 1].name) + QStringLiteral("=?");
    }
    const QString setMarks = sets.join(QLatin1Char(','));
    // A prompt's answer stores the marks changed so far; moving on stores the rest.
    const QString storeMarks = subjects
        ? QStringLiteral("UPDATE OR FAIL 成绩表 SET %1 WHERE rowid=?").arg(setMarks)
        : QString();
    const QString storeStudent =
        QStringLiteral("UPDATE OR FAIL 成绩表 SET %1总分=?,平均分=? WHERE rowid=?")
            .arg(subjects ? setMarks + QLatin1Char(',') : QString());

    bool askZeroMark = run.inputs().askZeroMark;
    bool askZeroTotal = run.inputs().askZeroTotal;
    std::vector<std::optional<float>> marks(subjects);
    QVariantList values;

    auto markValues = [&](qint64 rowid, const QVariant& total, const QVariant& average, bool withTotals) {
        values.clear();
        for (const auto& m : marks)
            values << (m ? QVariant(*m) : QVariant());
        if (withTotals)
            values << total << average;
        values << rowid;
        return values;
    };

    students = readStudentRows(db, db.tableDef(QStringLiteral("成绩表")).fields, subjects, int(state().StudentCount));
    // Most students keep every mark: then only the totals are written.
    TotalsBatch totals(db, run.rowsAStatement());
    static const std::vector<int> kNone;

    const auto grades = db.query(QStringLiteral("SELECT * FROM 年级表 ORDER BY rowid"));
    for (const QVariantList& grade : grades) {
        const QVariant gradeId = grade.value(0);
        const QString g = gradeId.toString();
        std::vector<float> full(subjects, 0.0f);
        int taken = 0;
        for (int k = 0; k < subjects; ++k) {
            const QVariant m = grade.value(k + 1);
            if (!m.isNull() && m.toFloat() > 0) {
                full[k] = m.toFloat();
                ++taken;
                if (run.poll()) {
                    totals.flush();
                    return StageEnd::Stopped;
                }
            }
        }

        const auto found = gradeId.isNull() ? students.ofGrade.cend()
                                            : students.ofNamedGrade.constFind(platform::db::equalityKey(g));
        const std::vector<int>& rows = found == students.ofNamedGrade.cend() ? kNone : *found;
        for (const int row : rows) {
            if (students.deleted[row])
                continue;
            const qint64 rowid = students.rowid[row];
            // Told only in a question, so made only for one.
            auto examNo = [&] { return students.namedText(row, 0); };
            auto ownGrade = [&] { return students.namedText(row, 1); };
            auto cls = [&] { return students.namedText(row, 2); };
            auto name = [&] { return students.namedText(row, 3); };
            std::optional<float>* const kept = students.marksOf(row);
            for (int k = 0; k < subjects; ++k)
                marks[k] = kept[k];
            auto who = [&] {
                return QStringLiteral("  考号:") + examNo() + QStringLiteral("  ") + g + QStringLiteral("级") + cls() +
                       QStringLiteral("班 ") + name() + QStringLiteral("同学的");
            };

            float total = 0;
            bool pending = false;   // a mark changed since the row was last stored
            for (int k = 0; k < subjects; ++k) {
                std::optional<float>& mark = marks[k];
                const QString& s = gradeFields[k + 1].name;
                // Offering the full mark, not the mark itself: accepting the
                // offer must end the question.
                while (mark && *mark > full[k]) {
                    const QString fullText = platform::NumberText(full[k], platform::Precision::Single);
                    const QString answer = host.input(
                        who() + s + QStringLiteral("成绩大于最高分") + fullText + QStringLiteral(",请重新输入."),
                        QStringLiteral("分数太高"), fullText);
                    if (answer.isEmpty()) {
                        totals.flush();
                        return StageEnd::Aborted;
                    }
                    mark = float(platform::LeadingNumber(answer));
                    totals.flush();
                    db.execute(storeMarks, markValues(rowid, {}, {}, false));
                    pending = false;
                }
                if (full[k] == 0 && mark) {
                    mark.reset();
                    pending = true;
                }
                if (askZeroMark && full[k] > 0 && (!mark || *mark <= 0)) {
                    for (;;) {
                        const QString answer = host.input(
                            who() + s + QStringLiteral("成绩为零分,请重新输入.单击“取消”以后将不再做这种检查!"),
                            QStringLiteral("分数为零"), QStringLiteral("0"));
                        if (answer.isEmpty()) {
                            askZeroMark = false;
                            host.untick(QStringLiteral("Check51"));
                            break;
                        }
                        // Only an answer above the full mark is refused: a negative one is kept.
                        const float v = float(platform::LeadingNumber(answer));
                        if (v <= full[k]) {
                            mark = v;
                            break;
                        }
                    }
                    if (!mark)
                        mark = 0.0f;
                    totals.flush();
                    db.execute(storeMarks, markValues(rowid, {}, {}, false));
                    pending = false;
                }
                if (mark)
                    total += *mark;
                if (run.poll()) {
                    totals.flush();
                    return StageEnd::Stopped;
                }
            }

            // An absent mark of a subject taken weighs as 0 in the average.
            const QVariant average = taken ? QVariant(total / float(taken)) : QVariant();
            bool deleted = false;
            if (askZeroTotal && total == 0) {
                const RunAnswer r = host.message(
                    QStringLiteral("  考号:") + examNo() + QStringLiteral("   ") + ownGrade() + QStringLiteral("级") +
                        cls() + QStringLiteral("班的") + name() + QStringLiteral("同学总分为零,是否将他(她)删除?"),
                    RunButtons::YesNoCancel, name() + QStringLiteral("总分为零分"), RunAnswer::No);
                if (r == RunAnswer::Yes) {
                    totals.flush();
                    db.execute(QStringLiteral("DELETE FROM 成绩表 WHERE rowid=?"), {rowid});
                    state().StudentCount -= 1;
                    deleted = true;
                } else if (r == RunAnswer::Cancel) {
                    askZeroTotal = false;
                    host.untick(QStringLiteral("Check52"));
                }
            }
            if (deleted) {
                students.deleted[row] = true;
            } else if (pending) {
                totals.flush();
                db.execute(storeStudent, markValues(rowid, total, average, true));
            } else {
                totals.add(rowid, double(total),
                           taken ? std::optional<double>(double(total / float(taken))) : std::nullopt);
            }
            // Marks asked for were stored as they were answered.
            for (int k = 0; k < subjects; ++k)
                kept[k] = marks[k];
            run.progressStep(state().StudentCount);
        }
        totals.flush();
    }
    return StageEnd::Done;
}
