#include "platform/richtext/rtf.h"

#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"
#include "platform/text/whole_file.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <map>
#include <vector>

namespace platform::richtext {

RunStyle runStyleOf(const QTextCharFormat& f, const QTextDocument& doc) {
    const QFont def = doc.defaultFont();
    RunStyle s;
    const QStringList families = f.fontFamilies().toStringList();
    s.font = !families.isEmpty() && !families.front().isEmpty() ? families.front() : def.family();
    s.size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : def.pointSizeF();
    if (s.size <= 0) s.size = 9;
    s.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : def.bold();
    s.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : def.italic();
    s.underline = f.hasProperty(QTextFormat::TextUnderlineStyle) || f.hasProperty(QTextFormat::FontUnderline)
                      ? f.fontUnderline() : def.underline();
    s.strikeout = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : def.strikeOut();
    const QBrush fg = f.foreground();
    s.color = fg.style() == Qt::NoBrush ? QColor(Qt::black) : fg.color();
    return s;
}

QTextCharFormat charFormatOf(const RunStyle& s) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{s.font});
    f.setFontPointSize(s.size);
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontStrikeOut(s.strikeout);
    f.setForeground(s.color);
    return f;
}

QString plainText(const QTextDocument& doc) {
    QString out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b != doc.begin()) out += u'\n';
        out += b.text();
    }
    out.replace(QChar::LineSeparator, u'\n');
    return out;
}

// ---------------------------------------------------------------- writing

namespace {

bool isAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() >= 0x80) return false;
    return true;
}

void appendHexByte(QByteArray& out, unsigned v) {
    static const char hex[] = "0123456789abcdef";
    out += "\\'";
    out += hex[(v >> 4) & 0xF];
    out += hex[v & 0xF];
}

void appendUnicode(QByteArray& out, char16_t c) {
    out += "\\u";
    out += QByteArray::number(int(int16_t(c)));  // a signed 16-bit number
    out += '?';
}

// Text of a run. In a Chinese font every character GBK holds goes as its
// bytes; what GBK cannot hold, and non-ASCII text in a Latin font, as \uN.
void appendText(QByteArray& out, const QString& text, bool gbk) {
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80) {
            switch (c) {
            case u'\\': out += "\\\\"; break;
            case u'{': out += "\\{"; break;
            case u'}': out += "\\}"; break;
            case u'\t': out += "\\tab "; break;
            case u'\n': out += "\\line "; break;
            default:
                if (c >= 0x20) out += char(c);
            }
            continue;
        }
        if (c == QChar::LineSeparator) { out += "\\line "; continue; }
        if (c == QChar::ObjectReplacementCharacter) continue;
        const uint16_t code = gbk ? gbkCodeOf(c) : 0;
        if (code > 0xFF) {
            appendHexByte(out, code >> 8);
            appendHexByte(out, code & 0xFF);
        } else if (code >= 0x80) {
            appendHexByte(out, code);
        } else {
            appendUnicode(out, c);
        }
    }
}

struct WriteStyle {
    int font = 0;
    int halfPoints = 24;
    bool bold = false, italic = false, underline = false, strikeout = false;
    int color = 0;
};

class RtfWriter {
public:
    explicit RtfWriter(const QTextDocument& doc) : doc_(doc) {}

    QByteArray run() {
        // The default font first: it is \deff0.
        fontIndex(runStyleOf(QTextCharFormat(), doc_).font);
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            if (b.length() <= 1) styleOf(b.charFormatIndex(), b.charFormat());
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                styleOf(frag.charFormatIndex(), frag.charFormat());
            }
        }

        QByteArray out;
        out.reserve(doc_.characterCount() * 3 + 256);
        out += "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl";
        for (qsizetype i = 0; i < fonts_.size(); ++i) {
            const bool chinese = !isAscii(fonts_[i]);
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset" + (chinese ? "134 " : "0 ");
            appendText(out, fonts_[i], chinese);
            out += ";}";
        }
        out += "}\r\n{\\colortbl ;";
        for (QRgb c : colors_)
            out += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c)) + "\\blue" +
                   QByteArray::number(qBlue(c)) + ';';
        out += "}\r\n\\uc1\\pard\\plain ";

        WriteStyle cur;
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            if (b != doc_.begin()) out += "\\par\r\n";
            if (b.length() <= 1) {
                switchTo(out, cur, styles_.value(b.charFormatIndex()));
                continue;
            }
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                const WriteStyle& s = styles_[frag.charFormatIndex()];
                switchTo(out, cur, s);
                appendText(out, frag.text(), chinese_[s.font]);
            }
        }
        out += "}\r\n";
        return out;
    }

