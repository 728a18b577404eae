#pragma once
// Text as the school's files hold it: GBK (code page 936), strictly.
// Inside the program text is QString; these are the only ways in and out.

#include "platform/text/message_error.h"
#include "platform/text/whole_file.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace platform {

// A character GBK cannot hold, found in a text: what a refusal names.
struct NonGbkCharacter {
    QString character;   // one character; a surrogate pair stays one
    char32_t code = 0;   // its Unicode code point
    int line = 1;        // 1-based line of the text (lines end at LF)
    QString lineText;    // that line, without its line end
};

// The first character of `text` GBK cannot hold; none when GBK holds it all.
std::optional<NonGbkCharacter> firstNonGbkCharacter(const QString& text);

// The one message for a text GBK cannot hold, short whatever the text's size:
// where it is, the character and its code, e.g.
// 学生“𠀀一”(20040001)的记录中有GBK编码不能表示的字符“𠀀”(U+20000),不能保存.
// `where` is a place as nonGbkLinePlace or the caller (a student) gives it;
// an empty `character` is left out (a password's), its code still given.
QString nonGbkMessage(const NonGbkCharacter& found, const QString& where);
// The place of a character by its line: 第3行“1 20040001 𠀀一 …” (the line's
// start, shortened), or just the shortened text when it has one line only.
QString nonGbkLinePlace(const NonGbkCharacter& found, bool severalLines);

// A byte sequence that is not GBK, or a character GBK cannot hold.
class GbkError : public MessageError {
public:
    explicit GbkError(const QString& what) : MessageError(what) {}
    // A character GBK cannot hold, placed by `where` (see nonGbkMessage).
    GbkError(const NonGbkCharacter& found, const QString& where)
        : GbkError(nonGbkMessage(found, where)) { found_ = found; }
    // The refused character, when that is the reason.
    const std::optional<NonGbkCharacter>& nonGbk() const { return found_; }
private:
    std::optional<NonGbkCharacter> found_;
};

// A file that could not be read or written.
class FileError : public MessageError {
public:
    explicit FileError(const QString& what) : MessageError(what) {}
};

// Throws GbkError naming the first character GBK cannot hold and its line.
QByteArray toGbk(const QString& text);
// The same with "?" for each character GBK cannot hold, for the logs: a trace
// for the reader, not data, that keeps its line rather than losing it.
QByteArray toGbkReplacing(const QString& text);
QString fromGbk(const QByteArray& bytes);       // throws GbkError
bool canEncodeGbk(const QString& text);
// Bytes written in a Windows code page (936 is GBK, 1252 Western ...), as
// strictly as GBK: a sequence the code page does not define, or a code page
// this machine cannot convert, throws GbkError.
QString fromCodePage(const QByteArray& bytes, int codePage);

QString readGbkFile(const QString& path);       // throws FileError, GbkError
// Writes the whole text, no byte-order mark; the caller's line ends stay as they are.
// Whole or not at all (see whole_file.h): a failure leaves the old file as it was.
void writeGbkFile(const QString& path, const QString& text);    // throws FileError, GbkError
void appendGbkFile(const QString& path, const QString& text);   // throws FileError, GbkError

// The settings record's character code: the GBK value of one character as a
// signed 16-bit number (ASCII gives its byte, "中" gives -10544).
// None for a character GBK cannot hold.
std::optional<int16_t> gbkCharCode(const QString& oneCharacter);
// The inverse: 0..255 is that byte, a negative code the two bytes of code + 65536.
// Codes that name no GBK character give none.
std::optional<QString> characterFromGbkCode(int code);

// Table-driven forms for bulk work (rich-text files): the GBK code of one
// UTF-16 unit (a byte below 0x80, else lead * 256 + trail), 0 when GBK cannot
// hold it; and the character of a two-byte code, none when the pair names none.
uint16_t gbkCodeOf(char16_t c);
std::optional<char16_t> gbkCharOfPair(unsigned char lead, unsigned char trail);

// Display columns of a text: 2 for a double-byte GBK character, 1 otherwise
// (a character GBK cannot hold shows as "?", one column).
int displayWidthOf(const QString& oneCharacter);
int displayWidth(const QString& text);

// Splits a text into characters (a surrogate pair stays one character).
QStringList characters(const QString& text);

} // namespace platform
