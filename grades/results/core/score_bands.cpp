#include "grades/results/core/score_bands.h"

#include "common/class_label.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"

#include <algorithm>

namespace bands {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kCaptionColumns = 17;

QString num(float v) { return platform::PlainNumberText(v, platform::Precision::Single); }

QString lineBreaks(int spacing) { return kCrLf.repeated(std::max(0, spacing) + 1); }

float valueOf(const QString& numberText) {
    return numberText.isEmpty() ? -1.0f : float(platform::LeadingNumber(numberText));
}

std::optional<ScoreBand> parseLine(const QString& line) {
    ScoreBand b;
    QString number;
    int side = 0;
    for (const QChar c : line) {
        switch (c.unicode()) {
        case u'(': b.lowerInclusive = 0; number.clear(); break;
        case u'[': b.lowerInclusive = 1; number.clear(); break;
        case u')': b.upperInclusive = 0; number.clear(); ++side; break;
        case u']': b.upperInclusive = 1; number.clear(); ++side; break;
        case u'-': number.clear(); ++side; break;
        case u'%': b.percent = 1; break;
        default: number.append(c);
        }
        if (side == 0) b.lower = valueOf(number);
        else if (side == 1) b.upper = valueOf(number);
    }
    if (b.upper == -1 && (b.lower == -1 || b.lower == 0)) return std::nullopt;
    return b;
}


} // namespace

QString builtInBandNotation() {
    return QStringLiteral("   ' \"'\"号后的文字是注释说明\r\n"
                          "(-30)     '30分以下的同学人数\r\n"
                          "[30-60)   '大于等于30分小于60分的人数\r\n"
                          "(0-60)%   '60分以下同学所占的百分比\r\n"
                          "[60-)     '60及60分以上同学的人数\r\n"
                          "[80-100]%  '80-100分人数的百分比\r\n");
}

BandTable ParseBandNotation(const QString& input) {
    QString text = input;
    if (!text.endsWith(u'\n')) text += kCrLf;
    BandTable table;
    QString line;
    bool comment = false;
    for (const QChar c : text) {
        if (c == u'\n') {
            if (line.endsWith(u'\r')) line.chop(1);   // the break is not part of the last number
            const QString trimmed = platform::trimBlanks(line);
            if (!trimmed.isEmpty())
                if (auto b = parseLine(trimmed)) table.push_back(*b);
            line.clear();
            comment = false;
            continue;
        }
        if (c == u'\'') comment = true;
        if (!comment) line.append(c);
    }
    return table;
}

bool inBand(const ScoreBand& b, float s) {
    if (b.lower == -1) return b.upperInclusive == 1 ? s <= b.upper : s < b.upper;
    const bool above = b.lowerInclusive == 1 ? b.lower <= s : b.lower < s;
    if (b.upper == -1) return above;
    return above && (b.upperInclusive == 1 ? s <= b.upper : s < b.upper);
}

QStringList BuildBandCaptions(const BandTable& bands) {
    QStringList out;
    for (const ScoreBand& b : bands) {
        QString c;
        if (b.lower == -1) c = num(b.upper) + QStringLiteral("分以下");
        else if (b.upper == -1) c = num(b.lower) + QStringLiteral("分以上");
        else c = num(b.lower) + u'-' + num(b.upper) + u'分';
        c += b.percent == 1 ? QStringLiteral("百分率") : QStringLiteral("人数");
        const int width = platform::displayWidth(c);
        if (width < kCaptionColumns) c += QString(kCaptionColumns - width, u' ');
        out << c;
    }
    return out;
}

int typedSpacing(const QString& text) {
    const double v = platform::LeadingNumber(text);
    if (v > 99) return 99;
    if (v < -99) return -99;
    return int(platform::roundHalfEven(v));
}

QString bandOptionsText(const BandOptions& o) {
    QString s;
    for (bool c : o.checks) s += c ? u'1' : u'0';
    s += o.horizontal ? u'1' : u'0';
    s += QStringLiteral("%1").arg(std::clamp(o.spacing, 0, 99), 2, 10, QChar(u'0'));
    return s;
}

BandOptions readBandOptions(const QString& s) {
    BandOptions o;
    for (int j = 0; j < 7; ++j) o.checks[j] = j < s.size() && s[j] == u'1';
    const QString layout = s.size() >= 3 ? s.mid(s.size() - 3, 1) : s.left(1);
    o.horizontal = layout == u"1";
    o.spacing = int(platform::roundHalfEven(platform::LeadingNumber(s.right(2))));
    return o;
}

