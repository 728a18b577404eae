#include "grades/examno/core/exam_number_format.h"

namespace examno {

namespace {
// Called for every student of a build: cheaper than QString::arg.
QString padded(int n, int width) {
    QString s = QString::number(n);
    if (s.size() < width)
        s.prepend(QString(width - s.size(), QLatin1Char('0')));
    return s;
}
}

QString RoomCode(int room) { return padded(room, 3); }
QString SeatCode(int seat) { return padded(seat, 2); }

QString ExamNumberFormat(const Composition& parts, const QString& gradeId, const QString& classId,
                         int room, int seat) {
    QString out;
    if (parts.grade)
        out += parts.compact ? gradeId.right(1) : gradeId;
    if (parts.cls)
        out += parts.compact ? classId.right(1) : classId;
    if (parts.room)
        out += parts.compact ? RoomCode(room).right(2) : RoomCode(room);
    if (parts.seat)
        out += SeatCode(seat);
    return out;
}

int examNumberLength(const Composition& parts) {
    int n = 0;
    if (parts.grade)
        n += parts.compact ? 1 : 4;
    if (parts.cls)
        n += parts.compact ? 1 : 2;
    if (parts.room)
        n += parts.compact ? 2 : 3;
    if (parts.seat)
        n += 2;
    return n;
}

QString compositionExample(const Composition& parts) {
    QString out;
    if (parts.grade)
        out += parts.compact ? QStringLiteral("2 ") : QStringLiteral("2002 ");
    if (parts.cls)
        out += parts.compact ? QStringLiteral("2 ") : QStringLiteral("02 ");
    if (parts.room)
        out += parts.compact ? QStringLiteral("31 ") : QStringLiteral("031 ");
    if (parts.seat)
        out += QStringLiteral("21");
    return out;
}

QString compositionFlags(const Composition& parts) {
    auto flag = [](bool on) { return on ? QLatin1Char('1') : QLatin1Char('0'); };
    return QString() + flag(parts.grade) + flag(parts.cls) + flag(parts.room);
}

Composition compositionFromFlags(const QString& flags, Composition current) {
    current.grade = flags.left(1) == QLatin1String("1");
    current.cls = flags.mid(1, 1) == QLatin1String("1");
    current.room = flags.right(1) == QLatin1String("1");
    return current;
}

} // namespace examno
