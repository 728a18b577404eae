#include "records/core/student_export.h"

#include "common/export_refusal.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/text/values.h"

#include <QDir>
#include <QFileInfo>

namespace records {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

QString valueText(const QVariant& v) { return platform::shortDateText(v); }

} // namespace

bool quotedExportFor(const QString& path) { return platform::trimBlanks(path).endsWith(QLatin1String("xls")); }

QString exportHeading(const platform::db::Recordset& rs) {
    QStringList names;
    for (int i = 0; i < rs.fieldCount(); ++i)
        names << rs.fieldName(i);
    return names.join(QLatin1Char('\t')) + kLineEnd;
}

QString exportLine(const platform::db::Recordset& rs, bool quoted) {
    QString line;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        if (i > 0)
            line += QLatin1Char('\t');
        const QString v = valueText(rs.value(i));
        line += quoted ? QLatin1Char('"') + v + QLatin1Char('"') : v;
    }
    return line + kLineEnd;
}

ExportResult exportStudents(platform::db::Recordset& rs, const QString& path,
                            const std::function<void(int)>& progress) {
    ExportResult out;
    const bool quoted = quotedExportFor(path);
    // The target's folder must take the new file; an existing file is replaced.
    platform::WholeFile file(path);
    if (!file.open()) {
        out.error = QStringLiteral("不能写入文件 %1: %2").arg(QDir::toNativeSeparators(path), file.reason());
        return out;
    }
    // Lines are encoded a batch at a time: one conversion per line costs more
    // than the rest of the export.
    QString batch;
    QStringList batchLines;
    QStringList fieldNames;
    for (int i = 0; i < rs.fieldCount(); ++i)
        fieldNames << rs.fieldName(i);
    int linesBefore = 0;   // lines of the batches written before this one
    auto flush = [&]() {
        QByteArray bytes;
        try {
            bytes = platform::toGbk(batch);
        } catch (const platform::GbkError&) {
            // Name the record that holds the character, not the whole batch.
            for (int i = 0; i < batchLines.size(); ++i)
                if (!platform::canEncodeGbk(batchLines[i]))
                    throw nonGbkInRecord(fieldNames, batchLines[i], linesBefore + i + 1);
            throw;
        }
        linesBefore += int(batchLines.size());
        batch.clear();
        batchLines.clear();
        return file.write(bytes);
    };
    try {
        batch = exportHeading(rs);
        batchLines << batch;
        bool ok = true;
        int written = 0;
        if (rs.recordCount() > 0) {
            for (rs.moveFirst(); ok && !rs.eof(); rs.moveNext()) {
                const QString line = exportLine(rs, quoted);
                batch += line;
                batchLines << line;
                if (batchLines.size() >= 256)
                    ok = flush();
                if (ok && progress)
                    progress(++written);
            }
        }
        ok = ok && flush();
        if (!ok || !file.commit()) {
            const QString why = file.reason();
            out.error = QStringLiteral("写入文件 %1 时出错: %2").arg(QDir::toNativeSeparators(path), why);
            return out;
        }
    } catch (const platform::GbkError& e) {
        file.discard();
        out.error = e.text();
        return out;
    }
    out.ok = true;
    return out;
}

QString printPreviewText(platform::db::Recordset& rs) {
    QString text = QStringLiteral("\t") + exportHeading(rs);
    if (rs.recordCount() == 0)
        return text;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        QStringList values;
        for (int i = 0; i < rs.fieldCount(); ++i) {
            const QString v = valueText(rs.value(i));
            values << (v.isEmpty() ? QStringLiteral("--") : v);
        }
        text += values.join(QLatin1Char('\t')) + kLineEnd;
    }
    return text;
}

} // namespace records