private:
    int fontIndex(const QString& name) {
        auto it = fontIndex_.constFind(name);
        if (it != fontIndex_.constEnd()) return *it;
        const int i = int(fonts_.size());
        fonts_.push_back(name);
        chinese_.push_back(!isAscii(name));
        fontIndex_.insert(name, i);
        return i;
    }

    int colorIndex(QRgb rgb) {
        auto it = colorIndex_.constFind(rgb);
        if (it != colorIndex_.constEnd()) return *it;
        colors_.push_back(rgb);
        const int i = int(colors_.size());   // 0 is the automatic colour
        colorIndex_.insert(rgb, i);
        return i;
    }

    void styleOf(int formatIndex, const QTextCharFormat& f) {
        if (styles_.contains(formatIndex)) return;
        const RunStyle r = runStyleOf(f, doc_);
        WriteStyle w;
        w.font = fontIndex(r.font);
        w.halfPoints = qRound(r.size * 2);
        w.bold = r.bold;
        w.italic = r.italic;
        w.underline = r.underline;
        w.strikeout = r.strikeout;
        w.color = colorIndex(r.color.rgb() | 0xFF000000u);
        styles_.insert(formatIndex, w);
    }

    static void switchTo(QByteArray& out, WriteStyle& cur, const WriteStyle& s) {
        const qsizetype before = out.size();
        if (s.font != cur.font) out += "\\f" + QByteArray::number(s.font);
        if (s.halfPoints != cur.halfPoints) out += "\\fs" + QByteArray::number(s.halfPoints);
        if (s.bold != cur.bold) out += s.bold ? "\\b" : "\\b0";
        if (s.italic != cur.italic) out += s.italic ? "\\i" : "\\i0";
        if (s.underline != cur.underline) out += s.underline ? "\\ul" : "\\ulnone";
        if (s.strikeout != cur.strikeout) out += s.strikeout ? "\\strike" : "\\strike0";
        if (s.color != cur.color) out += "\\cf" + QByteArray::number(s.color);
        if (out.size() != before) out += ' ';
        cur = s;
    }

    const QTextDocument& doc_;
    QStringList fonts_;
    std::vector<bool> chinese_;
    QHash<QString, int> fontIndex_;
    std::vector<QRgb> colors_;
    QHash<QRgb, int> colorIndex_;
    QHash<int, WriteStyle> styles_;
};

} // namespace

QByteArray toRtf(const QTextDocument& doc) { return RtfWriter(doc).run(); }

// ---------------------------------------------------------------- reading

