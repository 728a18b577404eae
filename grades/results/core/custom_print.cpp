#include "grades/results/core/custom_print.h"

#include "common/class_label.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/number_text.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

namespace results {

using platform::db::FieldType;
using platform::db::quoteText;
using platform::richtext::RunStyle;

QString templateSourceQuery(const QString& entry) {
    QString where;
    if (isGradeLabel(entry))
        where = QStringLiteral(" where 年级=") + quoteText(gradeOfLabel(entry)) + QStringLiteral(" ");
    else if (isClassLabel(entry))
        where = QStringLiteral("  where 年级=") + quoteText(gradeOfLabel(entry)) + QStringLiteral(" and  班=") +
                quoteText(classOfLabel(entry));
    return QStringLiteral("select * from 成绩表") + where;
}

namespace {

RunStyle unitStyle(const QTextCharFormat& format, const QTextDocument& doc) {
    RunStyle s = platform::richtext::runStyleOf(format, doc);
    s.size = std::nearbyint(s.size);   // half to even
    s.strikeout = false;
    return s;
}

} // namespace

QList<TemplateChar> TemplateChars(const QTextDocument& tmpl) {
    QList<TemplateChar> units;
    bool inMark = false;
    auto take = [&](const QString& ch, const QTextCharFormat& format) {
        if (ch == u'<') {
            TemplateChar mark;
            mark.mark = true;
            mark.closed = false;
            mark.style = unitStyle(format, tmpl);
            units.append(mark);
            inMark = true;
        } else if (ch == u'>' && inMark) {
            units.last().closed = true;
            inMark = false;
        } else if (inMark) {
            units.last().fieldName += ch;
            units.last().style = unitStyle(format, tmpl);
        } else {
            TemplateChar unit;
            unit.character = ch;
            unit.style = unitStyle(format, tmpl);
            units.append(unit);
        }
    };
    for (QTextBlock b = tmpl.begin(); b.isValid(); b = b.next()) {
        if (b != tmpl.begin())
            take(QStringLiteral("\n"), b.previous().isValid() ? b.charFormat() : QTextCharFormat());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QString text = frag.text();
            const QTextCharFormat format = frag.charFormat();
            for (qsizetype i = 0; i < text.size(); ++i) {
                // A pair of surrogates is one character.
                const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
                take(text.mid(i, n), format);
                i += n - 1;
            }
        }
    }
    return units;
}

QString fieldValueText(const platform::db::Recordset& rs, int field) {
    const QVariant v = rs.value(field);
    if (v.isNull())
        return {};
    switch (rs.fieldType(field)) {
    case FieldType::Single:
        return platform::PlainNumberText(v.toDouble(), platform::Precision::Single);
    case FieldType::Double:
    case FieldType::Integer:
    case FieldType::Long:
        return platform::PlainNumberText(v.toDouble(), platform::Precision::Double);
    default:
        break;
    }
    if (v.typeId() == QMetaType::Double)
        return platform::PlainNumberText(v.toDouble(), platform::Precision::Double);
    return v.toString();
}

void mergeTemplate(const QList<TemplateChar>& units, platform::db::Recordset& rs, QTextDocument& out) {
    // Formats and field positions once, not per record.
    QList<RunStyle> styles;
    QList<int> styleOf, fieldOf;
    QList<QString> fixed;
    for (const TemplateChar& u : units) {
        qsizetype s = styles.indexOf(u.style);
        if (s < 0) {
            styles.append(u.style);
            s = styles.size() - 1;
        }
        styleOf.append(int(s));
        const int f = u.mark && u.closed && !u.fieldName.isEmpty() ? rs.fieldIndex(u.fieldName) : -1;
        fieldOf.append(f);
        fixed.append(!u.mark ? u.character
                             : f >= 0 ? QString()
                                      : QStringLiteral("<") + u.fieldName + (u.closed ? QStringLiteral(">") : QString()));
    }
    QList<QTextCharFormat> formats;
    for (const RunStyle& s : styles)
        formats.append(platform::richtext::charFormatOf(s));

    // The merge is one piece of work nobody undoes run by run: recording an
    // undo step for every run took a third of its time. The history goes.
    struct UndoOff {
        QTextDocument& doc;
        bool was;
        ~UndoOff() { doc.setUndoRedoEnabled(was); }
    } undoOff{out, out.isUndoRedoEnabled()};
    out.setUndoRedoEnabled(false);

    QTextCursor cursor(&out);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QString pending;
    int pendingStyle = -1;
    auto flush = [&] {
        if (!pending.isEmpty())
            cursor.insertText(pending, formats[pendingStyle]);
        pending.clear();
    };
    if (rs.recordCount() > 0) {
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            for (qsizetype i = 0; i < units.size(); ++i) {
                const QString text = fieldOf[i] >= 0 ? fieldValueText(rs, fieldOf[i]) : fixed[i];
                if (text.isEmpty())
                    continue;
                if (styleOf[i] != pendingStyle) {
                    flush();
                    pendingStyle = styleOf[i];
                }
                pending += text;
            }
        }
    }
    flush();
    cursor.endEditBlock();
}

} // namespace results