ClassQuery LoadClassBySubject(const QString& entry, const QString& scoreTable, const QString& orderBy,
                              const QStringList& tableFields) {
    ClassQuery q;
    QString where;
    if (isGradeLabel(entry)) {
        q.gradeId = gradeOfLabel(entry);
        where = QStringLiteral(" where 年级=") + platform::db::quoteText(q.gradeId);
    } else if (isClassLabel(entry)) {
        q.gradeId = gradeOfLabel(entry);
        q.classId = classOfLabel(entry);
        where = QStringLiteral(" where 年级=") + platform::db::quoteText(q.gradeId) +
                QStringLiteral(" and 班=") + platform::db::quoteText(q.classId);
    }
    q.sql = QStringLiteral("select *  from ") + scoreTable + u' ' + where;
    if (tableFields.contains(orderBy))
        q.sql += QStringLiteral(" order by ") + platform::db::quoteName(orderBy) + QStringLiteral(" desc");
    return q;
}

EntryFigures emptyFigures(int items, int bandCount) {
    EntryFigures f;
    f.bandCounts.assign(size_t(items) * bandCount, 0.0f);
    f.figures.assign(size_t(items) * 5, 0.0f);
    for (int i = 0; i < items; ++i) f.teachers << QString();
    return f;
}

EntryFigures ComputeBandStatistics(const platform::db::Recordset& rs, const BandTable& bands,
                                   bool zeroNotLowest, const QVariantList& teacherRow, bool isClass) {
    const int first = rs.fieldIndex(QStringLiteral("平均分"));
    const int items = first < 0 ? 0 : rs.fieldCount() - first;
    const int B = int(bands.size());
    EntryFigures f = emptyFigures(items, B);
    const int n = rs.recordCount();
    // An entry without students files zero figures, which the report leaves out.
    if (n == 0) return f;
    for (int i = 0; i < items; ++i) f.figures[5 * i + 1] = 10000;
    for (int r = 0; r < n; ++r) {
        for (int i = 0; i < items; ++i) {
            const QVariant v = rs.valueAt(r, first + i);
            const float s = v.isNull() ? 0.0f : v.toFloat();
            float* fig = &f.figures[5 * i];
            if (s > fig[0]) fig[0] = s;
            if (s < fig[1] && (!zeroNotLowest || s > 0)) fig[1] = s;
            fig[3] += s;
            for (int b = 0; b < B; ++b)
                if (inBand(bands[b], s)) f.bandCounts[size_t(i) * B + b] += 1;
        }
    }
    const float N = float(n);
    for (int i = 0; i < items; ++i) {
        float* fig = &f.figures[5 * i];
        if (fig[1] == 10000) fig[1] = fig[0];
        fig[2] = fig[3] / N;
        fig[4] = N;
        for (int b = 0; b < B; ++b)
            if (bands[b].percent == 1) {
                float& c = f.bandCounts[size_t(i) * B + b];
                c = c / N * 100.0f;
            }
    }
    if (isClass)
        for (int k = 0; k < teacherRow.size() && k + 1 < items; ++k)
            f.teachers[k + 1] = teacherRow[k].isNull() ? QStringLiteral("      ") : teacherRow[k].toString();
    return f;
}

QVariantList teacherRowOf(const platform::db::Recordset& classes, const QString& gradeId,
                          const QString& classId) {
    const int g = classes.fieldIndex(QStringLiteral("年级"));
    const int c = classes.fieldIndex(QStringLiteral("班"));
    QVariantList row;
    if (g < 0 || c < 0) return row;
    for (int r = 0; r < classes.recordCount(); ++r) {
        if (classes.valueAt(r, g).toString() != gradeId || classes.valueAt(r, c).toString() != classId) continue;
        for (int k = 2; k < classes.fieldCount(); ++k) row << classes.valueAt(r, k);
        break;
    }
    return row;
}