namespace {

const char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// The code page of a font's character set; the document's for the default set.
int codePageOfCharset(int charset, int documentCodePage) {
    switch (charset) {
    case 0: case 2: case 77: return 1252;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return documentCodePage;
    }
}

// Damaged bytes become U+FFFD: a foreign file still opens with what it holds.
void decodeInto(QString& out, const QByteArray& bytes, int codePage) {
    if (codePage != 936 && codePage != 1252) {
        // Other desktops' files (a Japanese font name, a Cyrillic text).
        QStringDecoder other(codePage == 932 ? "Shift_JIS" : QByteArray("windows-" + QByteArray::number(codePage)).constData());
        if (other.isValid()) {
            out += other(bytes);
            return;
        }
        codePage = 1252;
    }
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char b = uchar(bytes[i]);
        if (b < 0x80) {
            out += QChar(b);
        } else if (codePage == 1252) {
            out += QChar(b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
        } else if (b >= 0x81 && b <= 0xFE && i + 1 < n) {
            if (auto c = gbkCharOfPair(b, uchar(bytes[i + 1]))) {
                out += QChar(*c);
                ++i;
            } else {
                out += QChar(QChar::ReplacementCharacter);
            }
        } else if (b == 0x80) {
            out += QChar(0x20AC);
        } else {
            out += QChar(QChar::ReplacementCharacter);
        }
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

enum class Dest { Text, Skip, FontTable, ColorTable };

struct State {
    Dest dest = Dest::Text;
    int font = -1;          // -1: the document's default font
    int halfPoints = 24;    // \plain gives 12 pt
    bool bold = false, italic = false, underline = false, strikeout = false;
    int color = 0;
    int uc = 1;             // bytes that stand in for each \uN
    // Text marked double-byte (\dbch) may have its own font, size, bold and
    // italic, given by the associated words after \dbch (as one word
    // processor writes Chinese runs); unset, the run's own apply.
    bool doubleByte = false;
    int dbFont = -2, dbHalfPoints = 0, dbBold = -1, dbItalic = -1;
};

struct FontEntry {
    QByteArray name;
    int charset = -1;
    QString decoded;
};

class RtfReader {
public:
    RtfReader(const QByteArray& in, QTextDocument& doc) : in_(in), doc_(doc), cursor_(&doc) {}

    void run() {
        doc_.clear();
        cursor_ = QTextCursor(&doc_);
        const char* p = in_.constData();
        const char* end = p + in_.size();
        while (p < end) {
            const char c = *p++;
            switch (c) {
            case '{':
                stack_.push_back(st_);
                skipCount_ = 0;
                break;
            case '}':
                if (st_.dest == Dest::FontTable) endFontName();
                if (stack_.empty()) { p = end; break; }   // the closing brace of the file
                if (st_.dest == Dest::Text) takeBytes();
                st_ = stack_.back();
                stack_.pop_back();
                skipCount_ = 0;
                break;
            case '\\':
                p = controlWord(p, end);
                break;
            case '\r':
            case '\n':
                break;
            default:
                textByte(uchar(c));
            }
        }
        flush();
    }

private:
    // ------- text
    bool skipping() {
        if (skipCount_ > 0) { --skipCount_; return true; }
        return false;
    }

    void textByte(unsigned char b) {
        if (skipping()) return;
        switch (st_.dest) {
        case Dest::Text:
            if (bytesStyle_ != styleKey()) {
                takeBytes();
                bytesStyle_ = styleKey();
                bytesCodec_ = codePageOf(effectiveFont());
            }
            bytes_ += char(b);
            break;
        case Dest::FontTable:
            if (b == ';') endFontName();
            else fontName_ += char(b);
            break;
        case Dest::ColorTable:
            if (b == ';') {
                colors_.push_back(colorSet_ ? QColor(red_, green_, blue_) : QColor());
                red_ = green_ = blue_ = 0;
                colorSet_ = false;
            }
            break;
        case Dest::Skip:
            break;
        }
    }

    void unicodeChar(char16_t c) {
        if (st_.dest == Dest::FontTable) { fontUnicode_ += QChar(c); return; }
        if (st_.dest != Dest::Text) return;
        takeBytes();
        appendText(QString(QChar(c)));
    }

    void appendText(const QString& s) {
        const uint64_t key = styleKey();
        if (key != pendingStyle_ && !pending_.isEmpty()) flush();
        pendingStyle_ = key;
        pending_ += s;
    }

    // Decodes the collected bytes: the two bytes of a double-byte character
    // may come as two \'hh or as \'hh and a plain character.
    void takeBytes() {
        if (bytes_.isEmpty()) return;
        QString s;
        decodeInto(s, bytes_, bytesCodec_);
        bytes_.clear();
        if (bytesStyle_ != pendingStyle_ && !pending_.isEmpty()) flush();
        pendingStyle_ = bytesStyle_;
        pending_ += s;
    }

    void flush() {
        if (!bytes_.isEmpty()) takeBytes();
        if (pending_.isEmpty()) return;
        cursor_.insertText(pending_, formatOf(pendingStyle_));
        pending_.clear();
    }

    void paragraph() {
        if (st_.dest != Dest::Text) return;
        takeBytes();
        flush();
        const QTextCharFormat f = formatOf(styleKey());
        if (cursor_.block().length() <= 1) cursor_.setBlockCharFormat(f);
        cursor_.insertBlock(QTextBlockFormat(), f);
    }

    // ------- formats
    int effectiveFont() const { return st_.doubleByte && st_.dbFont != -2 ? st_.dbFont : st_.font; }

    uint64_t styleKey() const {
        const bool db = st_.doubleByte;
        const int half = db && st_.dbHalfPoints > 0 ? st_.dbHalfPoints : st_.halfPoints;
        const bool bold = db && st_.dbBold >= 0 ? st_.dbBold != 0 : st_.bold;
        const bool italic = db && st_.dbItalic >= 0 ? st_.dbItalic != 0 : st_.italic;
        return uint64_t(uint16_t(effectiveFont())) | uint64_t(uint16_t(half)) << 16 |
               uint64_t(uint16_t(st_.color)) << 32 | uint64_t(bold) << 48 | uint64_t(italic) << 49 |
               uint64_t(st_.underline) << 50 | uint64_t(st_.strikeout) << 51;
    }

    QTextCharFormat formatOf(uint64_t key) {
        auto it = formats_.find(key);
        if (it != formats_.end()) return it->second;
        const int font = int16_t(key & 0xFFFF);
        const int half = int(uint16_t(key >> 16));
        const int color = int(uint16_t(key >> 32));
        QTextCharFormat f;
        const QString name = fontName(font);
        if (!name.isEmpty()) f.setFontFamilies(QStringList{name});
        f.setFontPointSize(half > 0 ? half / 2.0 : 12);
        f.setFontWeight(key >> 48 & 1 ? QFont::Bold : QFont::Normal);
        f.setFontItalic(key >> 49 & 1);
        f.setFontUnderline(key >> 50 & 1);
        f.setFontStrikeOut(key >> 51 & 1);
        if (color < int(colors_.size()) && colors_[color].isValid())
            f.setForeground(colors_[color]);
        else
            f.setForeground(QColor(Qt::black));   // the automatic colour
        formats_.emplace(key, f);
        return f;
    }

    QString fontName(int font) {
        auto it = fonts_.find(font < 0 ? defaultFont_ : font);
        return it == fonts_.end() ? QString() : it->second.decoded;
    }

    int codePageOf(int font) const {
        auto it = fonts_.find(font < 0 ? defaultFont_ : font);
        return codePageOfCharset(it == fonts_.end() ? -1 : it->second.charset, codePage_);
    }

    void endFontName() {
        if (fontNumber_ < 0) return;
        FontEntry& e = fonts_[fontNumber_];
        QString name = fontUnicode_;
        if (name.isEmpty()) decodeInto(name, fontName_, codePageOfCharset(e.charset, codePage_));
        e.decoded = name.trimmed();
        fontName_.clear();
        fontUnicode_.clear();
        fontNumber_ = -1;
    }

    // ------- control words
    const char* controlWord(const char* p, const char* end) {
        if (p >= end) return p;
        const char c = *p;
        if (!std::isalpha(uchar(c))) {
            ++p;
            switch (c) {
            case '\'': {
                if (end - p < 2) return end;
                const int hi = hexValue(p[0]), lo = hexValue(p[1]);
                p += 2;
                if (hi >= 0 && lo >= 0) textByte(uchar(hi << 4 | lo));
                else skipping();
                return p;
            }
            case '\\': case '{': case '}': textByte(uchar(c)); return p;
            case '*': if (!skipping()) st_.dest = Dest::Skip; return p;
            case '~': if (!skipping()) symbol(u'\u00A0'); return p;
            case '_': if (!skipping()) symbol(u'-'); return p;
            case '\r': case '\n': if (!skipping()) paragraph(); return p;
            default: skipping(); return p;   // \- \| \: and the like
            }
        }
        const char* w = p;
        while (p < end && std::isalpha(uchar(*p))) ++p;
        const QByteArrayView word(w, p - w);
        bool hasParam = false;
        int param = 0;
        if (p < end && (*p == '-' || std::isdigit(uchar(*p)))) {
            const bool neg = *p == '-';
            if (neg) ++p;
            long v = 0;
            while (p < end && std::isdigit(uchar(*p))) {
                if (v < 100000000) v = v * 10 + (*p - '0');
                ++p;
            }
            param = int(neg ? -v : v);
            hasParam = true;
        }
        if (p < end && *p == ' ') ++p;
        if (word == "bin") {   // raw binary data: not text, not to be parsed
            p += std::min<long>(std::max(param, 0), end - p);
            return p;
        }
        if (word == "u") {
            const char16_t ch = char16_t(param < 0 ? param + 65536 : param);
            if (skipCount_ > 0) --skipCount_;
            unicodeChar(ch);
            skipCount_ = st_.uc;
            return p;
        }
        if (skipping()) return p;
        apply(word, hasParam, param);
        return p;
    }

    void symbol(char16_t c) {
        if (st_.dest != Dest::Text) return;
        takeBytes();
        appendText(QString(QChar(c)));
    }

    void apply(QByteArrayView w, bool hasParam, int param) {
        const bool on = !hasParam || param != 0;
        if (st_.dest == Dest::Skip) return;
        if (st_.dest == Dest::ColorTable) {
            if (w == "red") { red_ = param; colorSet_ = true; }
            else if (w == "green") { green_ = param; colorSet_ = true; }
            else if (w == "blue") { blue_ = param; colorSet_ = true; }
            return;
        }
        if (st_.dest == Dest::FontTable) {
            if (w == "f") { endFontName(); fontNumber_ = param; fonts_[param]; }
            else if (w == "fcharset" && fontNumber_ >= 0) fonts_[fontNumber_].charset = param;
            else if (w == "falt" || w == "panose" || w == "fname") st_.dest = Dest::Skip;
            return;
        }
        // Destinations whose content is not part of the text.
        static const char* const skipped[] = {
            "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer", "footerl",
            "footerr", "footerf", "footnote", "object", "nonshppict", "pn", "xe", "tc", "template",
            "fldinst", "datafield", "shp", "shpinst", "listtable", "listoverridetable", "revtbl",
            "rsidtbl", "generator", "themedata", "colorschememapping", "latentstyles", "datastore",
            "filetbl", "private", "bkmkstart", "bkmkend", "annotation", "atnid", "atnauthor", "userprops"};
        for (const char* s : skipped)
            if (w == s) { takeBytes(); st_.dest = Dest::Skip; return; }

        if (w == "fonttbl") { st_.dest = Dest::FontTable; fontNumber_ = -1; }
        else if (w == "colortbl") { st_.dest = Dest::ColorTable; }
        else if (w == "par" || w == "line" || w == "row") paragraph();
        else if (w == "tab" || w == "cell") symbol(u'\t');
        else if (w == "emdash") symbol(u'\u2014');
        else if (w == "endash") symbol(u'\u2013');
        else if (w == "bullet") symbol(u'\u2022');
        else if (w == "lquote") symbol(u'\u2018');
        else if (w == "rquote") symbol(u'\u2019');
        else if (w == "ldblquote") symbol(u'\u201C');
        else if (w == "rdblquote") symbol(u'\u201D');
        else if (w == "emspace" || w == "enspace" || w == "qmspace") symbol(u' ');
        else if (w == "plain") {
            st_.font = -1; st_.halfPoints = 24;
            st_.bold = st_.italic = st_.underline = st_.strikeout = false;
            st_.color = 0;
            st_.dbFont = -2; st_.dbHalfPoints = 0; st_.dbBold = st_.dbItalic = -1;
        }
        else if (w == "dbch") st_.doubleByte = true;
        else if (w == "loch" || w == "hich" || w == "rtlch" || w == "ltrch") st_.doubleByte = false;
        else if (w == "af") { if (st_.doubleByte) st_.dbFont = param; }
        else if (w == "afs") { if (st_.doubleByte && param > 0) st_.dbHalfPoints = param; }
        else if (w == "ab") { if (st_.doubleByte) st_.dbBold = on; }
        else if (w == "ai") { if (st_.doubleByte) st_.dbItalic = on; }
        // A run's own property overrides an earlier double-byte one.
        else if (w == "f") { st_.font = param; st_.dbFont = -2; }
        else if (w == "fs") { st_.halfPoints = hasParam && param > 0 ? param : 24; st_.dbHalfPoints = 0; }
        else if (w == "b") { st_.bold = on; st_.dbBold = -1; }
        else if (w == "i") { st_.italic = on; st_.dbItalic = -1; }
        else if (w == "ulnone") st_.underline = false;
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulth" || w == "uldash" ||
                 w == "uldashd" || w == "uldashdd" || w == "ulwave" || w == "ulhwave" || w == "ulldash" ||
                 w == "ulthd" || w == "ulthdash" || w == "ulthdashd" || w == "ulthdashdd" || w == "ulthldash" ||
                 w == "ululdbwave")
            st_.underline = on;
        else if (w == "strike" || w == "striked") st_.strikeout = on;
        else if (w == "cf") st_.color = std::max(param, 0);
        else if (w == "uc") st_.uc = std::max(param, 0);
        else if (w == "deff") defaultFont_ = param;
        else if (w == "ansicpg") codePage_ = param;
    }

    const QByteArray& in_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    State st_;
    std::vector<State> stack_;
    int skipCount_ = 0;

    std::map<int, FontEntry> fonts_;
    int fontNumber_ = -1;
    QByteArray fontName_;
    QString fontUnicode_;
    int defaultFont_ = 0;
    int codePage_ = 1252;

    std::vector<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;

    QByteArray bytes_;
    uint64_t bytesStyle_ = ~uint64_t(0);
    int bytesCodec_ = 936;
    QString pending_;
    uint64_t pendingStyle_ = ~uint64_t(0);
    std::map<uint64_t, QTextCharFormat> formats_;
};

} // namespace

void readRtf(const QByteArray& rtf, QTextDocument& doc) {
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    RtfReader(rtf, doc).run();
    doc.setUndoRedoEnabled(undo);
}

bool looksLikeRtf(const QByteArray& bytes) { return bytes.startsWith("{\\rtf"); }

QString decodePlainText(const QByteArray& bytes) {
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(b.mid(3));
    bool ascii = true;
    for (char c : b)
        if (uchar(c) >= 0x80) { ascii = false; break; }
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString s = utf8(b);
        if (!utf8.hasError()) return s;
    }
    return fromGbk(b);
}

