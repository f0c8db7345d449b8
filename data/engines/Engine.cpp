#include "data/engines/Engine.h"

namespace data {

QStringList firstColumnTexts(EngineStatement &statement)
{
    statement.execute();
    std::vector<CellView> cells(std::size_t(std::max(statement.columnCount(), 1)));
    QStringList texts;
    while (statement.next()) {
        statement.readRow(cells.data());
        texts << QString::fromUtf8(cells[0].bytes.data(), qsizetype(cells[0].bytes.size()));
    }
    statement.reset();
    return texts;
}

bool isPlainSqlName(const QByteArray &name)
{
    bool plain = !name.isEmpty() && !(name[0] >= '0' && name[0] <= '9');
    for (char c : name)
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    return plain;
}

} // namespace data
