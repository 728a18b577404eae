#pragma once
// A record set: the rows of a table or of a query, held in memory as read when
// opened, with a cursor. Over a table or a single-table query it is
// updatable: edits go to the table's row by rowid, and only while that row
// still holds the values read (else RowChanged). An edit of the current row
// is stored when the cursor leaves the row (any move, find, sort, update,
// requery, close); an edit made by a willMove handler belongs to the row left.

#include "platform/db/database.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::db {

// Where an SQL text comes from. A text a user typed must be one statement that
// only reads, and its work and its rows are bounded (TooMuchWork past them).
enum class SqlOrigin { Program, User };

class Recordset : public QObject, public RollbackListener {
    Q_OBJECT
public:
    // `source` is a table name or an SQL text (the layer tells which); params bind its "?".
    Recordset(std::shared_ptr<Database> db, const QString& source,
              const QVariantList& params = {}, QObject* parent = nullptr,
              SqlOrigin origin = SqlOrigin::Program);
    ~Recordset() override;     // stores a pending edit; a refused one is lost

    // No record set holds more rows, or more values (rows times fields), than
    // these: fifty times the largest school's table, yet far from all memory.
    static constexpr qint64 kMaxRows = 500'000;
    static constexpr qint64 kMaxCells = 5'000'000;
    // The texts and blobs of a typed query's rows together, in bytes: each value
    // may be megabytes long, so rows and cells alone do not bound its memory.
    static constexpr qint64 kMaxTypedBytes = 16 * 1024 * 1024;

    std::shared_ptr<Database> database() const { return db_; }
    QString source() const { return source_; }
    bool isTable() const { return isTable_; }
    bool isUpdatable() const { return !baseTable_.isEmpty(); }
    QString baseTable() const { return baseTable_; }

    int fieldCount() const;
    QString fieldName(int i) const;
    int fieldIndex(const QString& name) const;      // -1 when absent
    FieldType fieldType(int i) const;
    int fieldSize(int i) const;
    FieldDef fieldDef(int i) const;
    bool fieldUpdatable(int i) const;
    QVariant value(int i) const;                    // a null QVariant is Null
    QVariant value(const QString& name) const;
    void setValue(int i, const QVariant& v);        // marks the row changed; stored when the cursor leaves it
    void setValue(const QString& name, const QVariant& v);

    int recordCount() const;
    int absolutePosition() const;                   // 1-based; 0 when on BOF or EOF or empty
    void setAbsolutePosition(int pos);              // OutOfRange outside 1..recordCount
    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();

    // Criteria "姓名='张三'", "STID = '20040001'", "学号>=5", with And between terms;
    // starts at the current row (skip 0) or the next one (skip 1), or at the first row when
    // fromStart; on no match the cursor is on EOF (BOF searching backward) and it returns false.
    // An equality on a field goes through an index of that field, made at its first such
    // Find and kept in step with the set's own edits.
    bool find(const QString& criteria, int skip = 0, bool forward = true, bool fromStart = false);
    // Find by one field's value without any criteria text (typed values go this way).
    bool findValue(const QString& field, const QVariant& value, int skip = 0, bool fromStart = false);

    void setSort(const QString& sort);              // "学号", "总分 desc,姓名"; "" = stored order
    QString sort() const { return sort_; }
    void setFilter(const QString& criteria);        // "" = no filter
    QString filter() const { return filter_; }

    void addNew();                                  // then setValue ..., stored on update/leaving
    void addNew(const QStringList& fields, const QVariantList& values);  // stored at once
    void update();
    // setValue and update in one. A value the database refuses is dropped
    // again, not left pending for the next move to store after all.
    void storeValue(int i, const QVariant& v);
    void storeValue(const QString& name, const QVariant& v);
    void cancelUpdate();
    bool isDirty() const;                           // the current row has unsaved changes
    bool isNewRow() const { return adding_; }
    // Deletes the current row at once. The cursor stays on the deleted row until the
    // next move, so that moveNext goes on with the row that followed it.
    void deleteCurrent();
    // Reads the rows again into new storage; when that fails the old rows, order and
    // current row stay as they were.
    void requery();
    // Stores a pending edit and drops the rows; a closed set has no rows.
    void close();

