#include "platform/db/jet_transfer.h"

#include "platform/db/jet_file.h"

#include <QDateTime>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace platform::db {

namespace {

constexpr char kMagic[] = "JETR";
// One frame at most: a row with a picture of a few MB fits many times over.
constexpr qint64 kFrameLimit = 64 * 1024 * 1024;
constexpr int kFieldLimit = 256;   // libmdb's own bound on a table's fields

enum ValueTag : char { TagNull, TagFalse, TagTrue, TagInt, TagDouble, TagText, TagDate, TagBytes };

void putU8(QByteArray& out, quint8 v) { out.append(char(v)); }
void putU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}
void putU64(QByteArray& out, quint64 v) {
    char b[8];
    qToLittleEndian(v, b);
    out.append(b, 8);
}
void putText(QByteArray& out, const QString& s) {
    putU32(out, quint32(s.size() * 2));
    for (QChar c : s) {
        char b[2];
        qToLittleEndian(c.unicode(), b);
        out.append(b, 2);
    }
}

// Reads a frame's body, never past its end.
class Cursor {
public:
    explicit Cursor(const QByteArray& b) : p_(b.constData()), end_(b.constData() + b.size()) {}
    bool atEnd() const { return p_ == end_; }
    bool u8(quint8& v) {
        if (end_ - p_ < 1)
            return false;
        v = quint8(*p_++);
        return true;
    }
    bool u32(quint32& v) {
        if (end_ - p_ < 4)
            return false;
        v = qFromLittleEndian<quint32>(p_);
        p_ += 4;
        return true;
    }
    bool u64(quint64& v) {
        if (end_ - p_ < 8)
            return false;
        v = qFromLittleEndian<quint64>(p_);
        p_ += 8;
        return true;
    }
    bool bytes(qsizetype n, QByteArray& out) {
        if (n < 0 || end_ - p_ < n)
            return false;
        out = QByteArray(p_, n);
        p_ += n;
        return true;
    }
    bool text(QString& out) {
        quint32 n = 0;
        if (!u32(n) || n % 2 || end_ - p_ < qint64(n))
            return false;
        out.resize(qsizetype(n / 2));
        for (quint32 i = 0; i < n / 2; ++i)
            out[i] = QChar(qFromLittleEndian<quint16>(p_ + 2 * i));
        p_ += n;
        return true;
    }

private:
    const char* p_;
    const char* end_;
};

// One value as the field's type allows it; false for anything else.
bool readValue(Cursor& in, FieldType type, QVariant& out) {
    quint8 tag = 0;
    if (!in.u8(tag))
        return false;
    if (type == FieldType::Boolean) {
        // A yes/no field is never Null in an Access file.
        if (tag != TagFalse && tag != TagTrue)
            return false;
        out = QVariant(tag == TagTrue);
        return true;
    }
    switch (tag) {
    case TagNull:
        out = QVariant();
        return true;
    case TagInt: {
        quint32 v = 0;
        if ((type != FieldType::Integer && type != FieldType::Long) || !in.u32(v))
            return false;
        out = QVariant(int(qint32(v)));
        return true;
    }
    case TagDouble: {
        quint64 v = 0;
        if ((type != FieldType::Single && type != FieldType::Double) || !in.u64(v))
            return false;
        double d;
        std::memcpy(&d, &v, sizeof d);
        out = QVariant(d);
        return true;
    }
    case TagText: {
        QString s;
        if ((type != FieldType::Text && type != FieldType::Memo) || !in.text(s))
            return false;
        out = QVariant(s);
        return true;
    }
    case TagDate: {
        quint64 day = 0;
        quint32 ms = 0;
        if (type != FieldType::Date || !in.u64(day) || !in.u32(ms) || ms >= 86400000u)
            return false;
        const QDate d = QDate::fromJulianDay(qint64(day));
        if (!d.isValid())
            return false;
        out = QVariant(QDateTime(d, QTime::fromMSecsSinceStartOfDay(int(ms))));
        return true;
    }
    case TagBytes: {
        quint32 n = 0;
        QByteArray b;
        if (type != FieldType::Memo || !in.u32(n) || !in.bytes(qsizetype(n), b))
            return false;
        out = QVariant(b);
        return true;
    }
    default:
        return false;
    }
}

bool readRow(const QByteArray& body, const std::vector<ForeignField>& fields, QVariantList* out) {
    Cursor in(body);
    quint8 letter = 0;
    in.u8(letter);
    QVariant v;
    for (const ForeignField& f : fields) {
        if (!readValue(in, f.type, v))
            return false;
        if (out)
            out->push_back(v);
    }
    return in.atEnd();
}

} // namespace

