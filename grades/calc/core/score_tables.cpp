// The second stage: 绝对成绩表 (every mark scaled to a full mark of 100) and
// 相对成绩表 (scaled so that the best class average of the grade level in the
// subject becomes 80), rebuilt from 成绩表, with their factors in the log.

#include "common/program_state.h"
#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/text/number_text.h"
#include "grades/calc/core/calculation_log.h"
#include "grades/calc/core/calculation_stages.h"

#include <bit>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

QString single(float v) { return platform::PlainNumberText(v, platform::Precision::Single); }

QString text(const std::optional<float>& v) { return v ? single(*v) : QString(); }

} // namespace

StageEnd buildScoreTables(CalculationRun& run) {
    platform::db::Database& db = run.database();
    CalculationLog& log = run.log();
    const auto gradeFields = db.tableDef(QStringLiteral("年级表")).fields;
    const auto scoreFields = db.tableDef(QStringLiteral("成绩表")).fields;
    const int subjects = int(gradeFields.size()) - 1;
    const int scoreSubjects = int(scoreFields.size()) - kFirstSubjectField;

    db.execute(QStringLiteral("DELETE FROM 绝对成绩表"));
    db.execute(QStringLiteral("DELETE FROM 相对成绩表"));

    QString averages, subjectLine;
    for (int k = 0; k < subjects; ++k) {
        averages += QStringLiteral(",avg(") + platform::db::quoteName(gradeFields[k + 1].name) + QLatin1Char(')');
        subjectLine += gradeFields[k + 1].name + QStringLiteral("   ");
    }
    log.write(subjectLine);
    log.endLines(1);

    QStringList names, marks;
    for (const auto& f : scoreFields) {
        names << platform::db::quoteName(f.name);
        marks << QStringLiteral("?");
    }
    const QString columns = names.join(QLatin1Char(',')), holes = marks.join(QLatin1Char(','));
    const QString insertRelative =
        QStringLiteral("INSERT OR FAIL INTO 相对成绩表 (%1) VALUES (%2)").arg(columns, holes);
    const QString insertAbsolute =
        QStringLiteral("INSERT OR FAIL INTO 绝对成绩表 (%1) VALUES (%2)").arg(columns, holes);
    const QString classAverages =
        QStringLiteral("SELECT 班%1 FROM 成绩表 WHERE 年级=? GROUP BY 班").arg(averages);
    const QString selectStudents = QStringLiteral("SELECT %1 FROM 成绩表 WHERE 年级=? ORDER BY rowid").arg(columns);

    // A student's line is built in the file's own bytes: only the names need
    // converting, and the subject names are converted once.
    std::vector<QByteArray> subjectBytes;
    for (int k = 0; k < scoreSubjects; ++k)
        subjectBytes.push_back(CalculationLog::encode(scoreFields[kFirstSubjectField + k].name + QStringLiteral("  ")));
    // Marks repeat, and so do their scaled values: each text is made once.
    std::unordered_map<quint32, QByteArray> texts;
    auto number = [&texts](float v) -> const QByteArray& {
        const quint32 bits = std::bit_cast<quint32>(v);
        auto it = texts.find(bits);
        if (it == texts.end())
            it = texts.emplace(bits, single(v).toLatin1()).first;
        return it->second;
    };
    QByteArray bytes;

    std::vector<std::optional<float>> absolute(subjects);
    std::vector<float> best(subjects), relative(subjects);
    QVariantList relRow, absRow;

    const auto grades = db.query(QStringLiteral("SELECT * FROM 年级表 ORDER BY rowid"));
    for (const QVariantList& grade : grades) {
        const QVariant gradeId = grade.value(0);
        const QString g = gradeId.toString();
        log.endLines(4);
        log.write(g + QStringLiteral("级"));
        log.endLines(1);

        QString line = QStringLiteral("绝对系数");
        int taken = 0;
        for (int k = 0; k < subjects; ++k) {
            const QVariant m = grade.value(k + 1);
            if (m.isNull())
                absolute[k].reset();
            else
                absolute[k] = m.toFloat() > 0 ? 100.0f / m.toFloat() : 0.0f;
            if (!m.isNull() && m.toFloat() > 0)
                ++taken;
            line += text(absolute[k]) + QStringLiteral("  ");
        }
        log.write(line);
        log.endLines(1);
        log.write(QStringLiteral("各班平均分"));
        log.endLines(1);

        std::fill(best.begin(), best.end(), 0.0f);
        for (const QVariantList& cls : db.query(classAverages, {gradeId})) {
            line = g + QStringLiteral("级") + cls.value(0).toString() + QStringLiteral("班  ");
            for (int k = 0; k < subjects; ++k) {
                const QVariant a = cls.value(k + 1);
                if (!a.isNull()) {
                    line += platform::PlainNumberText(a.toDouble(), platform::Precision::Double);
                    if (a.toDouble() > double(best[k]))
                        best[k] = float(a.toDouble());
                }
                line += QStringLiteral("   ");
            }
            log.write(line);
            log.endLines(1);
        }
        log.endLines(1);
        log.write(QStringLiteral("平均分的最高分/相对系数"));
        log.endLines(1);
        line.clear();
        for (int k = 0; k < subjects; ++k) {
            relative[k] = best[k] > 0 ? 80.0f / best[k] : 0.0f;
            line += single(best[k]) + QLatin1Char('/') + single(relative[k]) + QStringLiteral("  ");
        }
        log.write(line);
        log.endLines(2);
        log.write(QStringLiteral("各同学的成绩     STID　班级　姓名     真实成绩/绝对成绩/相对成绩   "));
        log.endLines(1);

        for (const QVariantList& st : db.query(selectStudents, {gradeId})) {
            relRow.clear();
            absRow.clear();
            for (int f = 0; f < 8; ++f) {
                relRow << st[f];
                absRow << st[f];
            }
            relRow << QVariant() << QVariant();
            absRow << QVariant() << QVariant();
            bytes = CalculationLog::encode(st[0].toString() + QLatin1Char(' ') + st[1].toString() + QLatin1Char('.') +
                                           st[2].toString() + QStringLiteral("  "));
            bytes += log.encodeRepeated(st[3].toString());
            bytes += "   ";
            float relSum = 0, absSum = 0;
            for (int k = 0; k < scoreSubjects; ++k) {
                const QVariant x = st[kFirstSubjectField + k];
                if (x.isNull()) {
                    relRow << QVariant();
                    absRow << QVariant();
                    continue;
                }
                const float mark = x.toFloat();
                const float r = (k < subjects ? relative[k] : 0.0f) * mark;
                const float a = (k < subjects && absolute[k] ? *absolute[k] : 0.0f) * mark;
                relRow << r;
                absRow << a;
                relSum += r;
                absSum += a;
                bytes += subjectBytes[k];
                bytes += number(mark);
                bytes += '/';
                bytes += number(a);
                bytes += '/';
                bytes += number(r);
                bytes += "  ";
            }
            // The scaled total is the sum of the scaled marks; the average
            // counts an absent mark of a subject taken as 0.
            relRow[8] = relSum;
            absRow[8] = absSum;
            if (taken) {
                relRow[9] = relSum / float(taken);
                absRow[9] = absSum / float(taken);
            }
            db.execute(insertRelative, relRow);
            db.execute(insertAbsolute, absRow);
            bytes += "\r\n";
            log.writeBytes(bytes);
            run.progressStep(state().StudentCount);
            if (run.poll())
                return StageEnd::Stopped;
        }
    }
    run.stageChange(2);
    run.stageChange(3);
    run.stageChange(6);
    log.endLines(4);
    return StageEnd::Done;
}
