#include "platform/text/profile.h"

#include "platform/text/gbk.h"

#include <QFile>
#include <QSaveFile>
#include <vector>

namespace platform {

namespace {

bool isLead(char c) { return static_cast<unsigned char>(c) >= 0x81; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// ASCII letters match without case; the two bytes of a double-byte
// character must match exactly (a trail byte may look like a letter).
bool sameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size();) {
        if (isLead(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            i += 2;
        } else {
            if (lowerAscii(a[i]) != lowerAscii(b[i]))
                return false;
            ++i;
        }
    }
    return true;
}

QByteArray trimSpaces(const QByteArray& s) {
    qsizetype from = 0, to = s.size();
    while (from < to && (s[from] == ' ' || s[from] == '\t')) ++from;
    while (to > from && (s[to - 1] == ' ' || s[to - 1] == '\t')) --to;
    return s.mid(from, to - from);
}

struct Line {
    QByteArray raw;        // as stored, with its line end
    QByteArray content;    // without the line end
    bool isSection = false;
    QByteArray name;       // section or key name, trimmed
    QByteArray value;      // for a key line: the text after '=', trimmed
    bool isKey = false;
};

std::vector<Line> splitLines(const QByteArray& bytes) {
    std::vector<Line> lines;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', at);
        Line l;
        if (end < 0) {
            l.raw = bytes.mid(at);
            at = bytes.size();
        } else {
            l.raw = bytes.mid(at, end - at + 1);
            at = end + 1;
        }
        l.content = l.raw;
        while (!l.content.isEmpty() && (l.content.back() == '\n' || l.content.back() == '\r'))
            l.content.chop(1);
        const QByteArray t = trimSpaces(l.content);
        if (t.startsWith('[')) {
            l.isSection = true;
            const qsizetype close = t.indexOf(']');
            l.name = trimSpaces(close < 0 ? t.mid(1) : t.mid(1, close - 1));
        } else if (const qsizetype eq = t.indexOf('='); eq >= 0 && !t.startsWith(';')) {
            l.isKey = true;
            l.name = trimSpaces(t.left(eq));
            l.value = trimSpaces(t.mid(eq + 1));
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

// Where a section starts and ends in the lines: [header, end) with end the next
// section's header or the end of the file. header == -1 when absent.
struct SectionSpan { qsizetype header = -1; qsizetype end = -1; };

SectionSpan findSection(const std::vector<Line>& lines, const QByteArray& section) {
    SectionSpan s;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].isSection)
            continue;
        if (s.header >= 0) {
            s.end = qsizetype(i);
            return s;
        }
        if (sameName(lines[i].name, section))
            s.header = qsizetype(i);
    }
    if (s.header >= 0)
        s.end = qsizetype(lines.size());
    return s;
}

qsizetype findKey(const std::vector<Line>& lines, const SectionSpan& s, const QByteArray& key) {
    for (qsizetype i = s.header + 1; i < s.end; ++i)
        if (lines[size_t(i)].isKey && sameName(lines[size_t(i)].name, key))
            return i;
    return -1;
}

QByteArray cutOnCharacter(const QByteArray& s, int maxBytes) {
    qsizetype at = 0;
    while (at < s.size()) {
        const qsizetype step = (isLead(s[at]) && at + 1 < s.size()) ? 2 : 1;
        if (at + step > maxBytes)
            break;
        at += step;
    }
    return s.left(at);
}

Line rawLine(const QByteArray& raw) {
    Line l;
    l.raw = raw;
    return l;
}

std::optional<QByteArray> encodedName(const QString& name) {
    try {
        return trimSpaces(toGbk(name));
    } catch (const GbkError&) {
        return std::nullopt;
    }
}

} // namespace

QString readProfileString(const QString& file, const QString& section, const QString& key) {
    const auto sec = encodedName(section);
    const auto k = encodedName(key);
    if (!sec || !k)
        return {};
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const std::vector<Line> lines = splitLines(f.readAll());
    const SectionSpan span = findSection(lines, *sec);
    if (span.header < 0)
        return {};
    const qsizetype at = findKey(lines, span, *k);
    if (at < 0)
        return {};
    QByteArray value = lines[size_t(at)].value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    try {
        return fromGbk(cutOnCharacter(value, kProfileValueBytes));
    } catch (const GbkError&) {
        return {};
    }
}

bool writeProfileString(const QString& file, const QString& section, const QString& key,
                        const QString& value) {
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return false;
    const auto sec = encodedName(section);
    const auto k = encodedName(key);
    if (!sec || !k || sec->isEmpty() || k->isEmpty())
        return false;
    QByteArray v;
    try {
        v = toGbk(value);
    } catch (const GbkError&) {
        return false;
    }

    QByteArray old;
    {
        QFile f(file);
        if (f.exists()) {
            if (!f.open(QIODevice::ReadOnly))
                return false;
            old = f.readAll();
        }
    }
    std::vector<Line> lines = splitLines(old);
    const QByteArray entry = *k + '=' + v + "\r\n";
    auto ended = [](Line& l) {
        if (!l.raw.endsWith('\n'))
            l.raw += "\r\n";
    };

    const SectionSpan span = findSection(lines, *sec);
    if (span.header < 0) {
        if (!lines.empty())
            ended(lines.back());
        lines.push_back(rawLine('[' + *sec + "]\r\n"));
        lines.push_back(rawLine(entry));
    } else if (const qsizetype at = findKey(lines, span, *k); at >= 0) {
        lines[size_t(at)].raw = entry;
    } else {
        // After the section's last line that holds something, so that a blank
        // line before the next section stays where it is.
        qsizetype last = span.header;
        for (qsizetype i = span.header + 1; i < span.end; ++i)
            if (!trimSpaces(lines[size_t(i)].content).isEmpty())
                last = i;
        ended(lines[size_t(last)]);
        lines.insert(lines.begin() + last + 1, rawLine(entry));
    }

    QByteArray out;
    out.reserve(old.size() + entry.size() + sec->size() + 4);
    for (const Line& l : lines)
        out += l.raw;
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size())
        return false;
    return f.commit();
}

} // namespace platform
