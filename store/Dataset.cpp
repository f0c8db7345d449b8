#include "Dataset.h"

#include "SqlText.h"
#include "StoreError.h"

namespace store {

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
    throw StoreError(QStringLiteral("Macro '%1' not found").arg(name));
}

Param &Dataset::paramByName(const QString &name)
{
    for (Param &p : params_)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return p;
    throw StoreError(QStringLiteral("Parameter '%1' not found").arg(name));
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
            throw StoreError(errors::fieldNotFound(name));
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
        throw StoreError(QString::fromLatin1(errors::ConnectionClosed));
    execute(false);
}

void Dataset::close()
{
    if (!active())
        return;
    if (stmt_)
        sqlite3_reset(stmt_.get());
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
    ++generation_;
    cur_ = -1;
    eof_ = bof_ = true;
}

void Dataset::prepareStatement(const QString &text)
{
    if (stmt_ && text == stmtText_) {
        sqlite3_reset(stmt_.get());
        sqlite3_clear_bindings(stmt_.get());
        return;
    }
    stmt_.reset();
    sqlite3_stmt *raw = nullptr;
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_prepare_v2(conn_->handle(), utf8.constData(), int(utf8.size()), &raw, nullptr);
    if (rc != SQLITE_OK)
        conn_->raiseEngineError(rc);
    if (!raw)
        throw StoreError(QStringLiteral("The SQL text holds no statement"));
    stmt_.reset(raw);
    stmtText_ = text;
}

void Dataset::readFieldDefs()
{
    const int n = sqlite3_column_count(stmt_.get());
    fields_.clear();
    fields_.reserve(std::size_t(n));
    for (int c = 0; c < n; ++c) {
        FieldDef f;
        f.name = QString::fromUtf8(sqlite3_column_name(stmt_.get(), c));
        const char *decl = sqlite3_column_decltype(stmt_.get(), c);
        f.declaredType = decl ? QString::fromUtf8(decl) : QString();
        f.type = fieldTypeFromDeclared(f.declaredType);
        fields_.push_back(f);
    }
}

void Dataset::bindParams()
{
    sqlite3_stmt *st = stmt_.get();
    const int n = sqlite3_bind_parameter_count(st);
    for (int i = 1; i <= n; ++i) {
        const char *raw = sqlite3_bind_parameter_name(st, i);
        if (!raw)
            continue;
        const QString name = QString::fromUtf8(raw + 1);
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
        bindSqlValue(st, i, value);
    }
}

void Dataset::fetchRows()
{
    sqlite3_stmt *st = stmt_.get();
    const int columns = int(fields_.size());
    const std::size_t header = RowRef::headerSize(columns);
    std::vector<const char *> text(static_cast<std::size_t>(columns));
    std::vector<std::uint32_t> length(static_cast<std::size_t>(columns));
    std::vector<int> type(static_cast<std::size_t>(columns));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::size_t total = header;
        for (int c = 0; c < columns; ++c) {
            const int t = type[c] = sqlite3_column_type(st, c);
            if (t == SQLITE_TEXT) {
                text[c] = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
                length[c] = std::uint32_t(sqlite3_column_bytes(st, c));
                total += length[c];
            } else if (t == SQLITE_BLOB) {
                text[c] = static_cast<const char *>(sqlite3_column_blob(st, c));
                length[c] = std::uint32_t(sqlite3_column_bytes(st, c));
                total += length[c];
            }
        }
        char *block = arena_.allocate(total);
        char *slotArea = block + RowRef::slotsOffset(columns);
        std::uint32_t offset = std::uint32_t(header);
        for (int c = 0; c < columns; ++c) {
            char *slot = slotArea + 8 * c;
            switch (type[c]) {
            case SQLITE_INTEGER: {
                block[c] = char(CellType::Integer);
                const sqlite3_int64 v = sqlite3_column_int64(st, c);
                std::memcpy(slot, &v, 8);
                break;
            }
            case SQLITE_FLOAT: {
                block[c] = char(CellType::Float);
                const double v = sqlite3_column_double(st, c);
                std::memcpy(slot, &v, 8);
                break;
            }
            case SQLITE_TEXT:
            case SQLITE_BLOB:
                block[c] = char(type[c] == SQLITE_TEXT ? CellType::Text : CellType::Blob);
                if (length[c])
                    std::memcpy(block + offset, text[c], length[c]);
                std::memcpy(slot, &offset, 4);
                std::memcpy(slot + 4, &length[c], 4);
                offset += length[c];
                break;
            default:
                block[c] = char(CellType::Null);
                break;
            }
        }
        rows_.push_back(block);
    }
    if (rc != SQLITE_DONE)
        conn_->raiseEngineError(rc);
    // Release the read lock at once: another copy of the program may want to write.
    sqlite3_reset(st);
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
        readFieldDefs();
        usedKey_ = masterKey();
        const bool linked = masterSource_ && !masterFields_.isEmpty();
        if (!linked || usedKey_.valid) {
            bindParams();
            fetchRows();
        }
        compileFilter();
        sortOrder_ = SortOrder::parse(indexFieldNames_, fields_);
    } catch (...) {
        if (stmt_)
            sqlite3_reset(stmt_.get());
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

} // namespace store
