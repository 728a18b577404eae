#include "grades/results/core/grade_preview.h"

#include "common/class_label.h"
#include "common/room_code.h"
#include "grades/results/core/results_view.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace results {

using platform::db::Recordset;

namespace {

std::optional<float> floatOf(const QVariant& v) {
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    const double d = v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return float(d);
}

// A number's text cut to five characters, never rounded.
QString cut5(std::optional<float> v) {
    return v ? platform::PlainNumberText(*v, platform::Precision::Single).left(5) : QString();
}

QString cell(std::optional<float> v) { return cut5(v).leftJustified(5); }

} // namespace

int previewCount(const QString& text) {
    return int(platform::roundHalfEven(std::clamp(platform::LeadingNumber(text), -32768.0, 32767.0)));
}

QString classBlockQuery(const QString& table, const QString& classLabel) {
    return QStringLiteral("select * from ") + table + QStringLiteral(" where 年级=") +
           platform::db::quoteText(gradeOfLabel(classLabel)) + QStringLiteral(" and 班=") +
           platform::db::quoteText(classOfLabel(classLabel)) + QStringLiteral(" order by 总分 desc");
}

QString roomBlockQuery(const QString& table, const QString& roomLabel) {
    return QStringLiteral("select * from ") + table + QStringLiteral(" where 考室=") +
           platform::db::quoteText(roomCodeOfLabel(roomLabel)) + QStringLiteral(" order by 总分 desc");
}

GradeBlock gradeBlock(const Recordset& rs, const QString& classText, const QString& roomText, int count,
                      int16_t examNumberLength, const QStringList& subjects) {
    GradeBlock b;
    const int rows = rs.recordCount();
    if (rows < 1)
        return b;
    const bool gradeList = isGradeLabel(classText);
    const int fExam = rs.fieldIndex(QStringLiteral("考号")), fName = rs.fieldIndex(QStringLiteral("姓名")),
              fClass = rs.fieldIndex(QStringLiteral("班"));
    // 总分, 平均分, then the subjects; -1 for a field the rows lack.
    std::vector<int> fields = {rs.fieldIndex(QStringLiteral("总分")), rs.fieldIndex(QStringLiteral("平均分"))};
    for (const QString& s : subjects)
        fields.push_back(rs.fieldIndex(s));
    auto text = [&](int row, int f) { return f < 0 ? QString() : rs.valueAt(row, f).toString(); };
    auto value = [&](int row, int f) { return f < 0 ? std::optional<float>() : floatOf(rs.valueAt(row, f)); };

    // Averages over every row; an empty mark counts as 0.
    std::vector<float> sums(fields.size(), 0.0f);
    for (int r = 0; r < rows; ++r)
        for (size_t i = 0; i < fields.size(); ++i)
            if (const auto v = value(r, fields[i]))
                sums[i] += *v;
    std::vector<float> averages;
    for (float s : sums)
        averages.push_back(s / float(rows));

    const QString heading = classText + roomText + QStringLiteral("全体同学成绩如下:");
    const QString firstNumber = text(0, fExam);
    const bool wideCopy = examNumberLength >= 8;

    QString& p = b.preview;
    p += heading + u'\n';
    p += firstNumber.size() > 3 ? QStringLiteral("考号 ") + QString(firstNumber.size() - 3, u' ') : QStringLiteral("考号");
    p += QStringLiteral(" 姓名") + QStringLiteral("   总分  ") + QStringLiteral(" 平均分 ");
    for (const QString& s : subjects)
        p += s + QStringLiteral("   ");
    if (gradeList)
        p += QStringLiteral("  班级");
    p += u'\n';
    p += QStringLiteral(" 全班平均:") + QString(firstNumber.size(), u' ');
    for (float a : averages)
        p += cell(a) + QStringLiteral("  ");
    p += u'\n';

    QString& c = b.copy;
    const QString CRLF = QStringLiteral("\r\n");
    c += heading + CRLF;
    c += (wideCopy ? QStringLiteral("    考号") : QStringLiteral("考号")) + QStringLiteral("\t姓名\t总分\t平均分\t");
    for (const QString& s : subjects)
        c += s + u'\t';
    if (gradeList)
        c += QStringLiteral("班级");
    c += CRLF;
    c += (wideCopy ? QStringLiteral("    全班") : QStringLiteral("全班")) + QStringLiteral("\t平均\t");
    for (float a : averages)
        c += cut5(a) + u'\t';
    c += CRLF;

    std::vector<int> order;
    if (count >= 0) {
        const int n = count == 0 ? rows : std::min(count, rows);
        for (int r = 0; r < n; ++r)
            order.push_back(r);
    } else {
        const int n = std::min(-count, rows);
        for (int r = rows - 1; r >= rows - n; --r)
            order.push_back(r);
    }
    for (int r : order) {
        const QString number = text(r, fExam);
        QString name = text(r, fName);
        p += number + QStringLiteral("  ") + name;
        if (name.size() < 3)
            p += QString(2 * (3 - name.size()), u' ');
        p += QStringLiteral("  ");
        c += number + u'\t' + name + u'\t';
        for (size_t i = 0; i < fields.size(); ++i) {
            const auto v = value(r, fields[i]);
            p += cell(v) + QStringLiteral("  ");
            // Totals and averages are empty when missing, marks five blanks.
            c += (i < 2 || v ? cut5(v) : QString(5, u' ')) + u'\t';
        }
        if (gradeList) {
            p += QStringLiteral("  ") + text(r, fClass);
            c += text(r, fClass);
        }
        p += u'\n';
        c += CRLF;
    }
    return b;
}

} // namespace results
