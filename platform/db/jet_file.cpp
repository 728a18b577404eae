#include "platform/db/jet_file.h"

#include "platform/db/foreign_database.h"
#include "platform/text/gbk.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QUuid>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cmath>
#include <mdbtools.h>

namespace platform::db {

namespace {

constexpr int headerSize = 0x98;

// The first page hides part of itself under RC4 with a fixed key.
QByteArray rc4(const QByteArray& data) {
    const std::array<unsigned char, 4> key{0xc7, 0xda, 0x39, 0x6b};
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    QByteArray out(data);
    for (int n = 0, i = 0, j = 0; n < out.size(); ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        out[n] = static_cast<char>(static_cast<unsigned char>(out[n]) ^ s[(s[i] + s[j]) & 0xff]);
    }
    return out;
}

quint16 u16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }

int codePageOfLanguage(int language) {
    switch (language) {
    case 0x0804: case 0x1004: return 936;     // Chinese (PRC, Singapore)
    case 0x0404: case 0x0c04: case 0x1404: return 950;
    case 0x0411: return 932;
    case 0x0412: return 949;
    case 0x041e: return 874;
    case 0x0405: case 0x040e: case 0x0415: case 0x041b: case 0x0424: case 0x041a: case 0x0418:
        return 1250;
    case 0x0419: case 0x0402: case 0x0422: case 0x0423: return 1251;
    case 0x0408: return 1253;
    case 0x041f: return 1254;
    case 0x040d: return 1255;
    case 0x0401: return 1256;
    case 0x0425: case 0x0426: case 0x0427: return 1257;
    case 0x0409: case 0x0407: case 0x040a: case 0x040b: case 0x040c: case 0x0410: case 0x0413:
    case 0x0414: case 0x0416: case 0x041d: case 0x0406: case 0x0809: case 0x0c0a: case 0x040f:
        return 1252;
    default: return 0;
    }
}

bool knownCodePage(int cp) {
    return cp == 874 || cp == 932 || cp == 936 || cp == 949 || cp == 950 || (cp >= 1250 && cp <= 1258);
}

QString typeNameOf(int type) {
    switch (type) {
    case MDB_BOOL: return QStringLiteral("Boolean");
    case MDB_BYTE: return QStringLiteral("Byte");
    case MDB_INT: return QStringLiteral("Integer");
    case MDB_LONGINT: return QStringLiteral("Long");
    case MDB_MONEY: return QStringLiteral("Currency");
    case MDB_FLOAT: return QStringLiteral("Single");
    case MDB_DOUBLE: return QStringLiteral("Double");
    case MDB_DATETIME: return QStringLiteral("DateTime");
    case MDB_BINARY: return QStringLiteral("Binary");
    case MDB_TEXT: return QStringLiteral("Text");
    case MDB_OLE: return QStringLiteral("OLE");
    case MDB_MEMO: return QStringLiteral("Memo");
    case MDB_REPID: return QStringLiteral("ReplicationID");
    case MDB_NUMERIC: return QStringLiteral("Numeric");
    default: return QStringLiteral("Unknown");
    }
}

FieldType fieldTypeOf(int type) {
    switch (type) {
    case MDB_BOOL: return FieldType::Boolean;
    case MDB_BYTE: case MDB_INT: return FieldType::Integer;
    case MDB_LONGINT: return FieldType::Long;
    case MDB_FLOAT: return FieldType::Single;
    case MDB_MONEY: case MDB_DOUBLE: case MDB_NUMERIC: return FieldType::Double;
    case MDB_DATETIME: return FieldType::Date;
    case MDB_TEXT: case MDB_REPID: return FieldType::Text;
    default: return FieldType::Memo;   // memo, and binary kept as bytes
    }
}

// Days since 1899-12-30; before it the fraction still counts forward from midnight.
QDateTime dateOfDays(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 3e6)
        return {};
    double whole = std::trunc(value);
    qint64 ms = std::llround(std::fabs(value - whole) * 86400000.0);
    // Stored times are whole seconds; keep them so.
    ms = (ms + 500) / 1000 * 1000;
    qint64 days = static_cast<qint64>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        days += value < 0 ? -1 : 1;
    }
    return QDateTime(QDate(1899, 12, 30).addDays(days), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

struct Column {
    ForeignField field;
    int type = 0;
    int scale = 0;
};

class JetFile final : public ForeignDatabase {
public:
    JetFile(QString path, MdbHandle* mdb, int codePage) : path_(std::move(path)), mdb_(mdb), codePage_(codePage) {}
    ~JetFile() override { mdb_close(mdb_); }
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    void load() {
        GPtrArray* catalog = mdb_read_catalog(mdb_, MDB_TABLE);
        if (!catalog)
            throw DbError(DbError::NotADatabase, QStringLiteral("不能读取数据库文件的表目录: %1").arg(path_));
        // The engine lists its own tables in every file it writes, the
        // catalog itself on page 2: a catalog without them was read from
        // pages that are not the catalog's, and would show no tables or
        // some of them without a word.
        QSet<QByteArray> system;
        for (guint i = 0; i < catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            const bool catalogItself = qstrcmp(entry->object_name, "MSysObjects") == 0;
            if (mdb_is_system_table(entry) && (!catalogItself || entry->table_pg == 2))
                system.insert(entry->object_name);
        }
        for (const char* name : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
            if (!system.contains(name))
                throw DbError(DbError::NotADatabase,
                              QStringLiteral("表目录中没有系统表%1: %2").arg(QLatin1String(name), path_));
        checkCatalog(catalog);
        checkDefinitions(catalog);
        for (guint i = 0; i < catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            if (mdb_is_user_table(entry) && qstrnicmp(entry->object_name, "MSys", 4) != 0)
                tables_.push_back(describe(entry));
        }
    }

    // libmdb lists the tables its walk over the catalog finds: a catalog row
    // whose bytes were zeroed reads as an object with no name and no type,
    // and the table it named is gone without a word. The catalog's pages are
    // checked as a table's, each live row must name its object, and the
    // tables libmdb lists must be those the checked rows name.
    void checkCatalog(GPtrArray* catalog) const {
        MdbCatalogEntry* self = nullptr;
        std::vector<quint32> listed;
        for (guint i = 0; i < catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            if (entry->table_pg == 2 && qstrcmp(entry->object_name, "MSysObjects") == 0)
                self = entry;
            listed.push_back(quint32(entry->table_pg));
        }
        const Table t = describe(self);
        auto column = [&](const char* name) {
            for (size_t c = 0; c < t.columns.size(); ++c)
                if (jetNamesEqual(t.columns[c].field.name, QLatin1String(name)))
                    return c;
            throw DbError(DbError::NotADatabase,
                          QStringLiteral("表目录中没有字段%1: %2").arg(QLatin1String(name), path_));
        };
        const size_t id = column("Id"), name = column("Name"), type = column("Type");
        MdbTableDef* def = readTable(t);
        struct Free { MdbTableDef* d; ~Free() { mdb_free_tabledef(d); } } guard{def};
        std::vector<MdbField> cracked(MDB_MAX_COLS);
        std::vector<QByteArray> raw(t.columns.size());
        std::vector<char> isNull(t.columns.size());
        std::vector<quint32> named;
        int rowNumber = 0;
        for (const RowPlace& place : checkPages(t, def, cracked)) {
            ++rowNumber;
            crack(t, def, place, rowNumber, cracked, isNull, raw);
            if (isNull[id] || isNull[name] || isNull[type] || raw[name].isEmpty())
                damaged(t, rowNumber);
            // A table's id is its definition's page; every other object's has its top byte set.
            const quint32 object = quint32(valueOf(t, t.columns[id], false, raw[id], rowNumber).toInt());
            const bool table = valueOf(t, t.columns[type], false, raw[type], rowNumber).toInt() == MDB_TABLE;
            if (table != (object > 0 && object < 0x1000000))
                damaged(t, rowNumber);
            if (table)
                named.push_back(object);
        }
        std::sort(listed.begin(), listed.end());
        std::sort(named.begin(), named.end());
        if (listed != named)
            throw DbError(DbError::Damaged, QStringLiteral("表目录已损坏: %1").arg(path_));
    }

    // A definition page copied over another reads as the other table's
    // definition. Its own type must be the catalog row's (the engine's own
    // tables 'S', the others 'N'), and no two tables take their pages from
    // one usage map.
    void checkDefinitions(GPtrArray* catalog) const {
        const int pageSize = int(mdb_->fmt->pg_size);
        const int typeAt = codePage_ ? 20 : 40;
        QSet<quint32> maps;
        for (guint i = 0; i < catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
            const char* p = reinterpret_cast<const char*>(mdb_->pg_buf);
            const bool read = mdb_read_pg(mdb_, entry->table_pg) == pageSize;
            const char type = read ? p[typeAt] : 0;
            const bool user = mdb_is_user_table(entry) && qstrnicmp(entry->object_name, "MSys", 4) != 0;
            const quint32 map = read ? u32(p + mdb_->fmt->tab_usage_map_offset) : 0;
            if (!read || p[0] != 0x02 || p[1] != 0x01 || (type != 'N' && type != 'S')
                || (user && type != 'N') || (entry->table_pg == 2 && type != 'S') || maps.contains(map))
                throw DbError(DbError::Damaged, QStringLiteral("表%1的定义页已损坏: %2")
                                                    .arg(nameOf(entry->object_name, QStringLiteral("表名")), path_));
            maps.insert(map);
        }
    }

    Kind kind() const override { return codePage_ ? Kind::Jet3 : Kind::Jet4; }
    QString path() const override { return path_; }
    QStringList tableNames() const override {
        QStringList names;
        for (const Table& t : tables_)
            names << t.name;
        return names;
    }
    std::vector<ForeignField> fields(const QString& table) const override {
        std::vector<ForeignField> out;
        for (const Column& c : find(table).columns)
            out.push_back(c.field);
        return out;
    }
    void readRows(const QString& table,
                  const std::function<bool(const QVariantList&)>& row) const override {
        scan(find(table), row);
    }

private:
    struct Table {
        QString name;
        MdbCatalogEntry* entry;
        std::vector<Column> columns;
    };

    // A name as libmdb hands it over, in the file's own characters.
    QString nameOf(const char* utf8, const QString& what) const {
        if (!codePage_)
            return QString::fromUtf8(utf8);
        try {
            return decodeJet3Text(QString::fromUtf8(utf8).toLatin1(), codePage_);
        } catch (const GbkError& e) {
            throw DbError(DbError::NotADatabase, QStringLiteral("%1: %2: %3").arg(what, e.text(), path_));
        }
    }

    Table describe(MdbCatalogEntry* entry) const {
        Table t{nameOf(entry->object_name, QStringLiteral("表名")), entry, {}};
        MdbTableDef* def = readTable(t);
        for (guint c = 0; c < def->columns->len; ++c) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def->columns, c));
            Column column;
            column.type = col->col_type;
            column.scale = col->col_scale;
            column.field.name = nameOf(col->name, QStringLiteral("表%1的字段名").arg(t.name));
            column.field.type = fieldTypeOf(col->col_type);
            column.field.typeName = typeNameOf(col->col_type);
            if (col->col_type == MDB_TEXT)
                column.field.size = codePage_ ? col->col_size : col->col_size / 2;
            else if (col->col_type == MDB_REPID)
                column.field.size = 38;
            t.columns.push_back(column);
        }
        mdb_free_tabledef(def);
        return t;
    }

    // Where a live row's bytes lie: on its own slot, or on the slot it was moved to.
    struct RowPlace {
        quint32 page = 0;
        int start = 0;
        int length = 0;
    };

    // The rows as checkPages found them, in their slots' order: libmdb would
    // give a moved row where it now lies, and trusts what checkPages refuses.
    void scan(const Table& t, const std::function<bool(const QVariantList&)>& row) const {
        MdbTableDef* def = readTable(t);
        struct Free { MdbTableDef* d; ~Free() { mdb_free_tabledef(d); } } guard{def};
        if (def->num_cols != t.columns.size())
            throw DbError(DbError::NotADatabase, QStringLiteral("表%1的定义读取不一致: %2").arg(t.name, path_));
        std::vector<MdbField> cracked(MDB_MAX_COLS);
        const std::vector<RowPlace> places = checkPages(t, def, cracked);
        std::vector<QByteArray> raw(t.columns.size());
        std::vector<char> isNull(t.columns.size());
        QVariantList values;
        int rowNumber = 0;
        for (const RowPlace& place : places) {
            ++rowNumber;
            crack(t, def, place, rowNumber, cracked, isNull, raw);
            values.clear();
            for (size_t c = 0; c < t.columns.size(); ++c)
                values.push_back(valueOf(t, t.columns[c], isNull[c], raw[c], rowNumber));
            if (!row(values))
                return;
        }
    }

    // A row's null flags and raw bytes by column, each value within its page.
    void crack(const Table& t, MdbTableDef* def, const RowPlace& place, int rowNumber,
               std::vector<MdbField>& cracked, std::vector<char>& isNull, std::vector<QByteArray>& raw) const {
        const int pageSize = int(mdb_->fmt->pg_size);
        if (mdb_read_pg(mdb_, place.page) != pageSize)
            damaged(t, rowNumber);
        const int n = mdb_crack_row(def, place.start, size_t(place.length), cracked.data());
        if (n < 0)
            damaged(t, rowNumber);
        for (size_t i = 0; i < t.columns.size(); ++i) {
            isNull[i] = 1;
            raw[i].clear();
        }
        for (int i = 0; i < n && i < int(def->num_cols); ++i) {
            const MdbField& f = cracked[i];
            const int c = f.colnum;
            if (c < 0 || c >= int(t.columns.size()))
                continue;
            isNull[c] = f.is_null ? 1 : 0;
            if (t.columns[c].type == MDB_BOOL || f.is_null)
                continue;
            if (f.start < 0 || f.siz < 0 || f.start + f.siz > pageSize)
                damaged(t, rowNumber);
            raw[c] = QByteArray(reinterpret_cast<const char*>(mdb_->pg_buf) + f.start, f.siz);
        }
    }

    // libmdb trusts a data page's row count and offsets, and passes over a row
    // it cannot crack with no more than a line on standard error: rows go
    // missing or appear from nowhere. It also passes over, without a word, a
    // page the table's usage map lists that is not one of the table's data
    // pages, and takes the map from whatever bytes its row pointer finds (a
    // zeroed page gives a map of no pages). The map's row is checked, then
    // every page it lists, each live row cracked; returns where the live rows
    // lie, as many as the table's definition must count.
    //
    // A row an update made too long for its slot is moved: the old slot,
    // flagged 0x4000, keeps the row's place in the table and a pointer to the
    // new slot (its row in the first byte, its page in the next three); the
    // new slot, flagged 0x8000, holds the row. Both flags: a deleted row.
    std::vector<RowPlace> checkPages(const Table& t, MdbTableDef* def, std::vector<MdbField>& cracked) const {
        const int pageSize = int(mdb_->fmt->pg_size);
        const int countAt = mdb_->fmt->row_count_offset;
        auto bad = [&](quint32 page) {
            throw DbError(DbError::Damaged,
                          QStringLiteral("表%1的数据页%2已损坏: %3").arg(t.name).arg(page).arg(path_));
        };
        auto slotKey = [](quint32 page, int row) { return quint64(page) << 16 | quint64(row); };
        checkUsageMap(t, def);
        std::vector<RowPlace> places;
        struct Moved { size_t place; quint32 pointer; quint32 page; };
        std::vector<Moved> moved;
        QHash<quint64, RowPlace> movedHere;   // by page and row
        quint32 page = 0;
        for (;;) {
            // Below zero: a map of no kind the engine writes.
            const gint32 next = mdb_map_find_next(mdb_, def->usage_map, guint(def->map_sz), page);
            if (next == 0)
                break;
            if (next < 0 || quint32(next) <= page)
                bad(page);
            page = quint32(next);
            if (mdb_read_pg(mdb_, page) != pageSize)
                bad(page);
            const char* p = reinterpret_cast<const char*>(mdb_->pg_buf);
            if (p[0] != 0x01 || u32(p + 4) != def->entry->table_pg)
                bad(page);
            const int rows = u16(p + countAt);
            const int offsetsEnd = countAt + 2 + 2 * rows;
            if (offsetsEnd > pageSize)
                bad(page);
            // Rows lie from the page's end downwards, each ending where the one before begins.
            int end = pageSize;
            for (int r = 0; r < rows; ++r) {
                const int word = u16(p + countAt + 2 + 2 * r);
                const int start = word & 0x1fff;
                if (start < offsetsEnd || start > end)
                    bad(page);
                switch (word & 0xc000) {
                case 0:
                    if (start == end || mdb_crack_row(def, start, size_t(end - start), cracked.data()) <= 0)
                        bad(page);
                    places.push_back({page, start, end - start});
                    break;
                case 0x4000:
                    if (end - start < 4)
                        bad(page);
                    moved.push_back({places.size(), u32(p + start), page});
                    places.push_back({});
                    break;
                case 0x8000:
                    if (start == end)
                        bad(page);
                    movedHere.insert(slotKey(page, r), {page, start, end - start});
                    break;
                default:
                    break;
                }
                end = start;
            }
        }
        // Each pointer to a moved row of this table's pages, none to the same
        // row as another: a row read twice would stand for one gone.
        for (const Moved& m : moved) {
            const auto it = movedHere.find(slotKey(m.pointer >> 8, int(m.pointer & 0xff)));
            if (it == movedHere.end())
                bad(m.page);
            const RowPlace to = *it;
            movedHere.erase(it);
            if (mdb_read_pg(mdb_, to.page) != pageSize
                || mdb_crack_row(def, to.start, size_t(to.length), cracked.data()) <= 0)
                bad(to.page);
            places[m.place] = to;
        }
        if (places.size() != def->num_rows)
            throw DbError(DbError::Damaged, QStringLiteral("表%1的定义有%2行,数据页有%3行: %4")
                                                .arg(t.name).arg(def->num_rows).arg(places.size()).arg(path_));
        return places;
    }

    // The row the table's definition points to for its usage map must be a
    // live row of a data page, as long as the map it is taken for.
    void checkUsageMap(const Table& t, MdbTableDef* def) const {
        const int pageSize = int(mdb_->fmt->pg_size);
        const int countAt = mdb_->fmt->row_count_offset;
        auto bad = [&] {
            throw DbError(DbError::Damaged, QStringLiteral("表%1的页面分配表已损坏: %2").arg(t.name, path_));
        };
        if (mdb_read_pg(mdb_, def->entry->table_pg) != pageSize)
            bad();
        const quint32 pointer = u32(reinterpret_cast<const char*>(mdb_->pg_buf) + mdb_->fmt->tab_usage_map_offset);
        const quint32 row = pointer & 0xff;
        if (mdb_read_pg(mdb_, pointer >> 8) != pageSize)
            bad();
        const char* p = reinterpret_cast<const char*>(mdb_->pg_buf);
        const quint32 rows = u16(p + countAt);
        if (p[0] != 0x01 || row >= rows || countAt + 2 + 2 * int(rows) > pageSize)
            bad();
        const int word = u16(p + countAt + 2 + 2 * row);
        const int start = word & 0x1fff;
        const int end = row == 0 ? pageSize : u16(p + countAt + 2 * row) & 0x1fff;
        if (word & 0xc000 || start < countAt + 2 + 2 * int(rows) || start >= end || end > pageSize
            || size_t(end - start) != def->map_sz || !def->usage_map)
            bad();
        // Kind 0 names its first page and a bitmap after it, kind 1 the pages holding bitmaps.
        const int kind = def->usage_map[0];
        if (kind > 1 || def->map_sz < 5 || (kind == 1 && (def->map_sz - 1) % 4 != 0))
            bad();
    }

    const Table& find(const QString& name) const {
        for (const Table& t : tables_)
            if (jetNamesEqual(t.name, name))
                return t;
        throw DbError(DbError::NoSuchTable, QStringLiteral("找不到表: %1").arg(name));
    }

    MdbTableDef* readTable(const Table& t) const {
        MdbTableDef* def = mdb_read_table(t.entry);
        if (!def)
            throw DbError(DbError::NotADatabase, QStringLiteral("不能读取表%1的定义: %2").arg(t.name, path_));
        if (!mdb_read_columns(def)) {
            mdb_free_tabledef(def);
            throw DbError(DbError::NotADatabase, QStringLiteral("不能读取表%1的字段: %2").arg(t.name, path_));
        }
        return def;
    }

    [[noreturn]] void damaged(const Table& t, int row) const {
        throw DbError(DbError::Damaged,
                      QStringLiteral("表%1的第%2行不能读取: %3").arg(t.name).arg(row).arg(path_));
    }

    QString text(const Table& t, const Column& c, const QByteArray& bytes, int row) const {
        try {
            return codePage_ ? decodeJet3Text(bytes, codePage_) : decodeJet4Text(bytes);
        } catch (const GbkError& e) {
            throw DbError(DbError::NotADatabase, QStringLiteral("表%1第%2行的字段%3: %4")
                                                     .arg(t.name).arg(row).arg(c.field.name, e.text()));
        }
    }

    // A memo or OLE value: inline after its 12-byte head, or on one or a chain of long-value pages.
    QByteArray longValue(const Table& t, const QByteArray& head, int row) const {
        if (head.size() < 12)
            damaged(t, row);
        const quint32 word = u32(head.constData());
        const qint64 total = word & 0x3fffffff;
        if (word & 0x80000000u) {
            if (total > head.size() - 12)
                damaged(t, row);
            return head.mid(12, int(total));
        }
        QByteArray out;
        quint32 pageRow = u32(head.constData() + 4);
        const bool single = word & 0x40000000u;
        const int pageSize = int(mdb_->fmt->pg_size);
        QSet<quint32> visited;   // a damaged chain may loop
        while (pageRow != 0 && out.size() < total) {
            void* buffer = nullptr;
            int offset = 0;
            size_t length = 0;
            if (visited.contains(pageRow) || mdb_find_pg_row(mdb_, int(pageRow), &buffer, &offset, &length) != 0)
                damaged(t, row);
            visited.insert(pageRow);
            // libmdb takes a row past the page's row count (on a zeroed page, say) from whatever bytes lie there.
            const char* page = static_cast<const char*>(buffer);
            if (page[0] != 0x01 || qstrncmp(page + 4, "LVAL", 4) != 0
                || (pageRow & 0xff) >= u16(page + mdb_->fmt->row_count_offset))
                damaged(t, row);
            offset &= 0x1fff;
            if (offset + qint64(length) > pageSize || (!single && length < 4))
                damaged(t, row);
            const char* p = static_cast<const char*>(buffer) + offset;
            if (single) {
                out.append(p, qsizetype(length));
                break;
            }
            pageRow = u32(p);
            out.append(p + 4, qsizetype(length - 4));
        }
        if (out.size() < total)
            damaged(t, row);
        out.truncate(qsizetype(total));
        return out;
    }

    QVariant valueOf(const Table& t, const Column& c, bool null, const QByteArray& b, int row) const {
        if (c.type == MDB_BOOL)
            return QVariant(!null);
        if (null)
            return {};
        auto need = [&](int size) {
            if (b.size() < size)
                damaged(t, row);
        };
        const char* p = b.constData();
        switch (c.type) {
        case MDB_BYTE: need(1); return int(static_cast<unsigned char>(p[0]));
        case MDB_INT: need(2); return int(qFromLittleEndian<qint16>(p));
        case MDB_LONGINT: need(4); return int(qFromLittleEndian<qint32>(p));
        case MDB_MONEY: need(8); return double(qFromLittleEndian<qint64>(p)) / 10000.0;
        case MDB_FLOAT: need(4); return double(qFromLittleEndian<float>(p));
        case MDB_DOUBLE: need(8); return qFromLittleEndian<double>(p);
        case MDB_DATETIME: {
            need(8);
            const QDateTime d = dateOfDays(qFromLittleEndian<double>(p));
            return d.isValid() ? QVariant(d) : QVariant();
        }
        case MDB_NUMERIC: {
            need(17);
            long double v = 0;
            for (int w = 0; w < 4; ++w)
                v = v * 4294967296.0L + u32(p + 1 + 4 * w);
            v /= std::pow(10.0L, c.scale);
            return double((p[0] & 0x80) ? -v : v);
        }
        case MDB_REPID: {
            need(16);
            const auto* q = reinterpret_cast<const uchar*>(p);
            const QUuid id(u32(p), u16(p + 4), u16(p + 6), q[8], q[9], q[10], q[11], q[12], q[13], q[14], q[15]);
            return id.toString(QUuid::WithBraces).toUpper();
        }
        case MDB_TEXT: return text(t, c, b, row);
        case MDB_MEMO: return text(t, c, longValue(t, b, row), row);
        case MDB_OLE: return longValue(t, b, row);
        default: return b;
        }
    }

    QString path_;
    MdbHandle* mdb_;
    int codePage_;   // Jet 3 texts; 0 for Jet 4
    std::vector<Table> tables_;
};

} // namespace

