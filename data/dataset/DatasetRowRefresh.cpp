// One held row read again, for a change another writer made to a row the dataset holds: cheaper
// than reading the whole result again when that is a catalogue of hundreds of thousands of rows.
#include "data/dataset/Dataset.h"

#include "data/DataError.h"

namespace data {

std::optional<quint32> Dataset::heldRowWithId(qint64 id) const
{
    const int idCol = fieldIndex(QStringLiteral("id"));
    if (idCol < 0)
        return std::nullopt;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (!rows_[r])
            continue;
        const CellView c = RowRef(rows_[r], fieldCount()).cell(idCol);
        if (c.type == CellType::Integer && c.integer == id)
            return quint32(r);
    }
    return std::nullopt;
}

bool Dataset::refreshRow(qint64 id)
{
    if (!active())
        return false;
    const std::optional<quint32> row = heldRowWithId(id);
    if (!row)
        return false;
    const int position = positionOfRow(*row);
    if (position >= 0 && position == cur_ && state_ != DatasetState::Browse)
        return false;
    std::unique_ptr<EngineStatement> st = conn_->prepare(QStringLiteral("SELECT * FROM \"%1\" WHERE id = ?").arg(updateTable()));
    st->bind(1, id);
    st->execute();
    if (!st->next()) {
        st->reset();
        return false;
    }
    const int n = st->columnCount();
    std::vector<CellView> fresh(std::size_t(std::max(n, 0)));
    st->readRow(fresh.data());
    // Columns the table has and the dataset does not are left out; those it lacks keep their value.
    std::vector<CellView> cells(fields_.size());
    const RowRef held(rows_[*row], fieldCount());
    for (int c = 0; c < fieldCount(); ++c)
        cells[std::size_t(c)] = held.cell(c);
    for (int i = 0; i < n; ++i)
        if (const int c = fieldIndex(st->columnName(i)); c >= 0)
            cells[std::size_t(c)] = fresh[std::size_t(i)];
    RowBuilder b(fieldCount());
    for (int c = 0; c < fieldCount(); ++c) {
        const CellView &v = cells[std::size_t(c)];
        switch (v.type) {
        case CellType::Null: b.setNull(c); break;
        case CellType::Integer: b.setInteger(c, v.integer); break;
        case CellType::Float: b.setFloat(c, v.real); break;
        case CellType::Text:
        case CellType::Blob: b.setBytes(c, v.type, v.bytes); break;
        }
    }
    rows_[*row] = b.finish(arena_);
    st->reset();
    sortKeys_.rowChanged(*row);
    if (position >= 0)
        emit rowUpdated(position);
    return true;
}

} // namespace data