// ---------------------------------------------------------------- writer

void JetStreamWriter::begin(ForeignDatabase::Kind kind) {
    QByteArray body("H");
    body.append(kMagic, 4);
    putU8(body, kind == ForeignDatabase::Kind::Jet3 ? 0 : 1);
    frame(body);
}

void JetStreamWriter::table(const QString& name, const std::vector<ForeignField>& fields) {
    QByteArray body("T");
    putText(body, name);
    putU32(body, quint32(fields.size()));
    types_.clear();
    for (const ForeignField& f : fields) {
        putText(body, f.name);
        putU8(body, quint8(f.type));
        putU32(body, quint32(f.size));
        putText(body, f.typeName);
        types_.push_back(f.type);
    }
    ++tables_;
    frame(body);
}

void JetStreamWriter::row(const QVariantList& values) {
    QByteArray body("R");
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        switch (v.metaType().id()) {
        case QMetaType::UnknownType: putU8(body, TagNull); break;
        case QMetaType::Bool: putU8(body, v.toBool() ? TagTrue : TagFalse); break;
        case QMetaType::Int: putU8(body, TagInt); putU32(body, quint32(v.toInt())); break;
        case QMetaType::Double: {
            const double d = v.toDouble();
            quint64 bits;
            std::memcpy(&bits, &d, sizeof bits);
            putU8(body, TagDouble);
            putU64(body, bits);
            break;
        }
        case QMetaType::QString: putU8(body, TagText); putText(body, v.toString()); break;
        case QMetaType::QDateTime: {
            const QDateTime t = v.toDateTime();
            putU8(body, TagDate);
            putU64(body, quint64(t.date().toJulianDay()));
            putU32(body, quint32(t.time().msecsSinceStartOfDay()));
            break;
        }
        default: {
            const QByteArray b = v.toByteArray();
            putU8(body, TagBytes);
            putU32(body, quint32(b.size()));
            body.append(b);
            break;
        }
        }
    }
    ++rows_;
    frame(body);
}

void JetStreamWriter::tableFailed(const QString& reason) {
    QByteArray body("F");
    putText(body, reason);
    frame(body);
}

void JetStreamWriter::damaged(const QString& reason) {
    QByteArray body("D");
    putText(body, reason);
    frame(body);
}

void JetStreamWriter::end() {
    QByteArray body("E");
    putU32(body, tables_);
    putU64(body, rows_);
    frame(body);
}

void JetStreamWriter::frame(const QByteArray& body) {
    putU32(buffer_, quint32(body.size()));
    buffer_.append(body);
    if (buffer_.size() >= 64 * 1024)
        flush();
}

