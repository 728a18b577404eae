#include "platform/text/profile.h"

#include "platform/text/gbk.h"

#include <QFile>
#include <QHash>
#include <vector>

namespace platform {

namespace {

bool isLead(char c) { return static_cast<unsigned char>(c) >= 0x81; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

QByteArray trimSpaces(const QByteArray& s) {
    qsizetype from = 0, to = s.size();
    while (from < to && (s[from] == ' ' || s[from] == '\t')) ++from;
    while (to > from && (s[to - 1] == ' ' || s[to - 1] == '\t')) --to;
    return s.mid(from, to - from);
}

// The name as it is compared: ASCII letters in lower case. The two bytes of a
// double-byte character stay as they are (a trail byte may look like a letter).
QByteArray foldedName(const QByteArray& name) {
    QByteArray out = name;
    for (qsizetype i = 0; i < out.size();) {
        if (isLead(out[i]) && i + 1 < out.size()) {
            i += 2;
        } else {
            out[i] = lowerAscii(out[i]);
            ++i;
        }
    }
    return out;
}

} // namespace

// The parsed lines, which Profile::Data holds: a type with linkage, named for
// this file, so that no other file's type of that name can be taken for it.
namespace profile_text {

struct Line {
    QByteArray raw;        // as stored, with its line end
    bool isSection = false;
    bool isKey = false;
    bool blank = true;     // holds nothing but spaces
    QByteArray name;       // section or key name, trimmed and folded
    QByteArray value;      // for a key line: the text after '=', trimmed
};

} // namespace profile_text

namespace {

using profile_text::Line;

Line parsedLine(QByteArray raw) {
    Line l;
    l.raw = std::move(raw);
    qsizetype end = l.raw.size();
    while (end > 0 && (l.raw[end - 1] == '\n' || l.raw[end - 1] == '\r'))
        --end;
    const QByteArray t = trimSpaces(l.raw.left(end));
    l.blank = t.isEmpty();
    if (t.startsWith('[')) {
        l.isSection = true;
        const qsizetype close = t.indexOf(']');
        l.name = foldedName(trimSpaces(close < 0 ? t.mid(1) : t.mid(1, close - 1)));
    } else if (const qsizetype eq = t.indexOf('='); eq >= 0 && !t.startsWith(';')) {
        l.isKey = true;
        l.name = foldedName(trimSpaces(t.left(eq)));
        l.value = trimSpaces(t.mid(eq + 1));
    }
    return l;
}

} // namespace

namespace profile_text {

// A section's lines from its header to the next header; the first group holds
// the lines before any header and is never found by name.
struct Section {
    std::vector<Line> lines;
    QHash<QByteArray, qsizetype> keys;   // folded name -> first line of that key
};

} // namespace profile_text

namespace {

using profile_text::Section;

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

std::optional<QByteArray> encodedName(const QString& name) {
    try {
        return trimSpaces(toGbk(name));
    } catch (const GbkError&) {
        return std::nullopt;
    }
}

} // namespace

struct Profile::Data {
    QString file;
    bool readable = true;
    std::vector<Section> sections;
    QHash<QByteArray, qsizetype> sectionIndex;   // folded name -> first section of that name

    void parse(const QByteArray& bytes) {
        sections.clear();
        sectionIndex.clear();
        sections.emplace_back();
        qsizetype at = 0;
        while (at < bytes.size()) {
            const qsizetype end = bytes.indexOf('\n', at);
            const qsizetype next = end < 0 ? bytes.size() : end + 1;
            Line l = parsedLine(bytes.mid(at, next - at));
            at = next;
            if (l.isSection) {
                if (!sectionIndex.contains(l.name))   // the first of a name wins
                    sectionIndex.insert(l.name, qsizetype(sections.size()));
                sections.emplace_back();
            }
            Section& s = sections.back();
            if (l.isKey && !s.keys.contains(l.name))
                s.keys.insert(l.name, qsizetype(s.lines.size()));
            s.lines.push_back(std::move(l));
        }
    }

