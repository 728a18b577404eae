// The first stage: every mark against its paper's full mark, then each
// student's total and average.

#include "common/program_state.h"
#include "platform/db/database.h"
#include "platform/text/number_text.h"
#include "grades/calc/core/calculation_stages.h"
#include "platform/text/values.h"

#include <optional>
#include <vector>


namespace {

} // namespace

StageEnd checkMarks(CalculationRun& run) {
    platform::db::Database& db = run.database();
    CalculationHost& host = run.host();
    const auto gradeFields = db.tableDef(QStringLiteral("年级表")).fields;
    const int subjects = int(gradeFields.size()) - 1;

    QStringList sets, columns;
    for (int k = 0; k < subjects; ++k) {
        sets << platform::db::quoteName(gradeFields[k + 1].name) + QStringLiteral("=?");
        columns << platform::db::quoteName(gradeFields[k + 1].name);
    }
    const QString setMarks = sets.join(QLatin1Char(','));
    // A prompt's answer stores the marks changed so far; moving on stores the rest.
    const QString storeMarks = subjects
        ? QStringLiteral("UPDATE OR FAIL 成绩表 SET %1 WHERE rowid=?").arg(setMarks)
        : QString();
    // Most students keep every mark: then only the totals are written.
    const QString storeTotals = QStringLiteral("UPDATE OR FAIL 成绩表 SET 总分=?,平均分=? WHERE rowid=?");
    const QString storeStudent =
        QStringLiteral("UPDATE OR FAIL 成绩表 SET %1总分=?,平均分=? WHERE rowid=?")
            .arg(subjects ? setMarks + QLatin1Char(',') : QString());
    const QString selectStudents =
        QStringLiteral("SELECT rowid,考号,年级,班,姓名%1 FROM 成绩表 WHERE 年级=? ORDER BY rowid")
            .arg(subjects ? QLatin1Char(',') + columns.join(QLatin1Char(',')) : QString());
    constexpr int kFirstMark = 5;

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
                if (run.poll())
                    return StageEnd::Stopped;
            }
        }

        const auto students = db.query(selectStudents, {gradeId});
        for (const QVariantList& st : students) {
            const qint64 rowid = st[0].toLongLong();
            const QString examNo = st[1].toString(), ownGrade = st[2].toString(), cls = st[3].toString(),
                          name = st[4].toString();
            for (int k = 0; k < subjects; ++k) {
                const QVariant v = st[kFirstMark + k];
                marks[k] = v.isNull() ? std::nullopt : std::optional<float>(v.toFloat());
            }
            auto who = [&] {
                return QStringLiteral("  考号:") + examNo + QStringLiteral("  ") + g + QStringLiteral("级") + cls +
                       QStringLiteral("班 ") + name + QStringLiteral("同学的");
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
                    if (answer.isEmpty())
                        return StageEnd::Aborted;
                    mark = float(platform::LeadingNumber(answer));
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
                    db.execute(storeMarks, markValues(rowid, {}, {}, false));
                    pending = false;
                }
                if (mark)
                    total += *mark;
                if (run.poll())
                    return StageEnd::Stopped;
            }

            // An absent mark of a subject taken weighs as 0 in the average.
            const QVariant average = taken ? QVariant(total / float(taken)) : QVariant();
            bool deleted = false;
            if (askZeroTotal && total == 0) {
                const RunAnswer r = host.message(
                    QStringLiteral("  考号:") + examNo + QStringLiteral("   ") + ownGrade + QStringLiteral("级") + cls +
                        QStringLiteral("班的") + name + QStringLiteral("同学总分为零,是否将他(她)删除?"),
                    RunButtons::YesNoCancel, name + QStringLiteral("总分为零分"), RunAnswer::No);
                if (r == RunAnswer::Yes) {
                    db.execute(QStringLiteral("DELETE FROM 成绩表 WHERE rowid=?"), {rowid});
                    state().StudentCount -= 1;
                    deleted = true;
                } else if (r == RunAnswer::Cancel) {
                    askZeroTotal = false;
                    host.untick(QStringLiteral("Check52"));
                }
            }
            if (!deleted)
                db.execute(pending ? storeStudent : storeTotals,
                           pending ? markValues(rowid, total, average, true) : QVariantList{total, average, rowid});
            run.progressStep(state().StudentCount);
        }
    }
    return StageEnd::Done;
}
