#pragma once
// Rich-text files as the Chinese desktop's word processors read and write
// them: RTF with GBK text (\ansicpg936, \'hh escapes) and the font names the
// windows use (宋体, not the family that stands in for it here). The document
// model is QTextDocument, so this needs no screen.
//
// A run's properties are read from its QTextCharFormat, falling back to the
// document's default font: font name, size in points, bold, italic,
// underline, strikeout and colour.

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTextCharFormat>

class QIODevice;
class QTextDocument;

namespace platform::richtext {

// The seven properties of one run, resolved against the document's default font.
struct RunStyle {
    QString font;
    double size = 9;     // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    QColor color = Qt::black;
    bool operator==(const RunStyle&) const = default;
};

RunStyle runStyleOf(const QTextCharFormat& format, const QTextDocument& doc);
// A complete format: every property set, so that nothing falls back to a default.
QTextCharFormat charFormatOf(const RunStyle& style);

// The text with one line feed per line break.
QString plainText(const QTextDocument& doc);

QByteArray toRtf(const QTextDocument& doc);
// Replaces the document's content. Reads what it can of damaged or foreign
// RTF: unknown words and destinations are passed over.
void readRtf(const QByteArray& rtf, QTextDocument& doc);
bool looksLikeRtf(const QByteArray& bytes);
// A text file's content: UTF-8 when its bytes are valid UTF-8 and not plain
// ASCII, else GBK (throws GbkError when it is not GBK either).
QString decodePlainText(const QByteArray& bytes);

enum class FileFormat { RichText, PlainText };

// Saves the whole document. The target is written in full and only then put
// in place of an old file: on failure the old file stays and FileError (or
// GbkError for a plain text GBK cannot hold) says why.
void saveDocument(const QTextDocument& doc, const QString& path, FileFormat format = FileFormat::RichText);

// Loads a rich-text or plain-text file, whatever its extension; plain text
// takes `plainFormat`. On failure (FileError, GbkError) the document is left
// as it was.
void loadDocument(QTextDocument& doc, const QString& path, const QTextCharFormat& plainFormat = {});
void loadDocument(QTextDocument& doc, QIODevice& in, const QTextCharFormat& plainFormat = {});
// Replaces the document's content with the bytes of a file.
void setDocumentContent(QTextDocument& doc, const QByteArray& bytes, const QTextCharFormat& plainFormat = {});

} // namespace platform::richtext
