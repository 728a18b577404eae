#include "platform/db/recordset.h"

#include "platform/db/recordset_parts.h"

#include <algorithm>

namespace platform::db {

// ---------------------------------------------------------------------------
// Storing

void Recordset::storePending() {
    if (!dirty_) {
        if (adding_) {
            // Nothing was assigned: no empty row is made.
            adding_ = false;
            cur_ = std::clamp(addReturn_, -1, int(order_.size()));
        }
        return;
    }
    checkUsable();
    // The whole row is checked before anything is written.
    std::vector<int> fields;
    std::vector<QVariant> values;
    fields.reserve(columns_.size());
    values.reserve(columns_.size());
    if (adding_) {
        // The column that gave each base field its value, -1 when none did.
        std::vector<int> given(base_.fields.size(), -1);
        for (size_t c = 0; c < columns_.size(); ++c)
            if (columns_[c].baseField >= 0 && touched_[c])
                given[columns_[c].baseField] = int(c);
        // Assigned values were converted and checked when assigned; only Required is left.
        for (size_t f = 0; f < base_.fields.size(); ++f) {
            if (given[f] >= 0 && !edit_[given[f]].isNull()) {
                fields.push_back(int(f));
                values.push_back(edit_[given[f]]);
            } else {
                Database::checkedValue(base_.fields[f], QVariant());
                if (given[f] >= 0) {
                    fields.push_back(int(f));
                    values.push_back(QVariant());
                }
            }
        }
        db_->noteRecordset(this);
        const qint64 rowid = db_->insertChecked(base_, fields, values);
        rows_.push_back(Row{rowid, std::move(edit_)});   // edit_ is set afresh before its next use
        order_.push_back(int(rows_.size()) - 1);
        if (positionsValid_)
            positions_.push_back(int(order_.size()) - 1);
        indexRow(int(rows_.size()) - 1, nullptr);
        cur_ = int(order_.size()) - 1;
        adding_ = false;
        dirty_ = false;
        emit rowsReset();
        return;
    }
    Row* r = cur_ >= 0 && cur_ < int(order_.size()) && !onDeleted_ ? &rows_[order_[cur_]] : nullptr;
    if (!r) {
        dirty_ = false;
        return;
    }
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (!touched_[c])
            continue;
        fields.push_back(columns_[c].baseField);
        if (edit_[c].isNull())
            Database::checkedValue(base_.fields[columns_[c].baseField], edit_[c]);
        values.push_back(edit_[c]);
    }
    std::vector<int> matched;
    std::vector<QVariant> expected;
    matched.reserve(matched_.size());
    expected.reserve(matched_.size());
    for (const auto& [field, column] : matched_) {
        matched.push_back(field);
        expected.push_back(cell(*r, column));
    }
    db_->noteRecordset(this);
    db_->updateChecked(base_, r->rowid, fields, values, matched, expected);
    if (indexes_.empty()) {
        r->values = edit_;
        r->raw = 0;
    } else {
        std::vector<QVariant> before = std::move(typedValues(*r));
        r->values = edit_;
        r->raw = 0;
        indexRow(order_[cur_], &before);
    }
    dirty_ = false;
    emit rowChanged(cur_);
}

void Recordset::update() {
    if (adding_ && !dirty_)
        cancelUpdate();     // nothing assigned: no empty row, and the cursor goes back
    else
        storePending();
}

void Recordset::storeValue(int i, const QVariant& v) {
    try {
        setValue(i, v);
        update();
    } catch (...) {
        cancelUpdate();
        throw;
    }
}

void Recordset::storeValue(const QString& name, const QVariant& v) {
    storeValue(needField(name), v);
}

void Recordset::cancelUpdate() {
    if (adding_) {
        // The cursor goes back to the row it stood on: that is a move too.
        emit willMove();
        adding_ = false;
        dirty_ = false;
        cur_ = std::clamp(addReturn_, -1, int(order_.size()));
        emit rowsReset();
        emit moveComplete();
        return;
    }
    if (dirty_) {
        dirty_ = false;
        emit rowChanged(cur_);
    }
}

// ---------------------------------------------------------------------------
// Adding, deleting, requery

void Recordset::addNew() {
    if (baseTable_.isEmpty())
        throw DbError(DbError::ReadOnly, QStringLiteral("这个记录集不能添加记录."));
    checkUsable();
    storePending();
    emit willMove();
    storePending();
    addReturn_ = cur_;
    onDeleted_ = false;
    adding_ = true;
    dirty_ = false;
    edit_.assign(columns_.size(), QVariant());
    touched_.assign(columns_.size(), false);
    emit moveComplete();
}

void Recordset::addNew(const QStringList& fields, const QVariantList& values) {
    if (fields.size() != values.size())
        throw DbError(DbError::BadSql, QStringLiteral("字段个数与值的个数不符."));
    if (!(fields == addNames_)) {
        std::vector<int> idx;
        idx.reserve(fields.size());
        for (const QString& f : fields)
            idx.push_back(needField(f));
        addFields_ = std::move(idx);
        addNames_ = fields;
    }
    const std::vector<int> idx = addFields_;   // a willMove handler may add by another list, or requery
    addNew();
    try {
        for (size_t i = 0; i < idx.size(); ++i)
            setValue(idx[i], values[int(i)]);
        storePending();
    } catch (...) {
        cancelUpdate();
        throw;
    }
}

void Recordset::deleteCurrent() {
    if (adding_) {
        cancelUpdate();
        return;
    }
    if (baseTable_.isEmpty())
        throw DbError(DbError::ReadOnly, QStringLiteral("这个记录集不能删除记录."));
    checkUsable();
    const Row* r = currentRow();
    if (!r)
        recordset_parts::noCurrent();
    std::vector<int> matched;
    std::vector<QVariant> expected;
    for (const auto& [field, column] : matched_) {
        matched.push_back(field);
        expected.push_back(cell(*r, column));
    }
    db_->noteRecordset(this);
    db_->deleteChecked(base_, r->rowid, matched, expected);
    dirty_ = false;
    rows_[order_[cur_]].rowid = -1;
    rows_[order_[cur_]].values.assign(columns_.size(), QVariant());
    rows_[order_[cur_]].raw = 0;
    order_.erase(order_.begin() + cur_);
    positionsValid_ = false;
    onDeleted_ = true;
    emit rowsReset();
}

void Recordset::requery() {
    storePending();
    emit willMove();
    storePending();
    Loaded fresh;
    try {
        fresh = read();
    } catch (...) {
        emit moveComplete();    // still on the row it was on
        throw;
    }
    adopt(std::move(fresh));
    stale_ = false;
    cur_ = 0;
    onDeleted_ = false;
    db_->noteRecordset(this);
    // A filter or sort on a field the new rows lack: shown unfiltered, and said.
    if (const auto refused = rebuildOrderOrDropCriteria()) {
        emit rowsReset();
        emit moveComplete();
        throw *refused;
    }
    emit rowsReset();
    emit moveComplete();
}

void Recordset::close() {
    storePending();
    db_->forget(this);      // a rollback brings no rows back into a closed set
    rows_.clear();
    order_.clear();
    indexes_.clear();
    positionsValid_ = false;
    cur_ = 0;
    onDeleted_ = false;
    emit rowsReset();
}

} // namespace platform::db
