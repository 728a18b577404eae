#include "grades/results/core/teacher_assessment.h"

#include "common/schema.h"
#include "common/widthfit.h"
#include "platform/db/recordset.h"
#include "platform/text/number_text.h"

namespace results {

using platform::NumberText;
using platform::PatternNumberText;
using platform::Precision;

QVariant TeacherRecord::value(const QString& field) const {
    const qsizetype i = names.indexOf(field);
    return i < 0 ? QVariant() : values.value(i);
}

QVariant TeacherRecord::at(int position) const { return values.value(position); }

TeacherRecord TeacherRecord::current(const platform::db::Recordset& rs) {
    TeacherRecord t;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        t.names << rs.fieldName(i);
        t.values << rs.value(i);
    }
    return t;
}

QString assessmentScoreTable(const QString& stored) {
    for (const QString& name : {table::Scores, table::AbsoluteScores, table::RelativeScores})
        if (stored == name) return name;
    return table::Scores;
}

QString scoreCaption(const QVariant& score) {
    return PatternNumberText(score.isNull() ? 0.0 : score.toDouble(), 2, Precision::Single) + u'分';
}

namespace {

const QString kSix(6, u' ');

QString six(const QString& text) { return PadToWidth(text, 6, -1); }

// A figure with its sign room, in six columns.
QString F(const QVariant& v) { return v.isNull() ? kSix : six(NumberText(v.toDouble(), Precision::Single)); }

// A count over the number of students, as a fraction.
QString R(const QVariant& count, double students) {
    return count.isNull() ? kSix : six(PatternNumberText(count.toDouble() / students, 5, Precision::Double));
}

// A stored fraction.
QString P(const QVariant& v) { return v.isNull() ? kSix : six(PatternNumberText(v.toDouble(), 5, Precision::Single)); }

QString trimmedNumberText(const QVariant& v, Precision precision = Precision::Single) {
    return NumberText(v.toDouble(), precision).trimmed();
}

bool hasStudents(const TeacherRecord& t) {
    const QVariant n = t.value(QStringLiteral("学生总数"));
    return !n.isNull() && n.toDouble() != 0;
}

} // namespace

QString teacherReport(const TeacherRecord& t) {
    if (!hasStudents(t)) return {};
    auto v = [&t](const char* field) { return t.value(QString::fromUtf8(field)); };
    const double students = v("学生总数").toDouble();
    const QString gap = QStringLiteral("  ");
    const QStringList lines = {
        QStringLiteral("考绩分: ") + F(v("考绩分")),
        QString(),
        QStringLiteral("本期情况:"),
        QStringLiteral("  学生总数:") + F(v("学生总数")) + gap + QStringLiteral("优生人数:") + F(v("优生人数")) + gap +
            QStringLiteral("及格人数:") + F(v("及格人数")) + gap + QStringLiteral("差生人数:") + F(v("差生人数")) +
            gap + QStringLiteral("最高分:") + F(v("最高分")) + gap + QStringLiteral("最低分:") + F(v("最低分")) +
            gap + QStringLiteral("总分:") + F(v("总分")) + gap,
        QStringLiteral("  平 均 分:") + F(v("平均分")) + gap + QStringLiteral("优 生 率:") +
            R(v("优生人数"), students) + gap + QStringLiteral("及 格 率:") + R(v("及格人数"), students) + gap +
            QStringLiteral("差 生 率:") + R(v("差生人数"), students) + gap,
        QString(),
        QStringLiteral("上期情况:"),
        QStringLiteral("  平 均 分:") + F(v("上期平均分")) + gap + QStringLiteral("优 生 率:") + P(v("上期优生率")) +
            gap + QStringLiteral("及 格 率:") + P(v("上期及格率")) + gap + QStringLiteral("差 生 率:") +
            P(v("上期差生率")) + gap,
    };
    return lines.join(QStringLiteral("\r\n"));
}

std::vector<Assignment> assignmentsOf(const TeacherRecord& t) {
    std::vector<Assignment> out;
    for (int n = 1; n <= 20; ++n) {
        const QVariant cls = t.value(QStringLiteral("任课班级%1").arg(n));
        if (cls.isNull()) continue;
        out.push_back({cls.toString(), t.value(QStringLiteral("科目%1").arg(n)).toString()});
    }
    return out;
}

QString overallText(const QVariantList& scores) {
    float sum = 0;
    for (const QVariant& s : scores)
        if (!s.isNull()) sum += s.toFloat();
    // Teachers without a score count in the divisor; no teacher leaves 0.
    const float average = scores.isEmpty() ? 0.0f : sum / float(scores.size());
    return QStringLiteral("考绩分共有:") + trimmedNumberText(sum) + QStringLiteral(" 分\n\n考绩分的平均分为:") +
           trimmedNumberText(average) + QStringLiteral(" 分");
}

QString printoutBlock(const TeacherRecord& t) {
    auto v = [&t](const char* field) { return t.value(QString::fromUtf8(field)); };
    const QVariant score = v("考绩分");
    QString block = v("姓名").toString() + QStringLiteral(" 考绩分:") +
                    (score.isNull() ? kSix : trimmedNumberText(score).left(5));
    // A teacher without students has no rates: the figure's five columns stay blank.
    auto rate = [&](const char* count) {
        const QVariant n = v(count);
        if (!hasStudents(t) || n.isNull()) return QString(5, u' ');
        const float r = n.toFloat() / v("学生总数").toFloat() * 100.0f;
        return NumberText(r, Precision::Single).left(5);
    };
    block += QStringLiteral("及格率:") + rate("及格人数") + QStringLiteral("%   ");
    block += QStringLiteral("优生率:") + rate("优生人数") + QStringLiteral("% ");
    block += u'/';
    // 任课班数 to 最低分, by their place in the table.
    for (int position = 2; position <= 10; ++position) {
        const QVariant f = t.at(position);
        block += (f.isNull() ? QString(5, u' ') : trimmedNumberText(f).left(5)) + u'/';
    }
    block += u'\n' + QString(5, u' ');
    for (const Assignment& a : assignmentsOf(t))
        block += a.item() + u' ';
    qsizetype lead = 0;
    while (lead < block.size() && block[lead] == u' ') ++lead;
    return block.mid(lead) + u'\n';
}

QStringList classList(const Assignment& a, const std::vector<ListedMark>& students) {
    QStringList lines{a.item() + u'(' + QString::number(students.size()) + QStringLiteral("人)")};
    for (const ListedMark& s : students) {
        // A short Chinese name is filled to the six columns of three characters.
        QString name = s.name;
        if (name.size() < 3) name += QString((3 - name.size()) * 2, u' ');
        const QString mark = s.mark.isNull() ? QString() : trimmedNumberText(s.mark).left(5);
        lines << name + u' ' + mark.leftJustified(5, u' ');
    }
    lines << QStringLiteral(" ");
    return lines;
}

QStringList classListWithoutSubject(const Assignment& a) {
    return {a.item(), QStringLiteral("  没有这个科目的成绩"), QStringLiteral(" ")};
}

} // namespace results
