#include "platform/db/recordset.h"

#include "platform/db/recordset_parts.h"
#include "platform/db/textorder.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace platform::db {

// ---------------------------------------------------------------------------
// Moving

template <class F>
void Recordset::moveTo(F&& change) {
    storePending();
    emit willMove();
    storePending();     // what a willMove handler wrote belongs to the row being left
    change();
    onDeleted_ = false;
    emit moveComplete();
}

int Recordset::recordCount() const { return int(order_.size()); }

int Recordset::absolutePosition() const {
    if (adding_ || onDeleted_ || cur_ < 0 || cur_ >= int(order_.size()))
        return 0;
    return cur_ + 1;
}

int Recordset::currentIndex() const {
    if (adding_ || onDeleted_ || cur_ < 0 || cur_ >= int(order_.size()))
        return -1;
    return cur_;
}

void Recordset::setAbsolutePosition(int pos) {
    if (pos < 1 || pos > int(order_.size()))
        throw DbError(DbError::OutOfRange, QStringLiteral("记录位置 %1 超出范围 (共 %2 条记录).").arg(pos).arg(order_.size()));
    moveTo([&] { cur_ = pos - 1; });
}

bool Recordset::bof() const {
    if (onDeleted_ || adding_)
        return false;
    return cur_ < 0 || order_.empty();
}

bool Recordset::eof() const {
    if (onDeleted_ || adding_)
        return false;
    return cur_ >= int(order_.size()) || order_.empty();
}

void Recordset::moveFirst() { moveTo([&] { cur_ = 0; }); }

void Recordset::moveLast() { moveTo([&] { cur_ = order_.empty() ? 0 : int(order_.size()) - 1; }); }

void Recordset::moveNext() {
    if (!adding_ && !onDeleted_ && eof())
        recordset_parts::noCurrent();
    const bool fromDeleted = onDeleted_;
    const bool fromNew = adding_;
    moveTo([&] {
        // From a deleted row the row that followed it already stands at its place.
        if (!fromDeleted && !fromNew)
            ++cur_;
        else if (fromNew)
            cur_ = std::min(cur_ + 1, int(order_.size()));
    });
}

void Recordset::movePrevious() {
    if (!adding_ && !onDeleted_ && bof())
        recordset_parts::noCurrent();
    moveTo([&] { cur_ = std::max(cur_ - 1, -1); });
}

bool Recordset::findWith(const std::function<bool(const Row&)>& match, int skip, bool forward, bool fromStart,
                         const std::function<const std::vector<int>*()>& candidates) {
    storePending();
    const int n = int(order_.size());
    int start;
    if (fromStart)
        start = forward ? 0 : n - 1;
    else if (onDeleted_)
        start = forward ? cur_ : cur_ - 1;
    else
        start = forward ? cur_ + skip : cur_ - skip;
    int found = -1;
    const std::vector<int>* some = candidates ? candidates() : nullptr;
    if (some) {
        // Only the rows the field's index names can match: the first of them in view order.
        ensurePositions();
        for (int row : *some) {
            const int at = positions_[row];
            if (at < 0 || (forward ? at < start : at > start))
                continue;
            if ((found < 0 || (forward ? at < found : at > found)) && match(rows_[row]))
                found = at;
        }
    } else if (forward) {
        for (int i = std::max(start, 0); i < n; ++i)
            if (match(rows_[order_[i]])) { found = i; break; }
    } else {
        for (int i = std::min(start, n - 1); i >= 0; --i)
            if (match(rows_[order_[i]])) { found = i; break; }
    }
    moveTo([&] { cur_ = found >= 0 ? found : (forward ? n : -1); });
    return found >= 0;
}

bool Recordset::find(const QString& criteria, int skip, bool forward, bool fromStart) {
    const Criteria c = parseCriteria(criteria);
    // One group with an equality on an indexable field: the index names the rows to try.
    const Criteria::Term* eq = nullptr;
    if (c.anyOf.size() == 1)
        for (const auto& t : c.anyOf.front())
            if (t.op == Criteria::Eq && !t.literal.isNull() && indexable(t.field)) {
                eq = &t;
                break;
            }
    return findWith([&](const Row& r) { return rowMatches(r, c); }, skip, forward, fromStart,
                    eq ? std::function<const std::vector<int>*()>([&] { return candidates(eq->field, eq->literal); })
                       : std::function<const std::vector<int>*()>());
}

