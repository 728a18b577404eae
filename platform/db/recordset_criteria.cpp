#include "platform/db/recordset.h"

#include "platform/db/jetsql.h"
#include "platform/db/recordset_parts.h"
#include "platform/db/textorder.h"

#include <QLocale>

namespace platform::db {

namespace {

[[noreturn]] void badCriteria(const QString& text) {
    throw DbError(DbError::BadCriteria, QStringLiteral("查找条件有错: %1").arg(text));
}

} // namespace

// ---------------------------------------------------------------------------
// Criteria: terms "field op value" joined by And (and Or, which binds weaker).

Recordset::Criteria Recordset::parseCriteria(const QString& text) const {
    Criteria c;
    std::vector<Criteria::Term> all;
    const qsizetype n = text.size();
    qsizetype p = 0;
    auto skipBlanks = [&] { while (p < n && text[p].isSpace()) ++p; };
    auto word = [&](const char* w) {
        const QString ws = QString::fromLatin1(w);
        if (text.mid(p, ws.size()).compare(ws, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype e = p + ws.size();
        if (e < n && (text[e].isLetterOrNumber() || text[e] == u'_'))
            return false;
        p = e;
        return true;
    };
    skipBlanks();
    if (p >= n)
        badCriteria(text);
    while (true) {
        Criteria::Term t;
        // field name
        skipBlanks();
        QString name;
        if (p < n && text[p] == u'[') {
            const qsizetype e = text.indexOf(u']', p);
            if (e < 0)
                badCriteria(text);
            name = text.mid(p + 1, e - p - 1);
            p = e + 1;
        } else {
            const qsizetype s = p;
            while (p < n && !text[p].isSpace() && !QStringLiteral("=<>!").contains(text[p]))
                ++p;
            name = text.mid(s, p - s);
        }
        t.field = fieldIndex(recordset_parts::unbracket(name));
        if (t.field < 0)
            throw DbError(DbError::NoSuchField, QStringLiteral("找不到字段: %1").arg(name));
        // operator
        skipBlanks();
        auto two = text.mid(p, 2);
        if (two == QLatin1String("<=")) { t.op = Criteria::Le; p += 2; }
        else if (two == QLatin1String(">=")) { t.op = Criteria::Ge; p += 2; }
        else if (two == QLatin1String("<>") || two == QLatin1String("!=")) { t.op = Criteria::Ne; p += 2; }
        else if (p < n && text[p] == u'=') { t.op = Criteria::Eq; ++p; }
        else if (p < n && text[p] == u'<') { t.op = Criteria::Lt; ++p; }
        else if (p < n && text[p] == u'>') { t.op = Criteria::Gt; ++p; }
        else if (word("like")) { t.op = Criteria::Like; }
        else if (word("is")) {
            skipBlanks();
            t.op = word("not") ? Criteria::NotNull : Criteria::IsNull;
            skipBlanks();
            if (!word("null"))
                badCriteria(text);
        } else {
            badCriteria(text);
        }
        // value
        if (t.op != Criteria::IsNull && t.op != Criteria::NotNull) {
            skipBlanks();
            if (p >= n)
                badCriteria(text);
            const QChar q = text[p];
            if (q == u'\'' || q == u'"' || q == u'#') {
                QString v;
                ++p;
                while (true) {
                    if (p >= n)
                        badCriteria(text);
                    if (text[p] == q) {
                        if (q != u'#' && p + 1 < n && text[p + 1] == q) {
                            v += q;
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    v += text[p++];
                }
                t.literal = v;
            } else if (word("null")) {
                t.literal = QVariant();
            } else {
                const qsizetype s = p;
                while (p < n && !text[p].isSpace())
                    ++p;
                bool ok = false;
                const double d = QLocale::c().toDouble(text.mid(s, p - s), &ok);
                if (!ok)
                    badCriteria(text);
                t.literal = d;
            }
            const Column& col = columns_[t.field];
            if (t.op == Criteria::Like) {
                t.pattern = t.literal.toString();
            } else if (!t.literal.isNull() && col.typed && !recordset_parts::isTextType(col.def.type)) {
                // The value as the field would hold it, so that 85.3 meets a Single 85.3.
                FieldDef loose = col.def;
                loose.required = false;
                loose.allowZeroLength = true;
                try {
                    t.literal = Database::checkedValue(loose, t.literal);
                } catch (const DbError&) {
                    badCriteria(text);
                }
            }
        }
        all.push_back(std::move(t));
        skipBlanks();
        if (p >= n) {
            c.anyOf.push_back(std::move(all));
            break;
        }
        if (word("and"))
            continue;
        if (word("or")) {
            c.anyOf.push_back(std::move(all));
            all.clear();
            continue;
        }
        badCriteria(text);
    }
    return c;
}

bool Recordset::rowMatches(const Row& row, const Criteria& c) const {
    for (const auto& group : c.anyOf) {
        bool ok = true;
        for (const auto& t : group) {
            const QVariant& v = cell(row, t.field);
            bool m;
            switch (t.op) {
            case Criteria::IsNull: m = v.isNull(); break;
            case Criteria::NotNull: m = !v.isNull(); break;
            case Criteria::Like: m = !v.isNull() && jetLike(v.toString(), t.pattern); break;
            default: {
                if (v.isNull() || t.literal.isNull()) {
                    m = false;
                    break;
                }
                int r;
                const Column& col = columns_[t.field];
                if ((col.typed && recordset_parts::isTextType(col.def.type)) || (!col.typed && !recordset_parts::isNumber(v)))
                    r = compareText(v.toString(), t.literal.toString());
                else
                    r = recordset_parts::compareValues(v, t.literal);
                switch (t.op) {
                case Criteria::Eq: m = r == 0; break;
                case Criteria::Ne: m = r != 0; break;
                case Criteria::Lt: m = r < 0; break;
                case Criteria::Gt: m = r > 0; break;
                case Criteria::Le: m = r <= 0; break;
                default: m = r >= 0; break;
                }
            }
            }
            if (!m) {
                ok = false;
                break;
            }
        }
        if (ok)
            return true;
    }
    return false;
}

} // namespace platform::db
