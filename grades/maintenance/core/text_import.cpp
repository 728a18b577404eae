#include "grades/maintenance/core/text_import.h"

#include "common/schema.h"
#include "platform/db/textorder.h"
#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"
#include "platform/text/values.h"
#include "platform/text/whole_file.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <fcntl.h>

namespace maintenance {

using platform::db::Database;
using platform::db::DbError;

namespace {

// Field positions of the keys in 成绩表, by key index 1..5 (年级, 班, 姓名, 学号, STID).
constexpr int kFieldOfKey[6] = {-1, 1, 2, 3, 4, 0};
// How many refused values the completion message names.
constexpr int kNamedRefusals = 5;
constexpr qint64 kCommitEveryMs = 1000;

// The 1-based number and byte length of the first line longer than `limit`
// bytes, or {0, 0}. Line ends are CR, LF or CR LF; no GBK trail byte is either.
std::pair<qint64, qsizetype> firstLongLine(const QByteArray& bytes, qsizetype limit) {
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();
    qint64 line = 1;
    for (const char* from = begin;; ++line) {
        const char* at = std::find_if(from, end, [](char c) { return c == '\r' || c == '\n'; });
        if (at - from > limit)
            return {line, at - from};
        if (at == end)
            return {0, 0};
        from = at + ((*at == '\r' && at + 1 < end && at[1] == '\n') ? 2 : 1);
    }
}

QString emptyText() { return QStringLiteral(""); }

} // namespace

QStringList SplitFields(const QString& line, const QString& separator) {
    QStringList fields{emptyText()};
    const qsizetype n = separator.size();
    if (line.isEmpty() || n == 0)
        return fields;
    QString text = line;
    if (!text.endsWith(separator))
        text += separator;
    // Scanning from the left, each separator found ends a field; what follows
    // the last one is dropped.
    fields.clear();
    bool anyText = false;
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(separator, from); at >= 0; at = text.indexOf(separator, from)) {
        fields.append(at > from ? text.mid(from, at - from) : emptyText());
        anyText = anyText || at > from;
        from = at + n;
    }
    fields.append(emptyText());
    if (!anyText)
        return {emptyText()};
    return fields;
}

QString fieldSeparatorFor(const QString& boxText) {
    const QString t = platform::trimBlanks(boxText);
    if (t == QStringLiteral("制表符")) return QStringLiteral("\t");
    if (t == QStringLiteral("空格")) return QStringLiteral(" ");
    if (t == QStringLiteral("回车")) return QStringLiteral("\r");
    if (t == QStringLiteral("换行")) return QStringLiteral("\n");
    if (t == QStringLiteral("回车换行")) return QStringLiteral("\r\n");
    return t;
}

qint64 headerLineNumber(const QString& boxText) {
    return platform::leadingWholeNumber(boxText);
}

QString checkImportSettings(const ImportSettingsInput& in) {
    if (in.openedFile.isEmpty())
        return QStringLiteral("请先单击打开按钮,打开一个文本文件.");
    if (in.fieldSeparator == in.recordSeparator)
        return QStringLiteral("字段分隔与记录分隔符不允许一样.");
    if (headerLineNumber(in.headerLine) == 0)
        return QStringLiteral("必须要有标题行");
    // An empty separator would never move the split on.
    if (fieldSeparatorFor(in.fieldSeparator).isEmpty())
        return QStringLiteral("字段间的分隔符不能为空.");
    return {};
}

std::vector<ColumnPairing> pairEqualNames(const QStringList& fieldNames, const QStringList& titles) {
    std::vector<ColumnPairing> pairings;
    pairings.reserve(fieldNames.size());
    for (const QString& name : fieldNames) {
        ColumnPairing p;
        p.FieldName = name;
        for (qsizetype c = 0; c < titles.size(); ++c)
            if (titles[c] == name) {
                p.ColumnIndex = c;
                p.ColumnTitle = titles[c];
            }
        pairings.push_back(p);
    }
    return pairings;
}

bool looksLikeUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return true;
    bool nonAscii = false;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    if (!nonAscii)
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);   // decoding happens on conversion
    (void)decoded;
    return !utf8.hasError();
}