    // The row at a 0-based view index, for grids; the cursor does not move.
    QVariant valueAt(int row, int field) const;
    int currentIndex() const;                       // 0-based view index, -1 when none
    // The table row behind a 0-based view index (0 for a new or absent row), so
    // that a row a user picked can be written later by its identity.
    qint64 rowIdAt(int row) const;

signals:
    void willMove();        // before the current row changes (also for moves made by code)
    void moveComplete();    // after the current row changed (also for moves made by code)
    void rowsReset();       // rows came, went or were reordered
    void rowChanged(int index);   // a row's values changed (0-based view index)

private:
    struct Column {
        QString name;
        FieldDef def;
        bool typed = false;       // def comes from the schema
        int baseField = -1;       // index into the base table's fields, -1 when not updatable
    };
    TableDef base_;
    // A cell as the engine gave it: a number, or text kept as its bytes in
    // `cellBytes_`. A row's cells are typed at first use, not all at reading:
    // a report reads a few fields of a table's many.
    struct RawCell {
        union {
            qint64 integer = 0;
            double real;
            quint64 at;           // text: where its bytes start in cellBytes_
        };
        quint32 size = 0;         // text: its length in bytes
        quint8 kind = 0;          // the engine's storage class
    };
    struct Row {
        qint64 rowid = 0;
        // Typed cells; a cell whose bit is set in `raw` is still in rawCells_.
        mutable std::vector<QVariant> values;
        mutable quint64 raw = 0;
        quint64 rawAt = 0;        // the row's first cell in rawCells_
    };

    struct Criteria;
    struct Loaded {
        TableDef base;
        QString baseTable;
        bool isTable = false;
        std::vector<Column> columns;
        std::vector<Row> rows;
        std::vector<RawCell> rawCells;
        std::string cellBytes;
    };
    // An index of one field for Finds by equality, kept in step with the set's edits.
    struct FieldIndex {
        QHash<quint64, std::vector<int>> rows;     // key of a value -> indices into rows_
    };

    // A row's cell, typed now if it was not yet; a row is typed whole before it is copied.
    const QVariant& cell(const Row& row, int field) const;
    std::vector<QVariant>& typedValues(const Row& row) const;
    Loaded read() const;
    Loaded readRows() const;
    void adopt(Loaded&& loaded);
    // Called by the database when work this set read or wrote in was rolled back.
    void rereadAfterRollback() noexcept override;
    void checkUsable() const;
    quint64 keyOf(int field, const QVariant& v) const;
    bool indexable(int field) const;
    const std::vector<int>* candidates(int field, const QVariant& v);
    void indexRow(int row, const std::vector<QVariant>* before);
    void ensurePositions();
    void rebuildOrder();
    // The same; a filter or sort the rows cannot take drops both, and its refusal is handed back.
    std::optional<DbError> rebuildOrderOrDropCriteria();
    void setCriterion(QString& criterion, const QString& value);
    void storePending();
    template <class F> void moveTo(F&& change);
    int checkedField(int i) const;
    int needField(const QString& name) const;
    const Row* currentRow() const;
    Criteria parseCriteria(const QString& text) const;
    bool rowMatches(const Row& row, const Criteria& c) const;
    bool findWith(const std::function<bool(const Row&)>& match, int skip, bool forward, bool fromStart,
                  const std::function<const std::vector<int>*()>& candidates = {});
    void requireUpdatable(int field) const;

    std::shared_ptr<Database> db_;
    QString source_;
    QVariantList params_;
    SqlOrigin origin_ = SqlOrigin::Program;
    bool isTable_ = false;
    bool stale_ = false;             // a rollback left rows that could not be read again
    QString baseTable_;
    std::vector<Column> columns_;
    mutable QHash<QString, int> fieldIndexes_;
    // The last list of names added by, resolved: a loop adding rows passes one list.
    QStringList addNames_;
    std::vector<int> addFields_;
    bool fieldTwice_ = false;        // a base field shows in two columns
    std::vector<Row> rows_;          // every row read or added, in stored order
    std::vector<RawCell> rawCells_;  // the cells of rows_ not typed yet
    std::string cellBytes_;
    std::vector<int> order_;         // the rows seen: indices into rows_, filtered and sorted
    int cur_ = -1;                   // index into order_; -1 BOF, order_.size() EOF
    bool onDeleted_ = false;
    QString sort_;
    QString filter_;

    bool dirty_ = false;
    bool adding_ = false;
    std::vector<QVariant> edit_;
    std::vector<bool> touched_;
    int addReturn_ = -1;             // where the cursor was before addNew()

    // The base fields read, each with its first column: a row is written only while
    // it still holds these values.
    std::vector<std::pair<int, int>> matched_;
    std::unordered_map<int, FieldIndex> indexes_;   // by column
    std::vector<int> positions_;     // rows_ index -> place in order_, -1 when not seen
    bool positionsValid_ = false;
};

} // namespace platform::db
