// Appending, editing, posting and deleting records: each change is written at once.
#include "data/dataset/Dataset.h"

#include "data/DataError.h"

namespace data {

void Dataset::checkCanModify() const
{
    checkActive();
    if (readOnly_)
        throw DataError(QString::fromLatin1(errors::ReadOnly));
}

QString Dataset::quotedColumn(int column) const
{
    QString name = fields_.at(std::size_t(column)).name;
    return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

void Dataset::append()
{
    checkCanModify();
    postIfEditing();
    buffer_.assign(fields_.size(), QVariant());
    modified_.assign(fields_.size(), false);
    // The new record is held as an empty row at the end until it is posted or cancelled.
    RowBuilder empty(fieldCount());
    for (int c = 0; c < fieldCount(); ++c)
        empty.setNull(c);
    rows_.push_back(empty.finish(arena_));
    view_.push_back(quint32(rows_.size() - 1));
    positionOfRow_.clear();
    state_ = DatasetState::Insert;
    emit stateChanged();
    emit rowInserted(int(view_.size()) - 1);
    setCurrent(int(view_.size()) - 1);
    if (onNewRecord)
        onNewRecord(*this);
    Dataset *master = masterSource_ ? masterSource_->dataset() : nullptr;
    if (master && master->active()) {
        for (qsizetype i = 0; i < masterFields_.size() && i < detailFields_.size(); ++i) {
            const int mc = master->fieldIndex(masterFields_[i]);
            const int dc = fieldIndex(detailFields_[i]);
            if (mc >= 0 && dc >= 0 && master->cur_ >= 0)
                setFieldValue(dc, master->currentValue(mc));
        }
    }
}

void Dataset::edit()
{
    checkCanModify();
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert)
        return;
    if (view_.empty())
        throw DataError(QString::fromLatin1(errors::EmptyDataset));
    buffer_.clear();
    buffer_.reserve(fields_.size());
    for (int c = 0; c < fieldCount(); ++c)
        buffer_.push_back(cellToVariant(currentCell(c)));
    modified_.assign(fields_.size(), false);
    state_ = DatasetState::Edit;
    emit stateChanged();
}

void Dataset::cancel()
{
    if (state_ == DatasetState::Insert) {
        const int position = cur_;
        emit rowAboutToBeRemoved(position);
        view_.erase(view_.begin() + position);
        rows_.back() = nullptr;
        sortKeys_.rowChanged(quint32(rows_.size() - 1));
        positionOfRow_.clear();
        state_ = DatasetState::Browse;
        buffer_.clear();
        emit stateChanged();
        emit rowRemoved(position);
        cur_ = -2;
        setCurrent(view_.empty() ? -1 : std::min(position, int(view_.size()) - 1));
        return;
    }
    if (state_ == DatasetState::Edit) {
        state_ = DatasetState::Browse;
        buffer_.clear();
        emit stateChanged();
        for (int c = 0; c < fieldCount(); ++c)
            if (modified_[std::size_t(c)])
                emit fieldChanged(c);
        emit rowUpdated(cur_);
    }
}

const char *Dataset::rowFromBuffer()
{
    RowBuilder b(fieldCount());
    std::vector<QByteArray> keep(fields_.size());
    for (int c = 0; c < fieldCount(); ++c) {
        const QVariant &v = buffer_[std::size_t(c)];
        if (v.isNull()) {
            b.setNull(c);
        } else if (v.typeId() == QMetaType::LongLong) {
            b.setInteger(c, v.toLongLong());
        } else if (v.typeId() == QMetaType::Double) {
            b.setFloat(c, v.toDouble());
        } else if (v.typeId() == QMetaType::QByteArray) {
            keep[std::size_t(c)] = v.toByteArray();
            b.setBytes(c, CellType::Blob, std::string_view(keep[std::size_t(c)].constData(), std::size_t(keep[std::size_t(c)].size())));
        } else {
            keep[std::size_t(c)] = v.toString().toUtf8();
            b.setBytes(c, CellType::Text, std::string_view(keep[std::size_t(c)].constData(), std::size_t(keep[std::size_t(c)].size())));
        }
    }
    return b.finish(arena_);
}

void Dataset::postInsert()
{
    const QString table = updateTable();
    QStringList names, marks;
    QVariantList values;
    for (int c = 0; c < fieldCount(); ++c) {
        if (!modified_[std::size_t(c)])
            continue;
        names << quotedColumn(c);
        marks << QStringLiteral("?");
        values << buffer_[std::size_t(c)];
    }
    const QString sql = names.isEmpty()
        ? QStringLiteral("INSERT INTO \"%1\" DEFAULT VALUES").arg(table)
        : QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(table, names.join(u','), marks.join(u','));
    conn_->runStatement(sql, values);
    const int idCol = fieldIndex(QStringLiteral("id"));
    if (idCol >= 0 && buffer_[std::size_t(idCol)].isNull())
        buffer_[std::size_t(idCol)] = qlonglong(conn_->lastInsertRowId());
    if (idCol >= 0)
        rereadRow(buffer_[std::size_t(idCol)].toLongLong());
}

// Picks up what the engine filled in (column defaults) for the columns the dataset shows.
void Dataset::rereadRow(qint64 id)
{
    std::unique_ptr<EngineStatement> st;
    try {
        st = conn_->prepare(QStringLiteral("SELECT * FROM \"%1\" WHERE id = ?").arg(updateTable()));
        st->bind(1, id);
        st->execute();
        if (!st->next())
            return;
    } catch (const DataError &) {
        return; // the row is stored; only the engine's defaults stay unseen
    }
    const int n = st->columnCount();
    std::vector<CellView> cells(std::size_t(std::max(n, 0)));
    st->readRow(cells.data());
    for (int i = 0; i < n; ++i) {
        const int c = fieldIndex(st->columnName(i));
        if (c < 0 || modified_[std::size_t(c)] || !buffer_[std::size_t(c)].isNull())
            continue;
        const CellView &v = cells[std::size_t(i)];
        switch (v.type) {
        case CellType::Integer: buffer_[std::size_t(c)] = qlonglong(v.integer); break;
        case CellType::Float: buffer_[std::size_t(c)] = v.real; break;
        case CellType::Text: buffer_[std::size_t(c)] = QString::fromUtf8(v.bytes.data(), qsizetype(v.bytes.size())); break;
        case CellType::Blob: buffer_[std::size_t(c)] = QByteArray(v.bytes.data(), qsizetype(v.bytes.size())); break;
        case CellType::Null: break;
        }
    }
}

void Dataset::postUpdate()
{
    const int idCol = requireField(QStringLiteral("id"));
    QStringList sets, unchangedElsewhere;
    QVariantList values, readValues;
    // A changed field must still hold what was read: when another copy of the program changed it
    // meanwhile, the update finds no row rather than overwrite that change unseen.
    const QString sameAs = conn_->isServer() ? QStringLiteral(" <=> ?") : QStringLiteral(" IS ?");
    for (int c = 0; c < fieldCount(); ++c) {
        if (!modified_[std::size_t(c)])
            continue;
        sets << quotedColumn(c) + QStringLiteral(" = ?");
        values << buffer_[std::size_t(c)];
        unchangedElsewhere << quotedColumn(c) + sameAs;
        readValues << cellToVariant(currentCell(c));
    }
    if (sets.isEmpty())
        return;
    values << cellToVariant(currentCell(idCol)); // the key as it was read, even if id itself changed
    values << readValues;
    conn_->runStatement(QStringLiteral("UPDATE \"%1\" SET %2 WHERE id = ? AND %3")
                            .arg(updateTable(), sets.join(QStringLiteral(", ")), unchangedElsewhere.join(QStringLiteral(" AND "))),
                        values);
    const int changed = conn_->changes();
    if (changed != 1)
        throw DataError(errors::updateFailed(changed));
}

void Dataset::post()
{
    checkActive();
    if (state_ != DatasetState::Edit && state_ != DatasetState::Insert)
        return;
    const bool inserting = state_ == DatasetState::Insert;
    try {
        if (inserting)
            postInsert();
        else
            postUpdate();
    } catch (const DataError &e) {
        if (e.kind() == ErrorKind::MaybeApplied)
            rereadAfterLostReply();
        throw;
    }
    // Only now, with the change stored, does the held row take the new values.
    rows_[view_[std::size_t(cur_)]] = rowFromBuffer();
    sortKeys_.rowChanged(view_[std::size_t(cur_)]);
    state_ = DatasetState::Browse;
    buffer_.clear();
    emit stateChanged();
    emit rowUpdated(cur_);
    if (inserting) {
        for (Dataset *d : details_)
            d->masterChanged();
    }
}

// The change may or may not be stored: what is shown comes from the database again, so that the
// librarian sees which, rather than what she typed.
void Dataset::rereadAfterLostReply()
{
    cancel();
    try {
        execute(true);
    } catch (const DataError &) {
        // still no server: the rows held stay, and the next action tries again
    }
}

void Dataset::deleteRecord()
{
    checkCanModify();
    if (state_ == DatasetState::Insert) {
        cancel();
        return;
    }
    if (view_.empty())
        throw DataError(QString::fromLatin1(errors::EmptyDataset));
    postIfEditing();
    if (beforeDelete)
        beforeDelete(*this);
    const int idCol = requireField(QStringLiteral("id"));
    try {
        conn_->runStatement(QStringLiteral("DELETE FROM \"%1\" WHERE id = ?").arg(updateTable()),
                            {cellToVariant(currentCell(idCol))});
    } catch (const DataError &e) {
        if (e.kind() == ErrorKind::MaybeApplied)
            rereadAfterLostReply();
        throw;
    }
    const int changed = conn_->changes();
    if (changed != 1)
        throw DataError(errors::updateFailed(changed));
    const int position = cur_;
    emit rowAboutToBeRemoved(position);
    rows_[view_[std::size_t(position)]] = nullptr;
    sortKeys_.rowChanged(view_[std::size_t(position)]);
    view_.erase(view_.begin() + position);
    positionOfRow_.clear();
    emit rowRemoved(position);
    cur_ = -2;
    setCurrent(view_.empty() ? -1 : std::min(position, int(view_.size()) - 1));
}

} // namespace data