bool jetNamesEqual(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y)
            return false;
    }
    return true;
}

JetHeader readJetHeader(const QByteArray& firstPage) {
    if (firstPage.size() < headerSize || firstPage.mid(4, 15) != QByteArrayLiteral("Standard Jet DB"))
        throw DbError(DbError::NotADatabase, QStringLiteral("不是Access数据库文件"));
    JetHeader h;
    h.version = static_cast<unsigned char>(firstPage[0x14]);
    const bool jet3 = h.version == 0;
    QByteArray page = firstPage.left(headerSize);
    page.replace(0x18, jet3 ? 126 : 128, rc4(page.mid(0x18, jet3 ? 126 : 128)));
    const char* p = page.constData();
    h.codePage = u16(p + 0x3c);
    h.sortOrder = jet3 ? u16(p + 0x3a) : int(u32(p + 0x6e) & 0xffff);
    QByteArray password = page.mid(0x42, jet3 ? 20 : 40);
    if (!jet3) {
        // Jet 4 masks it once more with the creation date's whole days.
        const double created = qFromLittleEndian<double>(p + 0x72);
        const qint32 days = std::isfinite(created) && std::fabs(created) < 2e9 ? qint32(created) : 0;
        char mask[4];
        qToLittleEndian(days, mask);
        for (int i = 0; i < password.size(); ++i)
            password[i] = char(password[i] ^ mask[i % 4]);
    }
    h.hasPassword = password.count('\0') != password.size();
    return h;
}

