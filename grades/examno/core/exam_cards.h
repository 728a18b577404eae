#pragma once
// The exam-number viewer's queries and the text of the exam-number cards,
// without a screen: the card window inserts the runs these builders give.

#include "common/room_code.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace platform::db {
class Recordset;
}

namespace examno {

inline const QString kAllRooms = QStringLiteral("所有考室");
inline const QString kAllClasses = QStringLiteral("所有班级");

// ---- The viewer ------------------------------------------------------------

// "001考室" ... one per room, then "所有考室", in the viewer's text order.
QStringList viewerRoomItems(int roomCount);
// The class labels sorted in the database's text order, then "所有班级".
QStringList viewerClassItems(QStringList classLabels);

// The viewer's list queries. Typed texts are quoted, so any name finds its row.
QString roomListQuery(const QString& roomCode);
QString allRoomsListQuery();
QString classListQuery(const QString& grade, const QString& cls);
QString allClassesListQuery();
// A search text trimmed of blanks: by exam number when it begins with a digit,
// else by name; empty when there is nothing to search.
QString searchQuery(const QString& typed);

// ---- The card window -------------------------------------------------------

QString cardRoomQuery(const QString& roomCode);
QString cardClassQuery(const QString& grade, const QString& cls);
// Every room's students in one read, ordered by room and seat.
QString cardAllRoomsQuery();

// "1考室" ... "n考室", then "所有考室".
QStringList cardRoomItems(int roomCount);
// The room a label of the card window names: none when it is no "n考室" label.
std::optional<QString> cardRoomOfLabel(const QString& label);

// Rows 33 and 34, read by walking the text: "," starts the next field, fields
// after the fourth are dropped.
QStringList settingFields(const QString& text);

struct CardLayoutSetting {
    bool simple = false;
    bool seatOnly = false;
    QString perLine;      // the text of the per-line box
    QString extraLines;   // the text of the extra-lines box
    bool operator==(const CardLayoutSetting&) const = default;
};
CardLayoutSetting cardLayoutFromRow(const QString& row);
QString cardLayoutRow(const CardLayoutSetting& layout);

struct CardFontSetting {
    QString titleName;
    double titleSize = 0;
    QString numberName;
    double numberSize = 0;
    bool operator==(const CardFontSetting&) const = default;
};
CardFontSetting cardFontsFromRow(const QString& row);
// Sizes in their shortest text: "宋体,10.5,黑体,20".
QString cardFontsRow(const CardFontSetting& fonts);

// ---- The card text ---------------------------------------------------------

// One student as the group's query reads it; a Null value stays invalid.
struct CardStudent {
    QVariant examNumber, seat, name, room, grade, cls;
};
// The students of an open record set, from its first row to its last.
std::vector<CardStudent> readCardStudents(platform::db::Recordset& rs);

enum class CardFont { Title, Number };
struct CardRun {
    QString text;
    CardFont font;
    // The admission card (from 1) whose lines the run holds, printed on one
    // page; 0 for headings, the simple list and the blank lines between.
    int card = 0;
    bool operator==(const CardRun&) const = default;
};

struct CardSettings {
    QString perLine;          // n, read by its leading number
    QString extraLines;       // m
    bool simple = false;
    bool seatOnly = false;
    QString title;            // the exam title as typed
    QString schoolName;
    QString roomLabel;        // the card window's room selector
    QString classLabel;       // its class selector
    QString viewerLabel;      // the viewer's filter, for a group chosen there
    int printSource = 1;
};

// A name of 2 characters gets 2 blanks, of 1 character 4: every name of up to
// three Chinese characters then takes six columns.
QString PaddedName(const QString& name);

// The text of one group: a heading, then the simple list or one card per
// student. Nothing at all for no students, no per-line count, or a print
// started elsewhere than here.
std::vector<CardRun> BuildExamSlipPreview(const std::vector<CardStudent>& students, const CardSettings& s);

// ---- The card window's layout ----------------------------------------------

struct CardRect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const CardRect&) const = default;
};
struct CardPlacement {
    QString name;
    CardRect rect;
};
// A window of 120 twips of frame across and 405 down (caption, no menu bar).
inline constexpr double kCardFrameWidth = 120;
inline constexpr double kCardFrameHeight = 405;
inline constexpr double kCardMinWidth = 6885;
inline constexpr double kCardMinHeight = 5190;
struct CardWindowLayout {
    double clientWidth = 0, clientHeight = 0;   // after the minimum was enforced
    std::vector<CardPlacement> placements;
    const CardRect& at(const QString& name) const;
};
// Where every control goes for a client area of this size, in twips.
CardWindowLayout cardWindowLayout(double clientWidth, double clientHeight);

} // namespace examno
