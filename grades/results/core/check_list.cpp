#include "grades/results/core/check_list.h"

#include "grades/results/core/custom_print.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"

#include <algorithm>
#include <cmath>

namespace results {

using platform::db::quoteText;

int typedCount(const QString& text) {
    const double n = std::nearbyint(platform::LeadingNumber(text));
    return int(std::clamp(n, -32768.0, 32767.0));
}

int typedSpacing(const QString& text) {
    return std::clamp(typedCount(text), 0, 99);
}

QString checkListQuery(const QStringList& fields, const QString& grade, const QString& cls, bool byTotal) {
    QStringList quoted;
    for (const QString& f : fields)
        quoted << platform::db::quoteName(f);
    return QStringLiteral("select ") + quoted.join(u',') + QStringLiteral(" from 成绩表 where 年级=") +
           quoteText(grade) + QStringLiteral(" and 班=") + quoteText(cls) +
           (byTotal ? QStringLiteral(" order by 总分 desc") : QStringLiteral(" order by 学号"));
}

QString checkListBlock(platform::db::Recordset& rs, const QString& grade, const QString& cls,
                       const CheckListOptions& options, int& lineCount) {
    QString out = options.title + QStringLiteral("\r\n") + grade + QStringLiteral("级") + cls +
                  QStringLiteral("班全体同学的情况如下：\r\n\r\n");
    lineCount += 2;
    const int perLine = std::max(options.perLine, 1);
    const QString lineEnd = QStringLiteral("\r\n").repeated(std::clamp(options.spacing, 0, 99) + 1);
    const int nameField = rs.fieldIndex(QStringLiteral("姓名"));
    const int fields = rs.fieldCount();
    int onLine = 0;
    if (rs.recordCount() > 0) {
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            for (int f = 0; f < fields; ++f) {
                const QString value = fieldValueText(rs, f);
                if (f == nameField)
                    out += value + QString(std::max<qsizetype>(0, 6 - 2 * value.size()), u' ');
                else
                    out += value + u' ';
            }
            out += QStringLiteral("   ");
            if (++onLine >= perLine) {
                onLine = 0;
                ++lineCount;
                out += lineEnd;
                // No page break is written; the count only starts again.
                if (lineCount > options.linesPerPage)
                    lineCount = 0;
            }
        }
    }
    return out;
}

} // namespace results