int jet3CodePage(const JetHeader& header) {
    if (knownCodePage(header.codePage))
        return header.codePage;
    if (const int cp = codePageOfLanguage(header.sortOrder))
        return cp;
    return 936;
}

QString decodeJet3Text(const QByteArray& bytes, int codePage) {
    return fromCodePage(bytes, codePage);
}

QString decodeJet4Text(const QByteArray& bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out;
    if (n >= 2 && b[0] == 0xff && b[1] == 0xfe) {
        // Compressed: one byte per character, a zero byte switching to and from two.
        out.reserve(n);
        bool compressed = true;
        for (qsizetype i = 2; i < n;) {
            if (b[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                out += QChar(b[i++]);
            } else {
                if (i + 1 >= n)
                    throw GbkError(QStringLiteral("文字的UCS-2编码不完整"));
                out += QChar(char16_t(b[i] | (b[i + 1] << 8)));
                i += 2;
            }
        }
        return out;
    }
    if (n % 2)
        throw GbkError(QStringLiteral("文字的UCS-2编码不完整"));
    out.resize(n / 2);
    for (qsizetype i = 0; i < n / 2; ++i)
        out[i] = QChar(char16_t(b[2 * i] | (b[2 * i + 1] << 8)));
    return out;
}

JetHeader checkJetFile(const QString& path) {
    qint64 length = 0;
    const QByteArray first = readDatabaseHead(path, headerSize, &length);
    JetHeader header;
    try {
        header = readJetHeader(first);
    } catch (const DbError& e) {
        throw DbError(DbError::NotADatabase, QStringLiteral("%1: %2").arg(e.text(), path));
    }
    if (header.version > 1)
        throw DbError(DbError::NotADatabase,
                      QStringLiteral("不能读取这个版本的Access数据库文件: %1").arg(path));
    if (header.hasPassword)
        throw DbError(DbError::WrongPassword, QStringLiteral("数据库文件设有密码: %1").arg(path));
    // The engine reads and writes the file in whole pages; bytes gone or
    // come in between them shift every page after, which then reads as
    // another page or as nothing.
    const qint64 pageSize = header.version == 0 ? 2048 : 4096;
    if (length % pageSize != 0)
        throw DbError(DbError::NotADatabase,
                      QStringLiteral("数据库文件已损坏(长度不是%1字节的整页数): %2").arg(pageSize).arg(path));
    return header;
}

std::unique_ptr<ForeignDatabase> openJetFileHere(const QString& path) {
    const JetHeader header = checkJetFile(path);
    // Opened for reading only; libmdb never writes without MDB_WRITABLE.
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb)
        throw DbError(DbError::NotADatabase, QStringLiteral("不能读取这个Access数据库文件: %1").arg(path));
    const int codePage = header.version == 0 ? jet3CodePage(header) : 0;
    if (codePage) {
        // libmdb turns a byte its converter cannot take into '?'. Have it pass
        // names through as Latin-1, byte for byte, and decode them here strictly.
        iconv_t cd = iconv_open("UTF-8", "ISO-8859-1");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            mdb_close(mdb);
            throw DbError(DbError::Io, QStringLiteral("不能转换文字: %1").arg(path));
        }
        iconv_close(mdb->iconv_in);
        mdb->iconv_in = cd;
    }
    auto db = std::make_unique<JetFile>(path, mdb, codePage);
    db->load();
    return db;
}

} // namespace platform::db
