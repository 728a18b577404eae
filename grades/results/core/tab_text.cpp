#include "grades/results/core/tab_text.h"

#include "common/export_refusal.h"
#include "platform/db/recordset.h"
#include "platform/db/value_text.h"
#include "platform/text/gbk.h"


namespace results {

using platform::db::FieldType;
using platform::db::plainValueText;

namespace {

void appendRow(QString& out, const platform::db::Recordset& rs, int r, const std::vector<FieldType>& types) {
    for (int f = 0; f < int(types.size()); ++f) {
        if (f)
            out += u'\t';
        out += plainValueText(rs.valueAt(r, f), types[f]);
    }
    out += QLatin1String("\r\n");
}

std::vector<FieldType> typesOf(const platform::db::Recordset& rs) {
    std::vector<FieldType> types;
    for (int f = 0; f < rs.fieldCount(); ++f)
        types.push_back(rs.fieldType(f));
    return types;
}

} // namespace

QString tabText(const platform::db::Recordset& rs) {
    const std::vector<FieldType> types = typesOf(rs);
    QString out;
    for (int f = 0; f < rs.fieldCount(); ++f) {
        if (f)
            out += u'\t';
        out += rs.fieldName(f);
    }
    out += QLatin1String("\r\n");
    const int rows = rs.recordCount();
    for (int r = 0; r < rows; ++r)
        appendRow(out, rs, r, types);
    return out;
}

void writeTabText(const QString& path, const platform::db::Recordset& rs) {
    const QString text = tabText(rs);
    QByteArray bytes;
    try {
        bytes = platform::toGbk(text);
    } catch (const platform::GbkError&) {
        // A value may hold a line break: find the row itself, not the line.
        QStringList names;
        for (int f = 0; f < rs.fieldCount(); ++f)
            names << rs.fieldName(f);
        if (!platform::canEncodeGbk(names.join(u'\t')))
            throw;
        const std::vector<FieldType> types = typesOf(rs);
        for (int r = 0; r < rs.recordCount(); ++r) {
            QString line;
            appendRow(line, rs, r, types);
            if (!platform::canEncodeGbk(line))
                throw nonGbkInRecord(names, line, r + 2);
        }
        throw;
    }
    platform::writeFileWhole(path, bytes);
}

void writeGbkWhole(const QString& path, const QString& text) {
    platform::writeFileWhole(path, platform::toGbk(text));
}

} // namespace results
