#include "platform/db/typedsql.h"

#include <QStringList>
#include <optional>

namespace platform::db {

namespace {

bool isSqlWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// The words of an SQL text outside quotes and comments, with ";" as a word of
// its own; none when a quote or comment is left open.
std::optional<QStringList> sqlWords(const QString& sql) {
    QStringList words;
    QString word;
    auto flush = [&] {
        if (!word.isEmpty())
            words << word.toLower();
        word.clear();
    };
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == u'\'' || c == u'"' || c == u'[' || c == u'`') {
            flush();
            const QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype j = i + 1;
            for (;; ++j) {
                if (j >= n)
                    return std::nullopt;
                if (sql.at(j) == close) {
                    if (close != u']' && j + 1 < n && sql.at(j + 1) == close) {
                        ++j;      // a doubled quote stands for itself
                        continue;
                    }
                    break;
                }
            }
            words << QStringLiteral("\"\"");   // a literal or a quoted name
            i = j;
        } else if (c == u'-' && i + 1 < n && sql.at(i + 1) == u'-') {
            flush();
            while (i < n && sql.at(i) != u'\n')
                ++i;
        } else if (c == u'/' && i + 1 < n && sql.at(i + 1) == u'*') {
            flush();
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0)
                return std::nullopt;
            i = end + 1;
        } else if (isSqlWordChar(c)) {
            word += c;
        } else {
            flush();
            if (c == u';')
                words << QStringLiteral(";");
        }
    }
    flush();
    return words;
}

} // namespace

bool isReadOnlySelect(const QString& sql) {
    const auto words = sqlWords(sql);
    if (!words || words->isEmpty())
        return false;
    if (words->first() != QLatin1String("select") && words->first() != QLatin1String("with"))
        return false;
    static const QStringList writing = {
        QStringLiteral("into"),   QStringLiteral("insert"), QStringLiteral("update"),
        QStringLiteral("delete"), QStringLiteral("drop"),   QStringLiteral("create"),
        QStringLiteral("alter"),  QStringLiteral("attach"), QStringLiteral("detach"),
        QStringLiteral("pragma"), QStringLiteral("vacuum"), QStringLiteral("reindex"),
    };
    for (qsizetype i = 0; i < words->size(); ++i) {
        const QString& w = words->at(i);
        if (writing.contains(w))
            return false;
        // One ";" may close the statement; nothing may follow it.
        if (w == QLatin1String(";") && i != words->size() - 1)
            return false;
    }
    return true;
}

} // namespace platform::db
