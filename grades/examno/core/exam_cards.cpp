#include "grades/examno/core/exam_cards.h"

#include "grades/examno/core/exam_number_format.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"

#include <algorithm>
#include <stdexcept>

namespace examno {

using platform::db::quoteText;

namespace {

const QString kColumns = QStringLiteral("select 考号,座位,姓名,考室,学号,年级,班 from 成绩表");

// Sorted as the selector sorts its items: the all-item, which begins with a
// Chinese character, comes after every label that begins with a digit.
QStringList sorted(QStringList items, const QString& all) {
    items << all;
    std::stable_sort(items.begin(), items.end(),
                     [](const QString& a, const QString& b) { return platform::db::compareText(a, b) < 0; });
    return items;
}

// A blank and the number for a value that is not negative: " 3", " 12".
QString cardNumber(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return {};
    return platform::NumberText(platform::leadingNumber(v.toString()), platform::Precision::Single);
}

QString textOf(const QVariant& v) { return v.isNull() ? QString() : v.toString(); }

} // namespace

QStringList viewerRoomItems(int roomCount) {
    QStringList items;
    for (int n = 1; n <= roomCount; ++n)
        items << RoomCode(n) + QStringLiteral("考室");
    return sorted(items, kAllRooms);
}

QStringList viewerClassItems(QStringList classLabels) {
    return sorted(std::move(classLabels), kAllClasses);
}

QString roomListQuery(const QString& roomCode) {
    return kColumns + QStringLiteral(" where 考室 = ") + quoteText(roomCode);
}
QString allRoomsListQuery() { return kColumns + QStringLiteral(" order by 考室,座位 asc"); }
QString classListQuery(const QString& grade, const QString& cls) {
    return kColumns + QStringLiteral(" where 年级=") + quoteText(grade) + QStringLiteral(" and 班=") + quoteText(cls);
}
QString allClassesListQuery() { return kColumns + QStringLiteral(" order by 年级,班 asc"); }

QString searchQuery(const QString& typed) {
    const QString text = platform::trimBlanks(typed);
    if (text.isEmpty())
        return {};
    const bool byNumber = text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
    return kColumns + (byNumber ? QStringLiteral(" where 考号 = ") : QStringLiteral(" where 姓名 = ")) +
           quoteText(text);
}

QString cardRoomQuery(const QString& roomCode) {
    return kColumns + QStringLiteral(" where 考室 = ") + quoteText(roomCode) + QStringLiteral(" order by 座位 asc");
}
QString cardClassQuery(const QString& grade, const QString& cls) {
    return kColumns + QStringLiteral(" where 年级 = ") + quoteText(grade) + QStringLiteral(" and 班=") +
           quoteText(cls) + QStringLiteral(" order by 座位 asc");
}
QString cardAllRoomsQuery() { return kColumns + QStringLiteral(" order by 考室,座位 asc"); }

QStringList cardRoomItems(int roomCount) {
    QStringList items;
    for (int n = 1; n <= roomCount; ++n)
        items << QString::number(n) + QStringLiteral("考室");
    items << kAllRooms;
    return items;
}

std::optional<QString> cardRoomOfLabel(const QString& label) {
    const QString text = platform::trimBlanks(label);
    if (text.size() < 3 || !text.endsWith(QStringLiteral("考室")))
        return std::nullopt;
    return roomCodeOfLabel(text);
}

QStringList settingFields(const QString& text) {
    QStringList fields(4);
    int at = 0;
    for (QChar c : text) {
        if (c == QLatin1Char(',')) {
            ++at;
            continue;
        }
        if (at < 4)
            fields[at] += c;
    }
    return fields;
}

CardLayoutSetting cardLayoutFromRow(const QString& row) {
    const QStringList f = settingFields(row);
    return {f[0] == QLatin1String("1"), f[1] != QLatin1String("0"), f[2], f[3]};
}

QString cardLayoutRow(const CardLayoutSetting& l) {
    return QString(l.simple ? QStringLiteral("1,") : QStringLiteral("0,")) +
           (l.seatOnly ? QStringLiteral("1,") : QStringLiteral("0,")) + l.perLine + QLatin1Char(',') + l.extraLines;
}

CardFontSetting cardFontsFromRow(const QString& row) {
    const QStringList f = settingFields(row);
    return {f[0], platform::leadingNumber(f[1]), f[2], platform::leadingNumber(f[3])};
}

QString cardFontsRow(const CardFontSetting& f) {
    using platform::PlainNumberText;
    using platform::Precision;
    return f.titleName + QLatin1Char(',') + PlainNumberText(f.titleSize, Precision::Single) + QLatin1Char(',') +
           f.numberName + QLatin1Char(',') + PlainNumberText(f.numberSize, Precision::Single);
}

std::vector<CardStudent> readCardStudents(platform::db::Recordset& rs) {
    std::vector<CardStudent> out;
    const int fExam = rs.fieldIndex(QStringLiteral("考号")), fSeat = rs.fieldIndex(QStringLiteral("座位")),
              fName = rs.fieldIndex(QStringLiteral("姓名")), fRoom = rs.fieldIndex(QStringLiteral("考室")),
              fGrade = rs.fieldIndex(QStringLiteral("年级")), fClass = rs.fieldIndex(QStringLiteral("班"));
    const int count = rs.recordCount();
    out.reserve(count);
    auto at = [&rs](int row, int field) { return field < 0 ? QVariant() : rs.valueAt(row, field); };
    for (int row = 0; row < count; ++row)
        out.push_back({at(row, fExam), at(row, fSeat), at(row, fName), at(row, fRoom), at(row, fGrade),
                       at(row, fClass)});
    return out;
}

QString PaddedName(const QString& name) {
    if (name.size() == 2)
        return name + QStringLiteral("  ");
    if (name.size() == 1)
        return name + QStringLiteral("    ");
    return name;
}

namespace {

// Adds text in a font, joined to the run before when that has the same font.
class Runs {
public:
    explicit Runs(std::vector<CardRun>& out) : out_(out) {}
    void font(CardFont f) { font_ = f; }
    void card(int c) { card_ = c; }
    Runs& operator<<(const QString& text) {
        if (text.isEmpty())
            return *this;
        if (!out_.empty() && out_.back().font == font_ && out_.back().card == card_)
            out_.back().text += text;
        else
            out_.push_back({text, font_, card_});
        return *this;
    }
private:
    std::vector<CardRun>& out_;
    CardFont font_ = CardFont::Title;
    int card_ = 0;
};

} // namespace

std::vector<CardRun> BuildExamSlipPreview(const std::vector<CardStudent>& students, const CardSettings& s) {
    std::vector<CardRun> out;
    const double n = platform::leadingNumber(s.perLine);
    if (n == 0 || students.empty() || s.printSource != 1)
        return out;
    const double mValue = platform::leadingNumber(s.extraLines);
    const int64_t m = mValue < 1 ? 0 : std::min<int64_t>(platform::roundHalfEven(mValue), 1000);
    const QString blankLines(int(m), QLatin1Char('\n'));
    const QString title = s.title;
    QString headTitle = title;
    while (headTitle.startsWith(QLatin1Char(' ')))
        headTitle.remove(0, 1);

    Runs w(out);
    w.font(CardFont::Title);
    const QString head = s.schoolName + headTitle;
    if (!s.roomLabel.isEmpty())
        w << head + QStringLiteral("第") + s.roomLabel + QStringLiteral("的所有同学的考号如下:\n\n");
    if (!s.classLabel.isEmpty())
        w << head + s.classLabel + QStringLiteral("的所有同学的考号如下:\n\n");
    if (s.roomLabel.isEmpty() && s.classLabel.isEmpty())
        w << head + s.viewerLabel + QStringLiteral(" 所有同学的考号如下:\n\n");

    const QString line1 = s.schoolName + title;
    const int64_t k = platform::roundHalfEven((line1.size() + 2) / 2.0 - 2);
    int counter = 0, cards = 0;
    for (const CardStudent& st : students) {
        const QString name = PaddedName(textOf(st.name));
        if (s.simple) {
            w.font(CardFont::Number);
            w << (s.seatOnly ? textOf(st.seat) : textOf(st.examNumber)) + QLatin1Char(' ') << name;
            ++counter;
            if (counter == n) {
                counter = 0;
                w << QStringLiteral("\n") + blankLines;
            } else {
                w << QStringLiteral("   ");
            }
        } else {
            w.card(++cards);
            w.font(CardFont::Title);
            w << line1 + QLatin1Char('\n');
            if (k >= 0)
                w << QString(int(k), QLatin1Char(' ')) + QStringLiteral("准考证\n");
            w << QStringLiteral("考号:");
            w.font(CardFont::Number);
            w << textOf(st.examNumber) + QLatin1Char(' ');
            w.font(CardFont::Title);
            w << QStringLiteral("姓名:");
            w.font(CardFont::Number);
            w << name + QLatin1Char('\n');
            w.font(CardFont::Title);
            w << QStringLiteral("考室:") + cardNumber(st.room) + QStringLiteral(" 座位号:") + cardNumber(st.seat) +
                     QLatin1Char('\n');
            w << QStringLiteral("班级:  ") + textOf(st.grade) + QStringLiteral("级") + cardNumber(st.cls) +
                     QStringLiteral("班\n");
            w.card(0);
            w << blankLines;
        }
    }
    w << QStringLiteral("\n") + blankLines;
    return out;
}

const CardRect& CardWindowLayout::at(const QString& name) const {
    for (const CardPlacement& p : placements)
        if (p.name == name)
            return p.rect;
    throw std::out_of_range(name.toStdString());
}

CardWindowLayout cardWindowLayout(double clientWidth, double clientHeight) {
    CardWindowLayout out;
    const double W = std::max(clientWidth + kCardFrameWidth, kCardMinWidth);
    const double H = std::max(clientHeight + kCardFrameHeight, kCardMinHeight);
    out.clientWidth = W - kCardFrameWidth;
    out.clientHeight = H - kCardFrameHeight;
    auto put = [&out](const char* name, double l, double t, double w, double h) {
        out.placements.push_back({QString::fromLatin1(name), {l, t, w, h}});
    };
    const double optionTop = H - 1710, titleTop = H - 1305, rowTop = H - 870;
    const double label1 = W - 3282;
    put("RichTextBox1", 0, 0, W - 150, H - 1815);
    put("Option1", 120, optionTop, 735, 255);
    put("Option2", 900, optionTop, 735, 255);
    put("Check1", 1680, optionTop, 1335, 255);
    put("Label1", label1, optionTop + 40, 3200, 255);
    put("Combo1", label1 + 360, optionTop, 690, 300);
    put("Text2", label1 + 2400, optionTop, 495, 270);
    put("Label2", 120, titleTop, 855, 255);
    put("Text1", 1080, titleTop - 10, W - 1350, 270);
    put("Combo2", 120, rowTop, 1335, 300);
    put("Combo3", 1560, rowTop, 1455, 300);
    double left = W - 885;
    for (const char* button : {"Command1", "Command2", "Command3", "Command4", "Command5"}) {
        put(button, left, rowTop, 615, 375);
        left -= 720;
    }
    return out;
}

} // namespace examno