void setDocumentContent(QTextDocument& doc, const QByteArray& bytes, const QTextCharFormat& plainFormat) {
    if (looksLikeRtf(bytes)) {
        readRtf(bytes, doc);
        return;
    }
    QString text = decodePlainText(bytes);   // may throw: the document is not touched yet
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    QTextCursor c(&doc);
    c.setBlockCharFormat(plainFormat);
    c.insertText(text, plainFormat);
    doc.setUndoRedoEnabled(undo);
}

void loadDocument(QTextDocument& doc, QIODevice& in, const QTextCharFormat& plainFormat) {
    if (!in.isOpen() && !in.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("不能打开文件: ") + fileErrorReason(in));
    QByteArray bytes;
    for (;;) {
        char buf[65536];
        const qint64 n = in.read(buf, sizeof buf);
        if (n < 0) throw FileError(QStringLiteral("不能读取文件: ") + fileErrorReason(in));
        if (n == 0) break;
        bytes.append(buf, n);
    }
    setDocumentContent(doc, bytes, plainFormat);
}

void loadDocument(QTextDocument& doc, const QString& path, const QTextCharFormat& plainFormat) {
    int error = 0;
    const int fd = openPlainFile(path, O_RDONLY, error);
    if (fd < 0)
        throw FileError(cannotOpenFileText(QFileInfo(path).fileName(), error));
    QFile f;
    f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    try {
        loadDocument(doc, static_cast<QIODevice&>(f), plainFormat);
    } catch (const FileError&) {
        throw FileError(QStringLiteral("不能读取文件 ") + QFileInfo(path).fileName() + QStringLiteral(": ") +
                        fileErrorReason(f));
    }
}

namespace {

QByteArray plainTextBytes(const QTextDocument& doc) {
    const QString text = plainText(doc);
    QByteArray out;
    out.reserve(text.size() * 2);
    int line = 1;
    for (QChar c : text) {
        if (c == u'\n') { out += "\r\n"; ++line; continue; }
        const uint16_t code = gbkCodeOf(c.unicode());
        if (code == 0) {
            NonGbkCharacter found{QString(c), c.unicode(), line, {}};
            if (const auto first = firstNonGbkCharacter(text)) found = *first;
            throw GbkError(found, nonGbkLinePlace(found, text.contains(u'\n')));
        }
        if (code > 0xFF) out += char(code >> 8);
        out += char(code & 0xFF);
    }
    return out;
}

} // namespace

void saveDocument(const QTextDocument& doc, const QString& path, FileFormat format) {
    // Built before the file is touched: a text GBK cannot hold leaves it alone.
    const QByteArray bytes = format == FileFormat::RichText ? toRtf(doc) : plainTextBytes(doc);
    WholeFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit())
        throw FileError(QStringLiteral("不能保存文件 ") + QFileInfo(path).fileName() + QStringLiteral(": ") +
                        file.reason());
}

} // namespace platform::richtext
