#include "platform/text/gbk.h"

#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <vector>
#include <iconv.h>

namespace platform {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() { if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; false on an invalid or unconvertible sequence.
    bool run(const QByteArray& in, QByteArray& out) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        // A converter is used again: start from its initial state.
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.clear();
        if (in.isEmpty()) return true;
        out.resize(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.constData());
        size_t srcLeft = static_cast<size_t>(in.size());
        char* dst = out.data();
        size_t dstLeft = static_cast<size_t>(out.size());
        while (srcLeft > 0) {
            if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
                if (errno != E2BIG) return false;
                const auto used = dst - out.data();
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = static_cast<size_t>(out.size() - used);
            }
        }
        // Flush any shift state (none for GBK, but be tidy).
        if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1)) return false;
        out.resize(dst - out.data());
        return true;
    }

private:
    iconv_t cd_;
};

// Opening a converter costs more than converting a line: each thread keeps
// one of each direction.
// The GBK code of one UTF-16 unit (a byte below 0x100, else lead * 256 +
// trail), 0 when GBK cannot hold it. Each thread asks the converter once a
// character, the first time it meets it: names repeat, and a conversion a
// text cost more than the text.
uint16_t cachedGbkCode(char16_t c) {
    constexpr uint16_t kUnknown = 0xFFFF;   // no GBK code is this
    thread_local std::vector<uint16_t> codes(0x10000, kUnknown);
    uint16_t& code = codes[c];
    if (code != kUnknown)
        return code;
    code = 0;
    if (c >= 0xD800 && c <= 0xDFFF)
        return code;   // GBK has no character outside the first plane
    thread_local Converter cv("GBK", "UTF-16LE");
    const char in[2] = {char(c & 0xFF), char(c >> 8)};
    QByteArray out;
    if (cv.run(QByteArray(in, 2), out)) {
        if (out.size() == 1)
            code = uint8_t(out[0]);
        else if (out.size() == 2)
            code = uint16_t(uint8_t(out[0]) << 8 | uint8_t(out[1]));
    }
    return code;
}

Converter& fromGbkConverter() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

} // namespace

std::optional<NonGbkCharacter> firstNonGbkCharacter(const QString& text) {
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            ++line;
            lineStart = i + 1;
            continue;
        }
        if (c.unicode() == 0 || gbkCodeOf(c.unicode()) != 0)
            continue;
        NonGbkCharacter found;
        const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        found.character = text.mid(i, pair ? 2 : 1);
        found.code = pair ? QChar::surrogateToUcs4(c, text[i + 1]) : c.unicode();
        found.line = line;
        qsizetype end = text.indexOf(u'\n', i);
        if (end < 0) end = text.size();
        found.lineText = text.mid(lineStart, end - lineStart);
        if (found.lineText.endsWith(u'\r')) found.lineText.chop(1);
        return found;
    }
    return std::nullopt;
}

QString nonGbkMessage(const NonGbkCharacter& found, const QString& where) {
    // A lone half of a surrogate pair cannot be shown; its code says enough.
    // An empty character is one the caller keeps from the screen (a password's).
    const bool showable = !found.character.isEmpty() &&
                          !(found.character.size() == 1 && found.character[0].isSurrogate());
    const QString code = QStringLiteral("U+") + QString::number(uint(found.code), 16).toUpper().rightJustified(4, u'0');
    return (where.isEmpty() ? QStringLiteral("文字") : where) + QStringLiteral("中有GBK编码不能表示的字符") +
           (showable ? QStringLiteral("“") + found.character + QStringLiteral("”") : QString()) +
           QLatin1Char('(') + code +
           QStringLiteral("),不能保存.");
}

QString nonGbkLinePlace(const NonGbkCharacter& found, bool severalLines) {
    // Enough of the line to find it, never the whole of a long one.
    constexpr int kShown = 24;
    QStringList chars = characters(found.lineText.simplified());
    for (QString& c : chars)
        if (c.size() == 1 && c[0].isSurrogate()) c = QStringLiteral("?");
    QString shown = chars.join(QString());
    if (chars.size() > kShown) {
        // Keep the character in view: start a little before it when it is far in.
        const qsizetype at = std::max<qsizetype>(0, chars.indexOf(found.character) - kShown / 2);
        shown = (at > 0 ? QStringLiteral("…") : QString()) + chars.mid(at, kShown).join(QString()) +
                (at + kShown < chars.size() ? QStringLiteral("…") : QString());
    }
    const QString quoted = QStringLiteral("“") + shown + QStringLiteral("”");
    return severalLines ? QStringLiteral("第%1行").arg(found.line) + quoted : QStringLiteral("文字") + quoted;
}

QByteArray toGbk(const QString& text) {
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char* at = out.data();
    bool held = true;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            *at++ = char(c);
            continue;
        }
        const uint16_t code = cachedGbkCode(c);
        if (!code) {
            held = false;
            break;
        }
        if (code > 0xFF)
            *at++ = char(code >> 8);
        *at++ = char(code & 0xFF);
    }
    out.truncate(at - out.constData());
    if (!held) {
        const auto found = firstNonGbkCharacter(text);
        if (!found)
            throw GbkError(QStringLiteral("文字中有GBK编码不能表示的字符,不能保存."));
        const bool severalLines = text.indexOf(u'\n') >= 0 && text.indexOf(u'\n') < text.size() - 1;
        throw GbkError(*found, nonGbkLinePlace(*found, severalLines));
    }
    return out;
}

