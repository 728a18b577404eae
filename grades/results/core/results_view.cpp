#include "grades/results/core/results_view.h"

#include "common/class_label.h"
#include "common/room_code.h"
#include "common/widthfit.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/db/typedsql.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"

#include <algorithm>
#include <vector>

namespace results {

using platform::Precision;
using platform::db::FieldType;
using platform::db::Recordset;

namespace {

// A value the listing cannot use ends it where it stands.
struct Stop {};

QString lineEnds(int spacing) { return kLineEnd.repeated(std::max(0, spacing + 1)); }

// The number text with its sign room removed.
QString trimmedNumber(double v, Precision p) {
    QString t = platform::NumberText(v, p);
    if (t.startsWith(u' '))
        t.remove(0, 1);
    return t;
}

// A value as a number, as the old arithmetic converted it: a numeric text
// counts, any other text does not.
std::optional<double> numberOf(const QVariant& v) {
    if (v.isNull())
        return std::nullopt;
    bool ok = false;
    double d = 0;
    if (v.typeId() == QMetaType::QString)
        d = v.toString().trimmed().toDouble(&ok);
    else
        d = v.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return d;
}

Precision precisionOf(const Recordset& rs, int field) {
    return rs.fieldType(field) == FieldType::Single ? Precision::Single : Precision::Double;
}

// Five columns of a mark: cut, never rounded; blanks for an empty one.
QString markText(const QVariant& v, Precision p) {
    if (v.isNull())
        return QString(5, u' ');
    const auto d = numberOf(v);
    if (!d)
        throw Stop{};
    return trimmedNumber(*d, p).left(5).leftJustified(5);
}

} // namespace

QString viewFilter(const QString& classText, const QString& roomText) {
    using platform::db::quoteText;
    if (!classText.isEmpty()) {
        if (isGradeLabel(classText))
            return QStringLiteral(" where 年级=") + quoteText(gradeOfLabel(classText));
        if (isClassLabel(classText))
            return QStringLiteral(" where 年级=") + quoteText(gradeOfLabel(classText)) + QStringLiteral(" and 班=") +
                   quoteText(classOfLabel(classText));
        return {};
    }
    if (roomText.isEmpty() || roomText == kAllRooms)
        return {};
    return QStringLiteral(" where 考室=") + quoteText(roomCodeOfLabel(roomText));
}

QString viewQuery(const QString& table, const QString& classText, const QString& roomText, const QString& key) {
    const QString head = QStringLiteral("select *  from ") + table + QStringLiteral(" ") + viewFilter(classText, roomText);
    if (key == kExamNumberKey)
        return head + QStringLiteral(" order by 考室,座位 asc");
    return head + QStringLiteral(" order by ") + platform::db::quoteName(key) + QStringLiteral(" desc");
}

bool isSortKey(const QStringList& tableFields, const QString& key) {
    return key == kExamNumberKey || tableFields.contains(key);
}

int lineSpacing(const QString& text) {
    const double v = platform::LeadingNumber(text);
    return int(platform::roundHalfEven(std::clamp(v, 0.0, 99.0)));
}

int perLine(const QString& text) {
    const double v = platform::LeadingNumber(text);
    return int(platform::roundHalfEven(std::clamp(v, -32768.0, 32767.0)));
}

ListingTexts buildListing(const Recordset& rs, const ListingChoice& choice) {
    ListingTexts out;
    const int rows = rs.recordCount();
    if (rows == 0)
        return out;
    const int spacing = lineSpacing(choice.spacing);
    const int n = perLine(choice.perLine);
    const bool byExamNumber = choice.key == kExamNumberKey;
    QString text = choice.classText + choice.roomText + QStringLiteral(" ") + choice.key + lineEnds(spacing);
    out.text2 = text;
    float sum = 0;
    try {
        const int nameField = rs.fieldIndex(QStringLiteral("姓名"));
        const int keyField = rs.fieldIndex(byExamNumber ? kExamNumberKey : choice.key);
        if (nameField < 0 || keyField < 0)
            throw Stop{};
        const Precision p = precisionOf(rs, keyField);
        int width = 5;
        if (byExamNumber)
            width = std::max<int>(1, int(rs.valueAt(0, keyField).toString().size()));
        int count = 0;
        for (int r = 0; r < rows; ++r) {
            const QVariant nameValue = rs.valueAt(r, nameField);
            if (nameValue.isNull())
                throw Stop{};   // a row without a name ends the listing
            QString name = nameValue.toString();
            const QVariant v = rs.valueAt(r, keyField);
            QString entry;
            if (!byExamNumber) {
                QString value = QStringLiteral(" ");
                if (!v.isNull()) {
                    const auto d = numberOf(v);
                    if (!d)
                        throw Stop{};
                    sum += float(*d);
                    value = trimmedNumber(*d, p).left(5);
                }
                if (name.size() < 3)
                    name += QString(2 * (3 - name.size()), u' ');
                entry = name + QStringLiteral(" ") + value.leftJustified(5);
            } else {
                const QString number = v.isNull() || v.toString().isEmpty() ? QStringLiteral(" ") : v.toString();
                entry = PadToWidth(name, 7, -1) + number.leftJustified(width);
            }
            text += entry;
            if (++count == n) {
                text += lineEnds(spacing);
                count = 0;
            } else {
                text += QStringLiteral("   ");
            }
        }
    } catch (const Stop&) {
        out.text2 = text;
        out.failed = true;
        return out;
    }
    out.text2 = text;
    out.lab6a = QStringLiteral("平均: ") + platform::NumberText(double(sum) / rows, Precision::Double).left(7);
    out.text2Shown = true;
    if (!columnAverages(rs, choice, out))
        out.failed = true;
    return out;
}

bool columnAverages(const Recordset& rs, const ListingChoice& choice, ListingTexts& out) {
    const int rows = rs.recordCount();
    if (rows == 0)
        return true;
    const int fields = rs.fieldCount();
    // 总分, 平均分 and the subjects: a set with more columns cannot be placed.
    std::vector<float> sums(size_t(std::max(0, choice.subjectCount + 3)), 0.0f);
    try {
        for (int r = 0; r < rows; ++r)
            for (int f = 8; f < fields; ++f) {
                const QVariant v = rs.valueAt(r, f);
                if (size_t(f - 8) >= sums.size())
                    throw Stop{};
                if (v.isNull())
                    continue;
                const auto d = numberOf(v);
                if (!d)
                    throw Stop{};
                sums[size_t(f - 8)] += float(*d);
            }
    } catch (const Stop&) {
        return false;
    }
    auto average = [&](int f) {
        if (f >= fields || size_t(f - 8) >= sums.size())
            throw Stop{};
        const float avg = sums[size_t(f - 8)] / float(rows);
        return trimmedNumber(avg, Precision::Single).left(5).leftJustified(5);
    };
    QString text = choice.classText + choice.roomText + platform::NumberText(rows, Precision::Double) +
                   QStringLiteral("个同学的各种平均分   ");
    out.text6 = text;
    try {
        const int n = perLine(choice.perLine);
        QString subjects;
        int count = 0;
        for (int f = 10; f < 10 + choice.subjectCount; ++f) {
            subjects += average(f).prepend(rs.fieldName(f) + QStringLiteral(":")) + QStringLiteral("  ");
            if (++count == n + 1) {
                subjects += kLineEnd;
                count = 0;
            }
        }
        text += rs.fieldName(8) + QStringLiteral(":") + average(8) + QStringLiteral("  ");
        text += rs.fieldName(9) + QStringLiteral(":") + average(9) + QStringLiteral("  ") + kLineEnd + kLineEnd;
        text += subjects;
    } catch (const Stop&) {
        out.text6 = text;
        return false;
    }
    out.text6 = text;
    return true;
}

StudentTexts studentSummary(const Recordset& rs, const QString& key, const QString& perLineText) {
    StudentTexts out;
    const int count = rs.recordCount();
    const int pos = rs.absolutePosition();
    if (pos == 0) {
        out.text7 = QString();
        if (count == 0) {
            out.text6 = QString();
            out.caption = QStringLiteral("没有同学");
        }
        return out;
    }
    // A field the set lacks is nullopt; its pieces are left out.
    auto field = [&](const QString& name) -> std::optional<QVariant> {
        const int i = rs.fieldIndex(name);
        if (i < 0)
            return std::nullopt;
        return rs.value(i);
    };
    auto text = [&](const QString& name) {
        const auto v = field(name);
        return v ? v->toString() : QString();
    };
    auto fieldNumber = [&](const QString& name, Precision p) -> std::optional<QString> {
        const auto v = field(name);
        if (!v)
            return std::nullopt;
        const auto d = numberOf(*v);
        if (!d)
            return std::nullopt;
        return platform::NumberText(*d, rs.fieldType(rs.fieldIndex(name)) == FieldType::Single ? Precision::Single : p);
    };
    auto trimmed = [](QString t) {
        if (t.startsWith(u' '))
            t.remove(0, 1);
        return t;
    };

    out.caption = platform::NumberText(pos, Precision::Double) + QStringLiteral("/") +
                  platform::NumberText(count, Precision::Double);

    const QString name = text(QStringLiteral("姓名"));
    const QString examNumber = text(QStringLiteral("考号"));
    const auto total = fieldNumber(QStringLiteral("总分"), Precision::Single);
    out.te61 = name + QStringLiteral(" ") + examNumber + QStringLiteral(" 总分:") +
               (total ? trimmed(*total).left(5) : QString());
    const auto keyValue = fieldNumber(key, Precision::Double);
    out.lab6b = name + QStringLiteral(":") + (keyValue ? trimmed(*keyValue).left(5) : QString());

    // Block 1: who, the total and the average.
    QString summary = text(QStringLiteral("年级")) + QStringLiteral("级 ") + text(QStringLiteral("班")) +
                      QStringLiteral("班 ");
    if (!name.isEmpty())
        summary += PadToWidth(name, 8, -1);
    if (!total)
        summary += QStringLiteral("总分:") + QString(6, u' ');
    else
        summary += QString(15, u' ') + QStringLiteral("总分:") + PadToWidth(*total, 5, -1) + QStringLiteral(" ");
    summary += QStringLiteral("  ");
    const auto average = fieldNumber(QStringLiteral("平均分"), Precision::Single);
    if (!average)
        summary += QStringLiteral("平均分:") + QString(5, u' ');
    else
        summary += QStringLiteral("平均分:") + PadToWidth(*average, 5, -1);
    summary += kLineEnd + kLineEnd;

    // Block 2: seat, rank by the key and exam number.
    const QString room = text(QStringLiteral("考室")), seat = text(QStringLiteral("座位"));
    if (!room.isEmpty() && !seat.isEmpty())
        summary += QStringLiteral("考室:") + PadToWidth(room, 3, -1) + QStringLiteral("   座位号:") + PadToWidth(seat, 2, -1);
    summary += QStringLiteral("     ") + key + QStringLiteral("的名次:") + platform::NumberText(pos, Precision::Double) +
               QStringLiteral("  ") + QStringLiteral("  考号:") + examNumber + kLineEnd + kLineEnd;

    // Block 3: every column from the eleventh, each in five columns.
    const int n = perLine(perLineText);
    int counter = 0;
    QString marks;
    for (int f = 10; f < rs.fieldCount(); ++f) {
        QString value;
        try {
            value = markText(rs.value(f), precisionOf(rs, f));
        } catch (const Stop&) {
            value = QString(5, u' ');
        }
        marks += rs.fieldName(f) + QStringLiteral(":") + value;
        if (++counter == n + 1) {
            marks += kLineEnd;
            counter = 0;
        } else {
            marks += QStringLiteral("  ");
        }
    }
    marks += kLineEnd;
    out.text7 = summary + marks;
    return out;
}

std::optional<QString> selectTemplate(const QString& typed, const QString& table, const QString& classText) {
    const QString word = platform::trimBlanks(typed);
    if (word.toLower() != QStringLiteral("select"))
        return std::nullopt;
    return word + QStringLiteral(" * from ") + table + QStringLiteral(" where 年级=") +
           platform::db::quoteText(gradeOfLabel(classText)) + QStringLiteral(" and 平均分>=60");
}

bool isTypedQuery(const QString& typed) {
    return platform::trimBlanks(typed).left(6).toLower() == QStringLiteral("select");
}

std::optional<QString> refusedTypedQuery(const QString& sql) {
    if (platform::db::isReadOnlySelect(sql))
        return std::nullopt;
    return QStringLiteral("SQL语句只能是一条查询(select)语句,不能修改数据!");
}

QString searchQuery(const QString& typed, const QString& table) {
    const QString s = platform::trimBlanks(typed);
    if (s.isEmpty())
        return {};
    const bool examNumber = s.at(0) >= u'0' && s.at(0) <= u'9';
    return QStringLiteral("select * from ") + table +
           (examNumber ? QStringLiteral(" where 考号 = ") : QStringLiteral(" where 姓名 = ")) +
           platform::db::quoteText(s);
}

} // namespace results