    QByteArray bytes() const {
        qsizetype size = 0;
        for (const Section& s : sections)
            for (const Line& l : s.lines)
                size += l.raw.size();
        QByteArray out;
        out.reserve(size);
        for (const Section& s : sections)
            for (const Line& l : s.lines)
                out += l.raw;
        return out;
    }

    Line* lastLine() {
        for (auto s = sections.rbegin(); s != sections.rend(); ++s)
            if (!s->lines.empty())
                return &s->lines.back();
        return nullptr;
    }
};

namespace {

void ended(Line& l) {
    if (!l.raw.endsWith('\n'))
        l.raw += "\r\n";
}

} // namespace

Profile::Profile(const QString& file) : d_(std::make_unique<Data>()) {
    d_->file = file;
    QByteArray bytes;
    // Not readable (also a FIFO or a device in its place): read as empty and never written.
    if (QFile::exists(file)) {
        try {
            bytes = readPlainFile(file);
        } catch (const FileError&) {
            d_->readable = false;
        }
    }
    d_->parse(bytes);
}

Profile::~Profile() = default;

QString Profile::value(const QString& section, const QString& key) const {
    const auto sec = encodedName(section);
    const auto k = encodedName(key);
    if (!sec || !k)
        return {};
    const auto s = d_->sectionIndex.constFind(foldedName(*sec));
    if (s == d_->sectionIndex.cend())
        return {};
    const Section& found = d_->sections[size_t(*s)];
    const auto at = found.keys.constFind(foldedName(*k));
    if (at == found.keys.cend())
        return {};
    QByteArray value = found.lines[size_t(*at)].value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    try {
        return fromGbk(cutOnCharacter(value, kProfileValueBytes));
    } catch (const GbkError&) {
        return {};
    }
}

bool Profile::setValue(const QString& section, const QString& key, const QString& value) {
    if (!d_->readable || value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
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
    const QByteArray folded = foldedName(*k);
    Line entry = parsedLine(*k + '=' + v + "\r\n");
    // A name that does not read back as itself (it starts with "[" or ";", or
    // holds "="): the file is worked out again from its bytes, as a later
    // reading would see it.
    bool reparse = !entry.isKey || entry.name != folded;

    const auto s = d_->sectionIndex.constFind(foldedName(*sec));
    if (s == d_->sectionIndex.cend()) {
        if (Line* last = d_->lastLine())
            ended(*last);
        Line header = parsedLine('[' + *sec + "]\r\n");
        reparse = reparse || !header.isSection || header.name != foldedName(*sec);
        d_->sectionIndex.insert(header.name, qsizetype(d_->sections.size()));
        Section added;
        added.lines.push_back(std::move(header));
        added.keys.insert(entry.name, 1);
        added.lines.push_back(std::move(entry));
        d_->sections.push_back(std::move(added));
    } else {
        Section& found = d_->sections[size_t(*s)];
        if (const auto at = found.keys.constFind(folded); at != found.keys.cend()) {
            found.lines[size_t(*at)] = std::move(entry);
        } else {
            // After the section's last line that holds something, so that a
            // blank line before the next section stays where it is. Only blank
            // lines follow it, so no key moves.
            qsizetype last = 0;
            for (qsizetype i = qsizetype(found.lines.size()) - 1; i > 0; --i)
                if (!found.lines[size_t(i)].blank) {
                    last = i;
                    break;
                }
            ended(found.lines[size_t(last)]);
            found.keys.insert(folded, last + 1);
            found.lines.insert(found.lines.begin() + last + 1, std::move(entry));
        }
    }
    if (reparse)
        d_->parse(d_->bytes());
    return true;
}

bool Profile::save() {
    if (!d_->readable)
        return false;
    try {
        writeFileWhole(d_->file, d_->bytes());
    } catch (const FileError&) {
        return false;
    }
    return true;
}

QString readProfileString(const QString& file, const QString& section, const QString& key) {
    return Profile(file).value(section, key);
}

bool writeProfileString(const QString& file, const QString& section, const QString& key,
                        const QString& value) {
    Profile p(file);
    return p.setValue(section, key, value) && p.save();
}

} // namespace platform