bool JetStreamWriter::flush() {
    qsizetype done = 0;
    while (!failed_ && done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.constData() + done, size_t(buffer_.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failed_ = true;
        else
            done += n;
    }
    buffer_.clear();
    return !failed_;
}

// ---------------------------------------------------------------- reader

struct JetStreamReader::Table {
    QString name;
    std::vector<ForeignField> fields;
    std::vector<QByteArray> rows;   // row frames, checked when they came
    QString failure;                // why the rows after these cannot be read
};

namespace {

class ReceivedJetFile final : public ForeignDatabase {
public:
    using Table = JetStreamReader::Table;
    ReceivedJetFile(QString path, Kind kind, std::vector<Table> tables)
        : path_(std::move(path)), kind_(kind), tables_(std::move(tables)) {}
    Kind kind() const override { return kind_; }
    QString path() const override { return path_; }
    QStringList tableNames() const override {
        QStringList names;
        for (const Table& t : tables_)
            names << t.name;
        return names;
    }
    std::vector<ForeignField> fields(const QString& table) const override { return find(table).fields; }
    void readRows(const QString& table, const std::function<bool(const QVariantList&)>& row) const override {
        const Table& t = find(table);
        QVariantList values;
        for (const QByteArray& body : t.rows) {
            values.clear();
            readRow(body, t.fields, &values);   // checked on arrival
            if (!row(values))
                return;
        }
        // As the reader found it: the rows before the one it could not read, then the reason.
        if (!t.failure.isEmpty())
            throw DbError(DbError::NotADatabase, t.failure);
    }

private:
    const Table& find(const QString& name) const {
        for (const Table& t : tables_)
            if (jetNamesEqual(t.name, name))
                return t;
        throw DbError(DbError::NoSuchTable, QStringLiteral("找不到表: %1").arg(name));
    }
    QString path_;
    Kind kind_;
    std::vector<Table> tables_;
};

} // namespace

JetStreamReader::JetStreamReader(ForeignDatabase::Kind expected, qint64 byteLimit, qint64 rowLimit)
    : expected_(expected), byteLimit_(byteLimit), rowLimit_(rowLimit) {}

JetStreamReader::~JetStreamReader() = default;

bool JetStreamReader::refuse(const QString& reason) {
    if (reason_.isEmpty())
        reason_ = reason;
    return false;
}

bool JetStreamReader::feed(const char* data, qsizetype size) {
    if (refused())
        return false;
    bytes_ += size;
    if (bytes_ > byteLimit_)
        return refuse(QStringLiteral("读出的数据比文件能容纳的多"));
    pending_.append(data, size);
    qsizetype at = 0;
    while (pending_.size() - at >= 4) {
        const quint32 length = qFromLittleEndian<quint32>(pending_.constData() + at);
        if (length == 0 || length > kFrameLimit)
            return refuse(QStringLiteral("读出的数据格式不对"));
        if (pending_.size() - at - 4 < qint64(length))
            break;
        const bool ok = frame(pending_.mid(at + 4, qsizetype(length)));
        at += 4 + qsizetype(length);
        if (!ok)
            return false;
    }
    pending_.remove(0, at);
    return true;
}

bool JetStreamReader::frame(const QByteArray& body) {
    const char letter = body[0];
    if (state_ == State::Done)
        return refuse(QStringLiteral("读出的数据在结束以后还有内容"));
    Cursor in(body);
    quint8 skip = 0;
    in.u8(skip);
    if (letter == 'D') {
        // The reader's own finding: the file cannot be used, and why.
        QString why;
        if (!in.text(why) || why.isEmpty() || !in.atEnd())
            return refuse(QStringLiteral("读出的数据格式不对"));
        reportedByReader_ = true;
        return refuse(why);
    }
    if (state_ == State::Start) {
        const char kind = expected_ == ForeignDatabase::Kind::Jet3 ? 0 : 1;
        if (body.size() != 6 || letter != 'H' || std::memcmp(body.constData() + 1, kMagic, 4) != 0
            || body[5] != kind)
            return refuse(QStringLiteral("读出的数据格式不对"));
        state_ = State::Tables;
        return true;
    }
    switch (letter) {
    case 'T': {
        Table t;
        quint32 count = 0;
        if (!in.text(t.name) || t.name.isEmpty() || !in.u32(count) || count > kFieldLimit)
            return refuse(QStringLiteral("读出的表的定义不对"));
        for (quint32 i = 0; i < count; ++i) {
            ForeignField f;
            quint8 type = 0;
            quint32 size = 0;
            if (!in.text(f.name) || !in.u8(type) || type > quint8(FieldType::Boolean) || !in.u32(size)
                || size > 65535 || !in.text(f.typeName))
                return refuse(QStringLiteral("表%1的字段定义不对").arg(t.name));
            f.type = FieldType(type);
            f.size = int(size);
            t.fields.push_back(f);
        }
        if (!in.atEnd())
            return refuse(QStringLiteral("表%1的字段定义不对").arg(t.name));
        tables_.push_back(std::move(t));
        lastTableOpen_ = true;
        return true;
    }
    case 'R': {
        if (!lastTableOpen_)
            return refuse(QStringLiteral("读出的数据格式不对"));
        Table& t = tables_.back();
        if (++rows_ > rowLimit_)
            return refuse(QStringLiteral("读出的行比文件能容纳的多"));
        if (!readRow(body, t.fields, nullptr))
            return refuse(QStringLiteral("表%1的第%2行数据不对").arg(t.name).arg(t.rows.size() + 1));
        t.rows.push_back(body);
        return true;
    }
    case 'F': {
        if (!lastTableOpen_ || !in.text(tables_.back().failure) || tables_.back().failure.isEmpty() || !in.atEnd())
            return refuse(QStringLiteral("读出的数据格式不对"));
        lastTableOpen_ = false;
        return true;
    }
    case 'E': {
        quint32 tables = 0;
        quint64 rows = 0;
        if (!in.u32(tables) || !in.u64(rows) || !in.atEnd() || tables != tables_.size() || qint64(rows) != rows_)
            return refuse(QStringLiteral("读出的数据不完整"));
        state_ = State::Done;
        lastTableOpen_ = false;
        return true;
    }
    default:
        return refuse(QStringLiteral("读出的数据格式不对"));
    }
}

bool JetStreamReader::complete() const {
    return state_ == State::Done && pending_.isEmpty() && !refused();
}

std::unique_ptr<ForeignDatabase> JetStreamReader::take(const QString& path) {
    if (!complete())
        return nullptr;
    return std::make_unique<ReceivedJetFile>(path, expected_, std::move(tables_));
}

} // namespace platform::db