bool Recordset::findValue(const QString& field, const QVariant& value, int skip, bool fromStart) {
    const int f = needField(field);
    const Column& col = columns_[f];
    QVariant v = value;
    if (v.isNull())
        return findWith([&](const Row& r) { return cell(r, f).isNull(); }, skip, true, fromStart);
    const bool text = col.typed ? recordset_parts::isTextType(col.def.type) : !recordset_parts::isNumber(value);
    if (!text && col.typed) {
        FieldDef loose = col.def;
        loose.required = false;
        try {
            v = Database::checkedValue(loose, v);
        } catch (const DbError&) {
            return findWith([](const Row&) { return false; }, skip, true, fromStart);
        }
    }
    const QString s = v.toString();
    return findWith([&](const Row& r) {
        const QVariant& x = cell(r, f);
        if (x.isNull())
            return false;
        return text ? compareText(x.toString(), s) == 0 : recordset_parts::compareValues(x, v) == 0;
    }, skip, true, fromStart,
    indexable(f) ? std::function<const std::vector<int>*()>([&] { return candidates(f, v); })
                 : std::function<const std::vector<int>*()>());
}

void Recordset::setSort(const QString& sort) { setCriterion(sort_, sort); }

void Recordset::setFilter(const QString& criteria) { setCriterion(filter_, criteria); }

// A new sort or filter; a refused one leaves the old in force.
void Recordset::setCriterion(QString& criterion, const QString& value) {
    storePending();
    const QString old = criterion;
    criterion = value;
    try {
        rebuildOrder();
    } catch (...) {
        criterion = old;
        rebuildOrder();
        throw;
    }
    emit rowsReset();
    moveTo([&] { cur_ = 0; });
}

// ---------------------------------------------------------------------------
// Field indexes for Finds by equality

bool Recordset::indexable(int field) const {
    const Column& col = columns_[field];
    return col.typed && col.def.type != FieldType::Boolean && col.def.type != FieldType::Date;
}

// Equal values by the Find's comparison give equal keys: texts by their text
// order (letters without case), numbers by value.
quint64 Recordset::keyOf(int field, const QVariant& v) const {
    if (v.isNull())
        return 0;
    quint64 h = 1469598103934665603ULL;
    if (recordset_parts::isTextType(columns_[field].def.type)) {
        const QString t = v.toString();
        for (QChar c : t) {
            h ^= textWeight(c.unicode());
            h *= 1099511628211ULL;
        }
        return h ^ quint64(t.size());
    }
    double d = v.toDouble();
    if (d == 0)
        d = 0;      // -0 is 0
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (h ^ bits) * 1099511628211ULL;
}

const std::vector<int>* Recordset::candidates(int field, const QVariant& v) {
    auto it = indexes_.find(field);
    if (it == indexes_.end()) {
        FieldIndex index;
        for (size_t r = 0; r < rows_.size(); ++r)
            index.rows[keyOf(field, cell(rows_[r], field))].push_back(int(r));
        it = indexes_.emplace(field, std::move(index)).first;
    }
    static const std::vector<int> none;
    const auto hit = it->second.rows.constFind(keyOf(field, v));
    return hit == it->second.rows.constEnd() ? &none : &*hit;
}

void Recordset::indexRow(int row, const std::vector<QVariant>* before) {
    for (auto& [field, index] : indexes_) {
        const quint64 now = keyOf(field, cell(rows_[row], field));
        if (before) {
            const quint64 was = keyOf(field, (*before)[field]);
            if (was == now)
                continue;
            std::vector<int>& old = index.rows[was];
            std::erase(old, row);
        }
        index.rows[now].push_back(row);
    }
}

void Recordset::ensurePositions() {
    if (positionsValid_ && positions_.size() == rows_.size())
        return;
    positions_.assign(rows_.size(), -1);
    for (size_t i = 0; i < order_.size(); ++i)
        positions_[order_[i]] = int(i);
    positionsValid_ = true;
}

QVariant Recordset::valueAt(int row, int field) const {
    if (row < 0 || row >= int(order_.size()) || field < 0 || field >= int(columns_.size()))
        return {};
    if (row == cur_ && dirty_ && !adding_ && !onDeleted_)
        return edit_[field];
    return cell(rows_[order_[row]], field);
}

qint64 Recordset::rowIdAt(int row) const {
    if (row < 0 || row >= int(order_.size()))
        return 0;
    return rows_[order_[row]].rowid;
}

} // namespace platform::db