QString readImportText(const QString& path) {
    int error = 0;
    const int fd = platform::openPlainFile(path, O_RDONLY, error);
    if (fd < 0)
        throw ImportFileError(QStringLiteral("无法打开文件 %1 : %2.").arg(path, platform::systemErrorReason(error)));
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ImportFileError(QStringLiteral("无法读取文件 %1 : %2.").arg(path, platform::fileErrorReason(file)));
    // Checked on the bytes, before any copy of them is made: one line of many
    // megabytes would take gigabytes to show and to split into fields.
    if (const auto [line, length] = firstLongLine(bytes, kLongestImportLine); line > 0)
        throw ImportFileError(QStringLiteral("文件的第%1行太长(%2个字节,一行最多%3个字节),不是学生名单的一行,不能导入.")
                                  .arg(line).arg(length).arg(kLongestImportLine));
    if (looksLikeUtf8(bytes))
        throw ImportFileError(QStringLiteral("这个文件是UTF-8编码的文本,不能导入.请先在文本编辑器中把它另存为GBK(ANSI)编码的文本文件."));
    try {
        return platform::fromGbk(bytes);
    } catch (const platform::GbkError&) {
        throw ImportFileError(QStringLiteral("这个文件不是GBK编码的文本文件,不能导入."));
    }
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype from = 0;
    for (;;) {
        qsizetype at = from;
        while (at < text.size() && text[at] != u'\r' && text[at] != u'\n')
            ++at;
        lines.append(at > from ? text.mid(from, at - from) : emptyText());
        if (at >= text.size())
            break;
        from = at + ((text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n') ? 2 : 1);
    }
    return lines;
}

QStringList headerTitles(const QString& path, qint64 headerLine, const QString& separator) {
    QStringList lines;
    try {
        lines = splitLines(readImportText(path));
    } catch (const ImportFileError&) {
        return {};
    }
    if (headerLine < 1 || headerLine > lines.size())
        return {};
    QStringList titles = SplitFields(lines[headerLine - 1], separator);
    titles.removeLast();
    return titles;
}

void addCounts(ImportCounts& into, const ImportCounts& part) {
    into.written += part.written;
    into.appended += part.appended;
    into.passedOver += part.passedOver;
    into.refused += part.refused;
    for (const RefusedValue& r : part.firstRefused)
        if (into.firstRefused.size() < size_t(kNamedRefusals))
            into.firstRefused.push_back(r);
}

QString completionMessage(const ImportCounts& counts) {
    QString text = QStringLiteral(
        "数据导入完成! 为了保证数据的完整性,请使用菜单中的 '数据/检查数据完整性' 进行检查.");
    text += QStringLiteral("\r\n\r\n写入已有学生 %1 行,追加新学生 %2 行.").arg(counts.written).arg(counts.appended);
    if (counts.passedOver > 0)
        text += QStringLiteral("\r\n有 %1 行没有全部的校对内容,已跳过.").arg(counts.passedOver);
    if (counts.refused > 0) {
        text += QStringLiteral("\r\n有 %1 个数据不符合字段的要求,没有写入:").arg(counts.refused);
        for (const RefusedValue& r : counts.firstRefused)
            text += QStringLiteral("\r\n   第%1行 %2").arg(r.line).arg(r.field);
        if (counts.refused > qint64(counts.firstRefused.size()))
            text += QStringLiteral("\r\n   ......");
    }
    return text;
}

// ---------------------------------------------------------------------------

TextImportRun::TextImportRun(std::shared_ptr<Database> db, ImportPlan plan, const QString& logPath,
                             qint64 linesConsumed)
    : db_(std::move(db)), plan_(std::move(plan)) {
    lines_ = splitLines(readImportText(plan_.sourceFile));
    table_ = db_->tableDef(table::Scores);
    plan_.pairings.resize(table_.fields.size());
    for (int k = 1; k <= kKeyCount; ++k)
        used_[kFieldOfKey[k]] = plan_.keyColumn[k] >= 0;
    log_ = std::make_unique<platform::WholeFile>(logPath);
    if (!log_->open())
        log_.reset();
    buildLookup();
    consumed_ = 0;
    next_ = 0;
    while (consumed_ < linesConsumed && next_ < lines_.size()) {
        ++next_;
        ++consumed_;
    }
    // Lines past the end still count as read: the next start finds none.
    consumed_ = std::max(consumed_, linesConsumed);
    stored_ = consumed_;
    sinceCommit_.start();
}

TextImportRun::~TextImportRun() {
    try {
        commit();
    } catch (const DbError&) {
    }
    // The new log takes the old one's place only when it was written whole.
    if (log_)
        log_->commit();
}

TextImportRun::Key TextImportRun::keyOf(const std::array<QString, kKeyCount>& values) const {
    // Equal under the engine's text "=" exactly when the weights of the units are.
    Key key;
    for (int f = 0; f < kKeyCount; ++f) {
        if (!used_[f])
            continue;
        const QString& v = values[f];
        for (QChar c : v) {
            const uint32_t w = platform::db::textWeight(c.unicode());
            key.bytes.append(reinterpret_cast<const char*>(&w), sizeof w);
        }
        const uint32_t end = 0xFFFFFFFFu;
        key.bytes.append(reinterpret_cast<const char*>(&end), sizeof end);
    }
    return key;
}

void TextImportRun::buildLookup() {
    lookup_.clear();
    keysOfRow_.clear();
    const auto rows = db_->query(QStringLiteral(
        "SELECT rowid, \"STID\", \"年级\", \"班\", \"姓名\", \"学号\" FROM \"成绩表\" ORDER BY rowid"));
    for (const QVariantList& r : rows) {
        std::array<QString, kKeyCount> values;
        for (int f = 0; f < kKeyCount; ++f)
            values[f] = r[f + 1].isNull() ? QString() : (r[f + 1].toString().isNull() ? emptyText()
                                                                                   : r[f + 1].toString());
        indexRow(r[0].toLongLong(), values);
    }
}

void TextImportRun::indexRow(qint64 rowid, const std::array<QString, kKeyCount>& values) {
    keysOfRow_.insert(rowid, values);
    for (int f = 0; f < kKeyCount; ++f)
        if (used_[f] && values[f].isNull())
            return;   // Null equals nothing
    std::vector<qint64>& bucket = lookup_[keyOf(values)];
    bucket.insert(std::lower_bound(bucket.begin(), bucket.end(), rowid), rowid);
}

void TextImportRun::unindexRow(qint64 rowid) {
    auto it = keysOfRow_.find(rowid);
    if (it == keysOfRow_.end())
        return;
    auto b = lookup_.find(keyOf(*it));
    if (b != lookup_.end()) {
        auto& v = *b;
        v.erase(std::remove(v.begin(), v.end(), rowid), v.end());
        if (v.empty())
            lookup_.erase(b);
    }
    keysOfRow_.erase(it);
}

TextImportRun::Outcome TextImportRun::next() {
    for (;;) {
        matches_.clear();
        conditions_.clear();
        conditionValues_.clear();
        if (next_ >= lines_.size() || lines_[next_].isEmpty())
            return Outcome::End;
        line_ = lines_[next_];
        fields_ = SplitFields(line_, plan_.separator);
        bool anyText = false;
        for (const QString& f : fields_)
            anyText = anyText || !f.isEmpty();
        if (!anyText) {
            pass();
            continue;
        }
        // Every ticked key needs a field of the line: on fewer keys the line
        // could land in another student's row.
        std::array<QString, kKeyCount> keys;
        bool reachesKeys = true;
        QStringList terms;
        for (int k = 1; k <= kKeyCount; ++k) {
            const qint64 c = plan_.keyColumn[k];
            if (c < 0)
                continue;
            if (c >= fields_.size() - 1) {
                reachesKeys = false;
                break;
            }
            keys[kFieldOfKey[k]] = fields_[c];
            terms << QStringLiteral("%1=?").arg(table_.fields[kFieldOfKey[k]].name);
            conditionValues_ << fields_[c];
        }
        if (!reachesKeys) {
            ++counts_.passedOver;
            pass();
            continue;
        }
        conditions_ = terms.join(QStringLiteral(" and "));
        const auto it = lookup_.constFind(keyOf(keys));
        if (it != lookup_.constEnd())
            matches_ = *it;
        // The line is consumed by write, append or pass.
        if (matches_.empty())
            return Outcome::NotFound;
        return matches_.size() == 1 ? Outcome::Single : Outcome::Several;
    }
}

void TextImportRun::writeValues(qint64 rowid, bool newRow) {
    std::vector<int> fieldIdx;
    std::vector<QVariant> values;
    QString logText;
    for (size_t f = 0; f < table_.fields.size(); ++f) {
        const ColumnPairing& p = plan_.pairings[f];
        if (p.ColumnIndex < 0 || p.ColumnIndex >= fields_.size())
            continue;
        const QString& text = fields_[p.ColumnIndex];
        // Logged before it is stored: a refused value shows all the same.
        logText += table_.fields[f].name + QLatin1Char('=') + text + QStringLiteral("\r\n");
        try {
            values.push_back(Database::checkedValue(table_.fields[f], text.isEmpty() ? QVariant() : QVariant(text)));
            fieldIdx.push_back(int(f));
        } catch (const DbError&) {
            ++counts_.refused;
            if (counts_.firstRefused.size() < size_t(kNamedRefusals))
                counts_.firstRefused.push_back({lineNumber(), table_.fields[f].name});
        }
    }
    if (log_ && !logText.isEmpty())
        log_->write(platform::toGbk(logText));
    if (!inTransaction_) {
        db_->begin();
        inTransaction_ = true;
    }
    try {
        if (newRow) {
            rowid = db_->insertChecked(table_, fieldIdx, values);
            ++counts_.appended;
            std::array<QString, kKeyCount> keys;
            for (size_t i = 0; i < fieldIdx.size(); ++i)
                if (fieldIdx[i] < kKeyCount && !values[i].isNull())
                    keys[fieldIdx[i]] = values[i].toString();
            indexRow(rowid, keys);
        } else {
            if (!fieldIdx.empty())
                db_->updateChecked(table_, rowid, fieldIdx, values);
            ++counts_.written;
            std::array<QString, kKeyCount> keys = keysOfRow_.value(rowid);
            bool keyChanged = false;
            for (size_t i = 0; i < fieldIdx.size(); ++i)
                if (fieldIdx[i] < kKeyCount) {
                    const QString v = values[i].isNull() ? QString() : values[i].toString();
                    if (v != keys[fieldIdx[i]] || v.isNull() != keys[fieldIdx[i]].isNull()) {
                        keys[fieldIdx[i]] = v;
                        keyChanged = true;
                    }
                }
            if (keyChanged) {
                unindexRow(rowid);
                indexRow(rowid, keys);
            }
        }
    } catch (const DbError& e) {
        if (e.fileRefusedWrite()) {
            undoUncommitted();
            throw;
        }
        // A row gone since it was found (another window deleted it): nothing written.
    }
    ++next_;
    ++consumed_;
    commitEverySecond();
}

void TextImportRun::write(qint64 rowid) { writeValues(rowid, false); }
void TextImportRun::append() { writeValues(0, true); }

void TextImportRun::pass() {
    ++next_;
    ++consumed_;
}

void TextImportRun::commitEverySecond() {
    if (sinceCommit_.elapsed() >= kCommitEveryMs)
        commit();
}

void TextImportRun::commit() {
    sinceCommit_.restart();
    if (inTransaction_) {
        try {
            db_->commit();
        } catch (const DbError&) {
            undoUncommitted();
            throw;
        }
        inTransaction_ = false;
    }
    stored_ = consumed_;
}

void TextImportRun::undoUncommitted() {
    // The connection may be the windows' own: no transaction stays open on it.
    inTransaction_ = false;
    try {
        db_->rollback();
    } catch (const DbError&) {
    }
}

} // namespace maintenance
