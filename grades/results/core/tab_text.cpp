#include "grades/results/core/tab_text.h"

#include "platform/db/recordset.h"
#include "platform/db/value_text.h"
#include "platform/text/gbk.h"

#include <QSaveFile>

namespace results {

using platform::db::FieldType;
using platform::db::plainValueText;

QString tabText(const platform::db::Recordset& rs) {
    const int fields = rs.fieldCount();
    std::vector<FieldType> types;
    QString out;
    for (int f = 0; f < fields; ++f) {
        types.push_back(rs.fieldType(f));
        if (f)
            out += u'\t';
        out += rs.fieldName(f);
    }
    out += QLatin1String("\r\n");
    const int rows = rs.recordCount();
    for (int r = 0; r < rows; ++r) {
        for (int f = 0; f < fields; ++f) {
            if (f)
                out += u'\t';
            out += plainValueText(rs.valueAt(r, f), types[f]);
        }
        out += QLatin1String("\r\n");
    }
    return out;
}

void writeGbkWhole(const QString& path, const QString& text) {
    const QByteArray bytes = platform::toGbk(text);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw platform::FileError(QStringLiteral("不能写入文件 ") + path);
}

} // namespace results
