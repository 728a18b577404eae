#pragma once
// Text as the school's files hold it: GBK (code page 936), strictly.
// Inside the program text is QString; these are the only ways in and out.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>

namespace platform {

// A byte sequence that is not GBK, or a character GBK cannot hold.
class GbkError : public std::runtime_error {
public:
    explicit GbkError(const QString& what) : std::runtime_error(what.toStdString()), text_(what) {}
    QString text() const { return text_; }
private:
    QString text_;
};

// A file that could not be read or written.
class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& what) : std::runtime_error(what.toStdString()), text_(what) {}
    QString text() const { return text_; }
private:
    QString text_;
};

QByteArray toGbk(const QString& text);          // throws GbkError
QString fromGbk(const QByteArray& bytes);       // throws GbkError
bool canEncodeGbk(const QString& text);
// Bytes written in a Windows code page (936 is GBK, 1252 Western ...), as
// strictly as GBK: a sequence the code page does not define, or a code page
// this machine cannot convert, throws GbkError.
QString fromCodePage(const QByteArray& bytes, int codePage);

QString readGbkFile(const QString& path);       // throws FileError, GbkError
// Writes the whole text, no byte-order mark; the caller's line ends stay as they are.
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
