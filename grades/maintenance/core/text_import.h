#pragma once
// Importing students and marks from a delimited GBK text file into 成绩表:
// the splitting rule, the page-1 checks, the pairing of columns with fields,
// and the run that finds each line's student and writes the paired values.
// Nothing here needs a screen; Form14 drives it.

#include "platform/db/database.h"
#include "platform/text/whole_file.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <stdexcept>
#include <vector>


namespace maintenance {

// The fields of a line: elements 0..k-1 and one empty element after them; a
// single empty element when the line holds no non-empty field. An empty
// separator gives the single empty element (it would never advance).
QStringList SplitFields(const QString& line, const QString& separator);

// The separator that the field-separator box's (trimmed) text stands for.
QString fieldSeparatorFor(const QString& boxText);

// The page-1 boxes as ApplyImportSettings checks them.
struct ImportSettingsInput {
    QString openedFile;        // Label2: empty while no file is open
    QString fieldSeparator;    // Combo2's text
    QString recordSeparator;   // Combo3's text
    QString headerLine;        // Combo1's text
};
inline const QString kSettingsRefusedTitle = QStringLiteral("无法进行下一步工作");
// The message that refuses the settings, or "" when they are accepted.
QString checkImportSettings(const ImportSettingsInput& in);
// Combo1's header line number: its leading number to the nearest whole number.
qint64 headerLineNumber(const QString& boxText);

struct ColumnPairing {
    QString ColumnTitle;        // empty when the field is not paired
    qint64 ColumnIndex = -1;    // 0-based column of a line, -1 when not paired
    QString FieldName;
};
// One unpaired entry per field, then every title equal to its field's name
// (exactly) pairs it; of several equal titles the last wins.
std::vector<ColumnPairing> pairEqualNames(const QStringList& fieldNames, const QStringList& titles);

// A file the import cannot take: its message says why, for the user.
class ImportFileError : public std::runtime_error {
public:
    explicit ImportFileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }
private:
    QString message_;
};
// True for bytes that are UTF-8 rather than GBK: a byte-order mark, or valid
// UTF-8 holding non-ASCII characters (much UTF-8 Chinese also decodes as GBK,
// into other characters).
bool looksLikeUtf8(const QByteArray& bytes);
// A line holding every field of 成绩表 at its longest is well under this; a
// longer one is no roster, and splitting it could take gigabytes.
inline constexpr qsizetype kLongestImportLine = 1 << 20;   // bytes
// The whole file as strict GBK text; ImportFileError when it cannot be read,
// has a line longer than kLongestImportLine (the message names it), is UTF-8
// or is not GBK.
QString readImportText(const QString& path);
// The lines of a text: ended by CR LF, LF or CR; a text ending in a line end
// gives an empty last line, as a reader standing at the end would see none.
QStringList splitLines(const QString& text);

// The header's titles in column order (the trailing empty element excluded);
// empty when the file cannot be read or has fewer lines.
QStringList headerTitles(const QString& path, qint64 headerLine, const QString& separator);

enum class NotFoundPolicy { Append = 0, Ask = 1, Skip = 2 };

// The match keys by field position of 成绩表: STID, 年级, 班, 姓名, 学号.
inline constexpr int kKeyCount = 5;

struct ImportPlan {
    QString sourceFile;
    QString separator;
    std::vector<ColumnPairing> pairings;   // one per field of 成绩表, in field order
    // Column of each key, in the order 年级, 班, 姓名, 学号, STID (index 1..5); -1 = unused.
    std::array<qint64, 6> keyColumn{-1, -1, -1, -1, -1, -1};
};

// A value a field refused, for the completion message.
struct RefusedValue {
    qint64 line = 0;
    QString field;
};

struct ImportCounts {
    qint64 written = 0;      // lines written to a row that was there
    qint64 appended = 0;     // lines written to a new row
    qint64 passedOver = 0;   // lines that do not reach every key column
    qint64 refused = 0;      // values a field refused
    std::vector<RefusedValue> firstRefused;   // the first few
};

