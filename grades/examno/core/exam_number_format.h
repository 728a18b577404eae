#pragma once
// The three values the exam-number build writes into 成绩表 (考号, 考室, 座位),
// how an exam number is composed, and the composition example of the panel.
// No screen.

#include <QString>

namespace examno {

// 考室 holds three characters, 座位 two.
inline constexpr int kLastRoom = 999;
inline constexpr int kLastSeat = 99;

// The parts of an exam number, as the composition boxes tick them. The seat is
// always part of it; compact keeps only the last characters of each part.
struct Composition {
    bool grade = false;
    bool cls = false;
    bool room = true;
    bool seat = true;
    bool compact = false;
    bool operator==(const Composition&) const = default;
};

// Room 3 -> "003", room 31 -> "031".
QString RoomCode(int room);
// Seat 7 -> "07".
QString SeatCode(int seat);
// Grade 2004, class 01, room 3, seat 21: all parts "20040100321", room and seat
// "00321", all parts compact "410321".
QString ExamNumberFormat(const Composition& parts, const QString& gradeId, const QString& classId,
                         int room, int seat);
// The length of the numbers a composition gives: 11 for all parts, 6 compact.
int examNumberLength(const Composition& parts);

// The panel's example of a composition: "2002 02 031 21", compact "2 2 31 21".
QString compositionExample(const Composition& parts);

// The stored composition (three "1"/"0": grade, class, room) and back. The
// seat and compact are not stored: reading keeps those of `current`.
QString compositionFlags(const Composition& parts);
Composition compositionFromFlags(const QString& flags, Composition current = {});

} // namespace examno