QString fromGbk(const QByteArray& bytes) {
    QByteArray out;
    if (!fromGbkConverter().run(bytes, out))
        throw GbkError(QStringLiteral("文件内容不是有效的GBK编码"));
    return QString::fromUtf8(out);
}

QString fromCodePage(const QByteArray& bytes, int codePage) {
    const QByteArray name = codePage == 936 ? QByteArray("GBK") : "CP" + QByteArray::number(codePage);
    Converter converter("UTF-8", name.constData());
    if (!converter.valid())
        throw GbkError(QStringLiteral("不认识代码页%1的文字").arg(codePage));
    QByteArray out;
    if (!converter.run(bytes, out))
        throw GbkError(QStringLiteral("文字不是代码页%1的有效编码").arg(codePage));
    return QString::fromUtf8(out);
}

QByteArray toGbkReplacing(const QString& text) {
    // From the codes each thread keeps: a log line with a rare name costs no
    // converter per character.
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const uint16_t code = c < 0x80 ? c : cachedGbkCode(c);
        if (c >= 0x80 && !code) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;   // one character, one "?"
            out += '?';
            continue;
        }
        if (code > 0xFF)
            out += char(code >> 8);
        out += char(code & 0xFF);
    }
    return out;
}

bool canEncodeGbk(const QString& text) {
    QByteArray out;
    return Converter("GBK", "UTF-8").run(text.toUtf8(), out);
}

QString readGbkFile(const QString& path) {
    return fromGbk(readPlainFile(path));
}

void writeGbkFile(const QString& path, const QString& text) {
    writeFileWhole(path, toGbk(text));   // encoded first: a refused text leaves the file alone
}

void appendGbkFile(const QString& path, const QString& text) {
    appendFileWhole(path, toGbk(text));
}

std::optional<int16_t> gbkCharCode(const QString& oneCharacter) {
    QByteArray b;
    if (!Converter("GBK", "UTF-8").run(oneCharacter.toUtf8(), b)) return std::nullopt;
    if (b.size() == 1) return static_cast<int16_t>(static_cast<unsigned char>(b[0]));
    if (b.size() == 2) {
        const int v = static_cast<unsigned char>(b[0]) * 256 + static_cast<unsigned char>(b[1]);
        return static_cast<int16_t>(v - 65536);
    }
    return std::nullopt;
}

std::optional<QString> characterFromGbkCode(int code) {
    QByteArray b;
    if (code >= 0 && code <= 255) {
        b.append(static_cast<char>(code));
    } else if (code < 0 && code >= -32768) {
        const int v = code + 65536;
        b.append(static_cast<char>(v >> 8));
        b.append(static_cast<char>(v & 0xFF));
    } else {
        return std::nullopt;
    }
    QByteArray out;
    if (!Converter("UTF-8", "GBK").run(b, out)) return std::nullopt;
    return QString::fromUtf8(out);
}

namespace {

struct GbkTables {
    std::vector<uint16_t> encode;    // UTF-16 unit -> code
    std::vector<char16_t> decode;    // two-byte code -> UTF-16 unit, 0 = none

    GbkTables() : encode(0x10000, 0), decode(0x10000, 0) {
        Converter cv("GBK", "UTF-16LE");
        QByteArray in(2, '\0'), out;
        for (uint32_t u = 1; u < 0x10000; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF) continue;
            in[0] = char(u & 0xFF);
            in[1] = char(u >> 8);
            if (!cv.run(in, out)) continue;
            if (out.size() == 1) {
                encode[u] = uint8_t(out[0]);
            } else if (out.size() == 2) {
                const uint16_t code = uint16_t(uint8_t(out[0]) << 8 | uint8_t(out[1]));
                encode[u] = code;
                if (!decode[code]) decode[code] = char16_t(u);
            }
        }
    }
};

const GbkTables& gbkTables() {
    static const GbkTables tables;
    return tables;
}

} // namespace

uint16_t gbkCodeOf(char16_t c) { return gbkTables().encode[c]; }

std::optional<char16_t> gbkCharOfPair(unsigned char lead, unsigned char trail) {
    const char16_t c = gbkTables().decode[uint16_t(lead << 8 | trail)];
    if (!c) return std::nullopt;
    return c;
}

int displayWidthOf(const QString& oneCharacter) {
    const auto code = gbkCharCode(oneCharacter);
    return (code && *code < 0) ? 2 : 1;
}

int displayWidth(const QString& text) {
    int n = 0;
    for (const QString& c : characters(text)) n += displayWidthOf(c);
    return n;
}

QStringList characters(const QString& text) {
    QStringList out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out << text.mid(i, 2);
            ++i;
        } else {
            out << QString(text[i]);
        }
    }
    return out;
}

} // namespace platform
