#include "data/dataset/Dataset.h"

#include "data/DataError.h"
#include "data/text/SqlText.h"

namespace data {

Dataset::Dataset(Connection *connection, QObject *parent) : QObject(parent), conn_(connection)
{
    if (conn_)
        conn_->attach(this);
}

Dataset::~Dataset()
{
    if (masterSource_ && masterSource_->dataset())
        std::erase(masterSource_->dataset()->details_, this);
    for (Dataset *d : details_)
        d->masterSource_ = nullptr;
    if (conn_)
        conn_->detach(this);
}

void Dataset::connectionGone()
{
    stmt_.reset();
    conn_ = nullptr;
}

void Dataset::setSql(const QString &text)
{
    close();
    sql_ = text;
    stmt_.reset();
    std::vector<Macro> macros;
    for (const QString &name : sqlMacroNames(text)) {
        Macro m{name, {}, true};
        for (const Macro &old : macros_)
            if (old.name.compare(name, Qt::CaseInsensitive) == 0)
                m = Macro{name, old.value, old.active};
        macros.push_back(m);
    }
    macros_ = std::move(macros);
    std::vector<Param> params;
    for (const QString &name : sqlParamNames(text)) {
        Param p{name, {}};
        for (const Param &old : params_)
            if (old.name.compare(name, Qt::CaseInsensitive) == 0)
                p.value = old.value;
        params.push_back(p);
    }
    params_ = std::move(params);
}

Macro &Dataset::macroByName(const QString &name)
{
    for (Macro &m : macros_)
        if (m.name.compare(name, Qt::CaseInsensitive) == 0)
            return m;
    throw DataError(QStringLiteral("Macro '%1' not found").arg(name));
}

Param &Dataset::paramByName(const QString &name)
{
    for (Param &p : params_)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    throw DataError(QStringLiteral("Parameter '%1' not found").arg(name));
}

QString Dataset::updateTable() const { return updateTable_.isEmpty() ? sqlMainTable(sql_) : updateTable_; }

QString Dataset::assembledSql() const
{
    QString text = expandSqlMacros(sql_, [this](const QString &name) -> std::optional<QString> {
        for (const Macro &m : macros_)
            if (m.name.compare(name, Qt::CaseInsensitive) == 0)
                return m.active ? m.value : QString();
        return std::nullopt;
    });
    if (!filterSql_.isEmpty())
        text = addSqlCondition(text, filterSql_);
    if (masterSource_ && !masterFields_.isEmpty()) {
        QStringList pairs;
        for (qsizetype i = 0; i < detailFields_.size() && i < masterFields_.size(); ++i)
            pairs << detailFields_[i] + QStringLiteral(" = :") + masterFields_[i];
        text = addSqlCondition(text, pairs.join(QStringLiteral(" and ")));
    }
    return text;
}

// Blanks and control characters, as the filter text is trimmed of them.
static QString trimControls(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

void Dataset::setFilterSQL(const QString &text)
{
    if (text == filterSql_)
        return;
    const QString old = filterSql_;
    const bool wasActive = active();
    if (wasActive)
        postIfEditing();
    filterSql_ = trimControls(text);
    close();
    stmt_.reset();
    if (!wasActive)
        return;
    try {
        open();
    } catch (...) {
        filterSql_ = old;
        throw;
    }
}

void Dataset::setMasterSource(DataSource *source)
{
    if (masterSource_ && masterSource_->dataset())
        std::erase(masterSource_->dataset()->details_, this);
    masterSource_ = source;
    if (masterSource_ && masterSource_->dataset())
        masterSource_->dataset()->details_.push_back(this);
    stmt_.reset();
}

void Dataset::setMasterFields(const QString &fields)
{
    masterFields_ = fields.split(u';', Qt::SkipEmptyParts);
    stmt_.reset();
}

void Dataset::setDetailFields(const QString &fields)
{
    detailFields_ = fields.split(u';', Qt::SkipEmptyParts);
    stmt_.reset();
}

Dataset::MasterKey Dataset::masterKey() const
{
    MasterKey key;
    Dataset *m = masterSource_ ? masterSource_->dataset() : nullptr;
    if (!m || !m->active() || m->isEmpty() || m->cur_ < 0)
        return key;
    for (const QString &name : masterFields_) {
        const int col = m->fieldIndex(name);
        if (col < 0)
            throw DataError(errors::fieldNotFound(name));
        const QVariant v = m->currentValue(col);
        if (v.isNull())
            return MasterKey{};
        key.values << v;
    }
    key.valid = true;
    return key;
}

void Dataset::masterChanged()
{
    if (!active())
        return;
    const MasterKey key = masterKey();
    if (key == usedKey_)
        return;
    postIfEditing();
    execute(false);
}

void Dataset::open()
{
    if (active())
        return;
    if (!conn_ || !conn_->isOpen())
        throw DataError(QString::fromLatin1(errors::ConnectionClosed));
    execute(false);
}

void Dataset::close()
{
    if (!active())
        return;
    if (stmt_)
        stmt_->reset();
    dropRows();
    buffer_.clear();
    modified_.clear();
    state_ = DatasetState::Inactive;
    emit rowsReset();
    emit stateChanged();
    for (Dataset *d : details_)
        d->masterChanged();
}

void Dataset::refresh()
{
    checkActive();
    postIfEditing();
    execute(true);
}

void Dataset::dropRows()
{
    rows_.clear();
    view_.clear();
    positionOfRow_.clear();
    arena_.clear();
    sortKeys_.clear();
    ++generation_;
    cur_ = -1;
    eof_ = bof_ = true;
}

void Dataset::prepareStatement(const QString &text)
{
    if (stmt_ && text == stmtText_) {
        stmt_->reset();
        return;
    }
    stmt_.reset();
    stmt_ = conn_->prepare(text);
    stmtText_ = text;
}

void Dataset::readFieldDefs()
{
    const int n = stmt_->columnCount();
    fields_.clear();
    fields_.reserve(std::size_t(n));
    for (int c = 0; c < n; ++c) {
        FieldDef f;
        f.name = stmt_->columnName(c);
        f.declaredType = stmt_->declaredType(c);
        f.type = fieldTypeFromDeclared(f.declaredType);
        fields_.push_back(f);
    }
}

void Dataset::bindParams()
{
    EngineStatement &st = *stmt_;
    const int n = st.parameterCount();
    for (int i = 1; i <= n; ++i) {
        const QString name = st.parameterName(i);
        QVariant value;
        bool found = false;
        for (qsizetype k = 0; k < masterFields_.size() && masterSource_; ++k) {
            if (masterFields_[k].compare(name, Qt::CaseInsensitive) == 0 && usedKey_.valid) {
                value = usedKey_.values.value(k);
                found = true;
            }
        }
        for (const Param &p : params_) {
            if (!found && p.name.compare(name, Qt::CaseInsensitive) == 0) {
                value = p.value;
                found = true;
            }
        }
        st.bind(i, value);
    }
}

void Dataset::fetchRows()
{
    EngineStatement &st = *stmt_;
    const int columns = int(fields_.size());
    const std::size_t header = RowRef::headerSize(columns);
    std::vector<CellView> cells(static_cast<std::size_t>(columns));
    while (st.next()) {
        st.readRow(cells.data());
        std::size_t total = header;
        for (int c = 0; c < columns; ++c)
            total += cells[c].bytes.size();
        char *block = arena_.allocate(total);
        char *slotArea = block + RowRef::slotsOffset(columns);
        std::uint32_t offset = std::uint32_t(header);
        for (int c = 0; c < columns; ++c) {
            char *slot = slotArea + 8 * c;
            const CellView &v = cells[c];
            block[c] = char(v.type);
            switch (v.type) {
            case CellType::Integer: std::memcpy(slot, &v.integer, 8); break;
            case CellType::Float: std::memcpy(slot, &v.real, 8); break;
            case CellType::Text:
            case CellType::Blob: {
                const std::uint32_t length = std::uint32_t(v.bytes.size());
                if (length)
                    std::memcpy(block + offset, v.bytes.data(), length);
                std::memcpy(slot, &offset, 4);
                std::memcpy(slot + 4, &length, 4);
                offset += length;
                break;
            }
            case CellType::Null: break;
            }
        }
        rows_.push_back(block);
    }
    // Release the read lock at once: another copy of the program may want to write.
    st.reset();
}

void Dataset::execute(bool keepPosition)
{
    const bool wasActive = active();
    qint64 keepId = 0;
    bool haveKeepId = false;
    if (keepPosition && wasActive && cur_ >= 0) {
        const int idCol = fieldIndex(QStringLiteral("id"));
        if (idCol >= 0 && !currentCell(idCol).isNull()) {
            keepId = currentCell(idCol).integer;
            haveKeepId = true;
        }
    }
    dropRows();
    state_ = DatasetState::Inactive;
    buffer_.clear();
    modified_.clear();
    try {
        prepareStatement(assembledSql());
        usedKey_ = masterKey();
        const bool linked = masterSource_ && !masterFields_.isEmpty();
        // The columns are read after the run where there is one: a server tells them with the rows.
        if (!linked || usedKey_.valid) {
            bindParams();
            stmt_->execute();
            readFieldDefs();
            fetchRows();
        } else {
            readFieldDefs();
        }
        compileFilter();
        sortOrder_ = SortOrder::parse(indexFieldNames_, fields_);
    } catch (...) {
        if (stmt_)
            stmt_->reset();
        dropRows();
        if (wasActive) {
            emit rowsReset();
            emit stateChanged();
        }
        throw;
    }
    state_ = DatasetState::Browse;
    rebuildView();
    int position = view_.empty() ? -1 : 0;
    if (haveKeepId) {
        const int idCol = fieldIndex(QStringLiteral("id"));
        for (std::size_t i = 0; i < view_.size(); ++i) {
            const CellView c = RowRef(rows_[view_[i]], fieldCount()).cell(idCol);
            if (c.type == CellType::Integer && c.integer == keepId) {
                position = int(i);
                break;
            }
        }
    }
    emit rowsReset();
    if (!wasActive)
        emit stateChanged();
    cur_ = -2; // force the scroll notification
    setCurrent(position);
}

} // namespace data
