#pragma once

#include "data/engines/Engine.h"
#include "data/engines/ServerSql.h"

#include <vector>

struct st_mysql_res;

namespace data {

class MariaEngine;

// A statement on the server: its placeholders are filled with literals when it runs, and the
// whole result is read at once. The columns of a statement not yet run are asked of the
// server without running it.
class MariaStatement : public EngineStatement {
public:
    MariaStatement(MariaEngine &engine, QByteArray utf8);
    ~MariaStatement() override;

    int parameterCount() override { return int(marks_.size()); }
    QString parameterName(int index) override { return QString::fromUtf8(marks_.at(index - 1).name); }
    void bind(int index, const QVariant &value) override { values_[std::size_t(index - 1)] = value; }

    void execute() override;
    bool next() override;

    int columnCount() override;
    QString columnName(int column) override;
    QString declaredType(int column) override;
    void readRow(CellView *cells) override;
    void reset() override;

private:
    struct Column {
        QString name;
        QString declared;
        CellType kind;
    };
    void describe();
    void takeColumns(st_mysql_res *result);

    MariaEngine &engine_;
    QByteArray sql_;
    QList<SqlPlaceholder> marks_;
    QVariantList values_;
    std::vector<Column> columns_;
    bool described_ = false;
    st_mysql_res *result_ = nullptr;
    char **row_ = nullptr;
    unsigned long *lengths_ = nullptr;
};

} // namespace data