QString BuildBandReport(const QString& title, const QStringList& labels, const QStringList& captions,
                        const EntryFigures& rows, const ReportLayout& layout) {
    static const QString kHeaders[6] = {QStringLiteral("最高分  "), QStringLiteral("最低分  "),
                                        QStringLiteral("平均分  "), QStringLiteral("总分    "),
                                        QStringLiteral("学生人数  "), QStringLiteral("教师姓名  ")};
    const QString breaks = lineBreaks(layout.spacing);
    QString out = title + breaks;
    out += QString(layout.horizontal ? 6 : 10, u' ');
    out += captions.join(QString());
    for (int k = 0; k < 6; ++k)
        if (layout.show[k]) out += kHeaders[k];
    out += breaks;
    const int B = int(captions.size());
    const int count = B == 0 ? 0 : int(rows.bandCounts.size()) / B;
    for (int r = 0; r < count; ++r) {
        const float* fig = &rows.figures[5 * size_t(r)];
        if (!(fig[3] > 0)) continue;
        QString line = r < labels.size() ? labels[r] : QString();
        for (int b = 0; b < B; ++b)
            line += (QStringLiteral("   ") + num(rows.bandCounts[size_t(r) * B + b])).leftJustified(17);
        for (int k = 0; k < 5; ++k)
            if (layout.show[k]) line += num(fig[k]).leftJustified(7).left(7) + u' ';
        if (layout.show[5]) line += QStringLiteral("   ") + rows.teachers.value(r) + u' ';
        out += line + breaks;
    }
    return out + kCrLf;
}

namespace {

// Rows of one item over every entry but the last.
EntryFigures itemRows(const std::vector<EntryFigures>& filed, int item, int B) {
    EntryFigures w;
    for (const EntryFigures& e : filed) {
        if (size_t(item) * 5 + 4 >= e.figures.size()) {
            const EntryFigures z = emptyFigures(1, B);
            w.bandCounts.insert(w.bandCounts.end(), z.bandCounts.begin(), z.bandCounts.end());
            w.figures.insert(w.figures.end(), z.figures.begin(), z.figures.end());
            w.teachers << QString();
            continue;
        }
        w.bandCounts.insert(w.bandCounts.end(), e.bandCounts.begin() + size_t(item) * B,
                            e.bandCounts.begin() + size_t(item + 1) * B);
        w.figures.insert(w.figures.end(), e.figures.begin() + size_t(item) * 5,
                         e.figures.begin() + size_t(item + 1) * 5);
        w.teachers << e.teachers.value(item);
    }
    return w;
}

QStringList itemLabels(const QStringList& items) {
    QStringList labels;
    for (int r = 1; r < items.size(); ++r) labels << (r == 1 ? items[r] : items[r] + QStringLiteral("  "));
    return labels;
}

QStringList entryLabels(const QStringList& entries) {
    QStringList labels;
    for (int k = 0; k + 1 < entries.size(); ++k)
        labels << (isGradeLabel(entries[k]) ? entries[k] + QStringLiteral("    ") : entries[k]);
    return labels;
}

} // namespace

QString composeBandReport(const QStringList& entries, const QStringList& items, ReportChoice& choice,
                          const std::vector<EntryFigures>& filed, const QStringList& captions,
                          const ReportLayout& layout) {
    const int B = int(captions.size());
    const int last = int(entries.size()) - 1;
    auto slot = [&](int k) { return k < int(filed.size()) ? filed[k] : EntryFigures{}; };
    QString out;
    const bool all = choice.classText == QStringLiteral("所有班级");
    if (layout.horizontal) {
        if (!all) {
            const int k = int(entries.indexOf(choice.classText));
            if (k < 0 || k == last) return out;
            return BuildBandReport(choice.classText, itemLabels(items), captions, slot(k), layout);
        }
        for (int k = 0; k < last; ++k) {
            choice.classText = entries[k];
            out += BuildBandReport(entries[k], itemLabels(items), captions, slot(k), layout);
        }
        return out;
    }
    if (choice.itemText == QStringLiteral("总分")) choice.itemText = QStringLiteral("平均分");
    const QStringList labels = entryLabels(entries);
    const std::vector<EntryFigures> rows(filed.begin(), filed.begin() + std::min<size_t>(filed.size(), std::max(0, last)));
    if (!all) {
        const int pos = int(items.indexOf(choice.itemText));
        if (pos < 1) return out;
        return BuildBandReport(choice.itemText, labels, captions, itemRows(rows, pos - 1, B), layout);
    }
    for (int pos = 1; pos < items.size(); ++pos) {
        choice.itemText = items[pos];
        out += BuildBandReport(items[pos], labels, captions, itemRows(rows, pos - 1, B), layout);
    }
    return out;
}

} // namespace bands
