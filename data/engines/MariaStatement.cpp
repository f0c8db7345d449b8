#include "data/engines/MariaStatement.h"

#include "data/DataError.h"
#include "data/engines/MariaEngine.h"

#include <charconv>
#include <mysql.h>

namespace data {

namespace {

constexpr unsigned BinaryCharset = 63;

// The kind of value and the declared type the dataset layer reads the column as.
std::pair<CellType, QString> kindOf(const MYSQL_FIELD &f)
{
    switch (f.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_YEAR: return {CellType::Integer, QStringLiteral("INTEGER")};
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: return {CellType::Float, QStringLiteral("DOUBLE")};
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE: return {CellType::Text, QStringLiteral("DATE")};
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP: return {CellType::Text, QStringLiteral("DATETIME")};
    case MYSQL_TYPE_NULL: return {CellType::Text, QString()};
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_VARCHAR:
        if (f.charsetnr == BinaryCharset && !(f.flags & NUM_FLAG))
            return {CellType::Blob, QStringLiteral("BLOB")};
        return {CellType::Text, QStringLiteral("TEXT")};
    default: return {CellType::Text, QStringLiteral("TEXT")};
    }
}

} // namespace

MariaStatement::MariaStatement(MariaEngine &engine, QByteArray utf8)
    : engine_(engine), sql_(std::move(utf8)), marks_(serverPlaceholders(sql_))
{
    values_.resize(marks_.size());
}

MariaStatement::~MariaStatement() { reset(); }

void MariaStatement::takeColumns(MYSQL_RES *result)
{
    columns_.clear();
    const unsigned n = mysql_num_fields(result);
    const MYSQL_FIELD *fields = mysql_fetch_fields(result);
    for (unsigned c = 0; c < n; ++c) {
        auto [kind, declared] = kindOf(fields[c]);
        columns_.push_back({QString::fromUtf8(fields[c].name, int(fields[c].name_length)), declared, kind});
    }
    described_ = true;
}

// Asks the server for the result's columns without running the statement.
void MariaStatement::describe()
{
    if (described_)
        return;
    QByteArray text = sql_;
    for (qsizetype k = marks_.size() - 1; k >= 0; --k)
        text.replace(marks_[k].start, marks_[k].size, "?");
    MYSQL_STMT *stmt = mysql_stmt_init(engine_.liveSession());
    if (!stmt)
        throw DataError(QStringLiteral("out of memory"));
    if (mysql_stmt_prepare(stmt, text.constData(), static_cast<unsigned long>(text.size())) != 0) {
        const DataError error(QString::fromUtf8(mysql_stmt_error(stmt)), int(mysql_stmt_errno(stmt)));
        mysql_stmt_close(stmt);
        throw error;
    }
    MYSQL_RES *meta = mysql_stmt_result_metadata(stmt);
    if (meta) {
        takeColumns(meta);
        mysql_free_result(meta);
    } else {
        columns_.clear();
        described_ = true;
    }
    mysql_stmt_close(stmt);
}

void MariaStatement::execute()
{
    reset();
    engine_.query(withLiterals(sql_, marks_, values_));
    MYSQL *db = engine_.session();
    result_ = mysql_store_result(db);
    if (!result_ && mysql_field_count(db) != 0)
        engine_.raise();
    engine_.noteResult();
    if (result_) {
        takeColumns(result_);
        lengths_ = nullptr;
    }
}

bool MariaStatement::next()
{
    if (!result_)
        return false;
    row_ = mysql_fetch_row(result_);
    lengths_ = row_ ? mysql_fetch_lengths(result_) : nullptr;
    return row_ != nullptr;
}

int MariaStatement::columnCount()
{
    describe();
    return int(columns_.size());
}

QString MariaStatement::columnName(int column)
{
    describe();
    return columns_.at(std::size_t(column)).name;
}

QString MariaStatement::declaredType(int column)
{
    describe();
    return columns_.at(std::size_t(column)).declared;
}

void MariaStatement::readRow(CellView *cells)
{
    const std::size_t n = columns_.size();
    for (std::size_t c = 0; c < n; ++c) {
        CellView &v = cells[c];
        const char *text = row_[c];
        if (!text) {
            v = {};
            continue;
        }
        const std::string_view bytes(text, lengths_[c]);
        switch (columns_[c].kind) {
        case CellType::Integer: {
            std::int64_t i = 0;
            const auto [end, ec] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), i);
            if (ec == std::errc() && end == bytes.data() + bytes.size()) {
                v = {CellType::Integer, i, 0, {}};
                continue;
            }
            break;
        }
        case CellType::Float: {
            double d = 0;
            const auto [end, ec] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), d);
            if (ec == std::errc() && end == bytes.data() + bytes.size()) {
                v = {CellType::Float, 0, d, {}};
                continue;
            }
            break;
        }
        case CellType::Blob: v = {CellType::Blob, 0, 0, bytes}; continue;
        default: break;
        }
        v = {CellType::Text, 0, 0, bytes}; // also a number the column kind could not take
    }
}

void MariaStatement::reset()
{
    if (result_)
        mysql_free_result(result_);
    result_ = nullptr;
    row_ = nullptr;
    lengths_ = nullptr;
}

} // namespace data
