#pragma once
// The texts of the results view, built from its record set and the choices of
// its lists: the query, the one-field listing with its mean, the averages of
// every column, one student's summary and the search queries. Nothing here
// needs a screen; the panel puts the texts into its boxes.

#include <QString>
#include <QStringList>
#include <optional>

namespace platform::db {
class Recordset;
}

namespace results {

inline const QString kAllClasses = QStringLiteral("所有班级");
inline const QString kAllRooms = QStringLiteral("所有考室");
inline const QString kExamNumberKey = QStringLiteral("考号");
inline const QString kLineEnd = QStringLiteral("\r\n");

// The filter of the chosen class, grade level or room, with its leading blank
// (" where 年级='2004' and 班='01'"), or "" for the whole school. The ids are
// quoted, since both lists accept typing.
QString viewFilter(const QString& classText, const QString& roomText);

// The view's query: every key sorts descending but 考号, which orders by room and seat.
QString viewQuery(const QString& table, const QString& classText, const QString& roomText,
                  const QString& key);

// Whether a sort key may go into "order by": a field of the score table, or 考号.
bool isSortKey(const QStringList& tableFields, const QString& key);

// 行距 and 每排 as typed: their leading number, to the nearest whole one.
// Line spacing is held within 0..99 so that a typed 1E9 cannot build
// gigabytes of line ends.
int lineSpacing(const QString& text);
int perLine(const QString& text);

// The texts a listing build writes. A text left empty was not reached: the
// build stops at its first failure and keeps what it wrote before it.
struct ListingTexts {
    std::optional<QString> text2;      // the listing; shown only when complete
    bool text2Shown = false;
    std::optional<QString> lab6a;      // "平均: " and the mean of the key field
    std::optional<QString> text6;      // the averages of every column
    bool failed = false;
};

struct ListingChoice {
    QString classText;   // Combo9
    QString roomText;    // Combo10
    QString key;         // Combo12
    QString spacing;     // Combo13
    QString perLine;     // Combo14
    int subjectCount = 0;
};

// The listing, its mean and the column averages over the rows of an open
// record set; the cursor does not move. An empty set gives nothing.
ListingTexts buildListing(const platform::db::Recordset& rs, const ListingChoice& choice);

// The averages of 总分, 平均分 and every subject into `out.text6`; false when
// it stopped at a column it cannot place (text6 keeps what was written).
bool columnAverages(const platform::db::Recordset& rs, const ListingChoice& choice, ListingTexts& out);

// What a move of the view's cursor shows. A text left empty keeps its old value.
struct StudentTexts {
    std::optional<QString> caption;    // the data control's "position/count"
    std::optional<QString> te61;       // the search box's student line (also its tooltip)
    std::optional<QString> lab6b;      // name and key value
    std::optional<QString> text7;      // the summary
    std::optional<QString> text6;      // emptied for an empty view
};

// The summary of the current row. Off the rows it empties the summary; an
// empty set also empties the averages and says "没有同学". A field the set
// lacks (a typed query) leaves out only its piece.
StudentTexts studentSummary(const platform::db::Recordset& rs, const QString& key, const QString& perLineText);

// Typing select and a space in the search box gives this template (the word
// in the case typed); nullopt when the text is not the word select.
std::optional<QString> selectTemplate(const QString& typed, const QString& table, const QString& classText);

// Whether Enter runs the text as a query of its own (it begins with select).
bool isTypedQuery(const QString& typed);

// The refusal of a typed query that is not one read-only SELECT; nullopt
// when it may run.
std::optional<QString> refusedTypedQuery(const QString& sql);

// The search by exam number (a text beginning with a digit) or name, over the
// whole table; "" for a text of blanks only.
QString searchQuery(const QString& typed, const QString& table);

} // namespace results
