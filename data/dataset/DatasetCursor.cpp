// The cursor over the held rows: local filter, sort, moving, bookmarks and the search for a value.
#include "data/dataset/Dataset.h"

#include "data/DataError.h"

namespace data {

void Dataset::checkActive() const
{
    if (!active())
        throw DataError(QString::fromLatin1(errors::ClosedDataset));
}

void Dataset::compileFilter()
{
    localFilter_ = filtered_ ? LocalFilter::compile(filterText_, fields_) : LocalFilter();
}

void Dataset::rebuildView()
{
    view_.clear();
    view_.reserve(rows_.size());
    const int columns = fieldCount();
    const bool filtering = filtered_ && !localFilter_.isEmpty();
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        if (!rows_[r])
            continue; // deleted
        if (filtering && !localFilter_.matches(RowRef(rows_[r], columns)))
            continue;
        view_.push_back(quint32(r));
    }
    sortOrder_.sort(view_, rows_, fields_, sortKeys_);
    positionOfRow_.clear();
}

int Dataset::positionOfRow(quint32 row) const
{
    if (positionOfRow_.size() != rows_.size()) {
        positionOfRow_.assign(rows_.size(), -1);
        for (std::size_t i = 0; i < view_.size(); ++i)
            positionOfRow_[view_[i]] = int(i);
    }
    return row < positionOfRow_.size() ? positionOfRow_[row] : -1;
}

void Dataset::setCurrent(int position)
{
    if (view_.empty())
        position = -1;
    const bool moved = position != cur_;
    cur_ = position;
    eof_ = bof_ = view_.empty();
    if (!moved)
        return;
    emit currentChanged(cur_);
    for (Dataset *d : details_)
        d->masterChanged();
}

void Dataset::postIfEditing()
{
    if (state_ == DatasetState::Edit || state_ == DatasetState::Insert)
        post();
}

void Dataset::first()
{
    checkActive();
    postIfEditing();
    setCurrent(view_.empty() ? -1 : 0);
    bof_ = true;
}

void Dataset::last()
{
    checkActive();
    postIfEditing();
    setCurrent(int(view_.size()) - 1);
    eof_ = true;
}

void Dataset::next()
{
    checkActive();
    postIfEditing();
    if (cur_ + 1 < int(view_.size())) {
        setCurrent(cur_ + 1);
    } else {
        eof_ = true;
    }
}

void Dataset::prior()
{
    checkActive();
    postIfEditing();
    if (cur_ > 0) {
        setCurrent(cur_ - 1);
    } else {
        bof_ = true;
    }
}

void Dataset::setRecNo(int position)
{
    checkActive();
    if (position < 0 || position >= int(view_.size()) || position == cur_)
        return;
    postIfEditing();
    setCurrent(position);
}

int Dataset::recordCount() const
{
    return active() ? int(view_.size()) : 0;
}

Bookmark Dataset::bookmark() const
{
    return bookmarkAt(cur_);
}

Bookmark Dataset::bookmarkAt(int position) const
{
    if (position < 0 || position >= int(view_.size()))
        return Bookmark{0, 0};
    return Bookmark{generation_, view_[std::size_t(position)]};
}

bool Dataset::bookmarkValid(const Bookmark &mark) const
{
    return active() && mark.generation == generation_ && mark.row < rows_.size() && rows_[mark.row]
        && positionOfRow(mark.row) >= 0;
}

void Dataset::gotoBookmark(const Bookmark &mark)
{
    checkActive();
    if (!bookmarkValid(mark))
        throw DataError(QStringLiteral("Record not found"));
    postIfEditing();
    setCurrent(positionOfRow(mark.row));
}

void Dataset::setFilter(const QString &expression)
{
    if (expression == filterText_)
        return;
    if (!active() || !filtered_) {
        filterText_ = expression;
        return;
    }
    postIfEditing();
    LocalFilter compiled = LocalFilter::compile(expression, fields_);
    filterText_ = expression;
    showFilteredRows(std::move(compiled));
}

void Dataset::setFiltered(bool on)
{
    if (on == filtered_)
        return;
    if (!active()) {
        filtered_ = on;
        return;
    }
    postIfEditing();
    LocalFilter compiled = on ? LocalFilter::compile(filterText_, fields_) : LocalFilter();
    filtered_ = on;
    showFilteredRows(std::move(compiled));
}

void Dataset::showFilteredRows(LocalFilter filter)
{
    localFilter_ = std::move(filter);
    rebuildView();
    emit rowsReset();
    cur_ = -2;
    setCurrent(view_.empty() ? -1 : 0);
}

void Dataset::setIndexFieldNames(const QString &text)
{
    if (!active()) {
        indexFieldNames_ = text;
        return;
    }
    postIfEditing();
    SortOrder order = SortOrder::parse(text, fields_);
    const bool hadCurrent = cur_ >= 0;
    const quint32 currentRow = hadCurrent ? view_[std::size_t(cur_)] : 0;
    indexFieldNames_ = text;
    sortOrder_ = std::move(order);
    // Sort from the natural order so that ties always come out the same way. The view holds each
    // row number once: marking them puts them back in order without a comparison sort.
    if (!std::is_sorted(view_.begin(), view_.end())) {
        std::vector<char> shown(rows_.size(), 0);
        for (quint32 r : view_)
            shown[r] = 1;
        view_.clear();
        for (std::size_t r = 0; r < shown.size(); ++r)
            if (shown[r])
                view_.push_back(quint32(r));
    }
    sortOrder_.sort(view_, rows_, fields_, sortKeys_);
    positionOfRow_.clear();
    emit rowsReset();
    const int position = hadCurrent ? positionOfRow(currentRow) : -1;
    cur_ = -2;
    setCurrent(position);
}

int Dataset::fieldIndex(const QString &name) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int Dataset::requireField(const QString &name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw DataError(errors::fieldNotFound(name));
    return i;
}

Field Dataset::field(int index)
{
    if (index < 0 || index >= fieldCount())
        throw DataError(errors::fieldNotFound(QString::number(index)));
    return Field(this, index);
}

Field Dataset::fieldByName(const QString &name) { return Field(this, requireField(name)); }

CellView Dataset::cellAt(int position, int column) const
{
    if (position < 0 || position >= int(view_.size()) || column < 0 || column >= fieldCount())
        return {};
    return RowRef(rows_[view_[std::size_t(position)]], fieldCount()).cell(column);
}

CellView Dataset::currentCell(int column) const { return cellAt(cur_, column); }

} // namespace data