// Adds the counts of a resumed part of a run to those before it.
void addCounts(ImportCounts& into, const ImportCounts& part);

// The completion message: the old text and what the run did.
QString completionMessage(const ImportCounts& counts);

// One run of the import from a given line on: it opens the file and the log
// at construction, then takes line by line. Work is written in one
// transaction committed at commit(), at least every second, and when the run
// goes; nothing is ever rolled back here.
class TextImportRun {
public:
    enum class Outcome {
        Handled,    // the line was written, passed over or had nothing in it
        Single,     // one row matches: write(matches()[0])
        Several,    // several rows match: a pick, then write()
        NotFound,   // no row matches: append(), write() a picked row, or pass()
        End,        // end of the file or the first empty line
    };

    // Reads the whole file (ImportFileError), starts the new log (a log that cannot
    // be made leaves the run without one, and the old one as it was), builds the lookup of the key fields and
    // skips `linesConsumed` lines.
    TextImportRun(std::shared_ptr<platform::db::Database> db, ImportPlan plan, const QString& logPath,
                  qint64 linesConsumed);
    ~TextImportRun();
    TextImportRun(const TextImportRun&) = delete;
    TextImportRun& operator=(const TextImportRun&) = delete;

    // Reads the next line and finds its rows. A line without any non-empty field,
    // or one that does not reach every key column, is consumed here (Handled).
    Outcome next();
    // The line found by next(): its number (1-based), text, fields and matching rows
    // in stored order.
    qint64 lineNumber() const { return consumed_ + 1; }
    QString lineText() const { return line_; }
    const std::vector<qint64>& matches() const { return matches_; }
    // The key conditions of the line, for showing its rows: "年级=? and 姓名=?" and values.
    QString conditions() const { return conditions_; }
    QVariantList conditionValues() const { return conditionValues_; }

    void write(qint64 rowid);   // writes the paired values to this row; consumes the line
    void append();              // writes them to a new row; consumes the line
    void pass();                // consumes the line unwritten

    qint64 linesConsumed() const { return consumed_; }
    // The lines consumed when the last commit went through. A write or commit
    // the file refuses (DbError) undoes the work since then: the file holds
    // the work of these lines and of none after them.
    qint64 linesStored() const { return stored_; }
    const ImportCounts& counts() const { return counts_; }
    void commit();

private:
    struct Key {
        QByteArray bytes;
        bool operator==(const Key& o) const { return bytes == o.bytes; }
    };
    friend size_t qHash(const Key& k, size_t seed) { return qHash(k.bytes, seed); }
    Key keyOf(const std::array<QString, kKeyCount>& values) const;
    void buildLookup();
    void indexRow(qint64 rowid, const std::array<QString, kKeyCount>& values);
    void unindexRow(qint64 rowid);
    void writeValues(qint64 rowid, bool newRow);
    void commitEverySecond();
    void undoUncommitted();

    std::shared_ptr<platform::db::Database> db_;
    ImportPlan plan_;
    platform::db::TableDef table_;
    std::unique_ptr<platform::WholeFile> log_;   // the new log, in place at the end
    QStringList lines_;
    qint64 next_ = 0;        // index into lines_ of the next line to read
    qint64 consumed_ = 0;
    qint64 stored_ = 0;
    QString line_;
    QStringList fields_;
    std::vector<qint64> matches_;
    QString conditions_;
    QVariantList conditionValues_;
    std::array<bool, kKeyCount> used_{};            // by field position
    QHash<Key, std::vector<qint64>> lookup_;
    QHash<qint64, std::array<QString, kKeyCount>> keysOfRow_;
    ImportCounts counts_;
    bool inTransaction_ = false;
    QElapsedTimer sinceCommit_;
};

} // namespace maintenance
