#include "data/script/ServerRestoreChecks.h"

#include "data/Connection.h"
#include "data/DataError.h"

#include <QSet>

namespace data {

namespace {

[[noreturn]] void refuse(const QString &fileName, const QString &why)
{
    throw DataError(QStringLiteral("Файл «%1» не подходит для восстановления каталога на сервере. %2 Каталог не изменён.")
                        .arg(fileName, why),
                    0, ErrorKind::Refused);
}

// Room for "INSERT INTO `name` VALUES " and the packet's own header.
constexpr qsizetype StatementRoom = 4096;
// Rows go in multi-row statements of about this size, fewer when the server takes less.
constexpr qsizetype BatchTarget = 1 << 20;

qint64 maxAllowedPacket(Connection &conn)
{
    auto stmt = conn.prepare(QStringLiteral("SELECT @@max_allowed_packet"));
    stmt->execute();
    CellView cell;
    qint64 bytes = BatchTarget;
    if (stmt->next()) {
        stmt->readRow(&cell);
        bytes = cell.type == CellType::Integer ? cell.integer : QByteArray(cell.bytes.data(), qsizetype(cell.bytes.size())).toLongLong();
    }
    stmt->reset();
    return bytes;
}

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / (1 << 20), 'f', 1);
}

// The column names of a table, for naming a value by its place in an INSERT.
QStringList columnNames(Connection &conn, const QByteArray &table)
{
    auto stmt = conn.prepare(QString::fromUtf8("SELECT * FROM " + conn.sqlName(table) + " WHERE 1 = 0"));
    stmt->execute();
    QStringList names;
    for (int c = 0; c < stmt->columnCount(); ++c)
        names << stmt->columnName(c);
    stmt->reset();
    return names;
}

// The first value of an INSERT, which is the row's id in every catalogue table that has one.
QString firstValue(const QByteArray &utf8, const BackupStatement &st)
{
    const QByteArray values = utf8.mid(st.valuesStart + 1, std::min<qsizetype>(st.valuesSize - 1, 40));
    const qsizetype comma = values.indexOf(',');
    return QString::fromUtf8(comma < 0 ? values : values.left(comma)).trimmed();
}

void refuseInfiniteReal(Connection &conn, const RestorePlan &plan, const BackupStatement &st)
{
    const QStringList columns = columnNames(conn, st.table);
    const QString column = st.infiniteColumn < columns.size() ? columns[st.infiniteColumn]
                                                              : QString::number(st.infiniteColumn + 1);
    refuse(plan.fileName,
           QStringLiteral("Строка %1: в таблице «%2», в записи с первым значением %3, столбец «%4» хранит бесконечно "
                          "большое число, которое сервер хранить не может. Исправьте это значение в каталоге-источнике "
                          "и сделайте резервную копию снова.")
               .arg(st.line)
               .arg(QString::fromUtf8(st.table), firstValue(plan.utf8, st), column));
}

// A table of another storage engine (MyISAM, Aria) keeps what a failed restore wrote.
void requireTransactionalTables(Connection &conn, const RestorePlan &plan)
{
    QSet<QString> written(plan.emptied.begin(), plan.emptied.end());
    for (const BackupStatement &st : plan.statements)
        written.insert(QString::fromUtf8(st.table));
    auto stmt = conn.prepare(QStringLiteral("SELECT table_name, engine FROM information_schema.tables WHERE "
                                            "table_schema = DATABASE() AND table_type = 'BASE TABLE' ORDER BY table_name"));
    stmt->execute();
    QStringList other;
    CellView cells[2];
    while (stmt->next()) {
        stmt->readRow(cells);
        const QString table = QString::fromUtf8(cells[0].bytes.data(), qsizetype(cells[0].bytes.size()));
        const QByteArray engine(cells[1].bytes.data(), qsizetype(cells[1].bytes.size()));
        if (written.contains(table) && engine.compare("InnoDB", Qt::CaseInsensitive) != 0)
            other << QStringLiteral("«%1» (%2)").arg(table, QString::fromUtf8(engine));
    }
    stmt->reset();
    if (!other.isEmpty())
        refuse(plan.fileName,
               QStringLiteral("Таблицы %1 хранятся на сервере без поддержки транзакций: прерванное восстановление "
                              "оставило бы их заполненными наполовину. Выполните на сервере сценарий upgrade_db.sql "
                              "(он переводит таблицы на InnoDB) и повторите восстановление.")
                   .arg(other.join(QStringLiteral(", "))));
}

} // namespace

void checkRestoreOnServer(Connection &conn, RestorePlan &plan)
{
    const qint64 packet = maxAllowedPacket(conn);
    const qsizetype largest = qsizetype(std::max<qint64>(packet - StatementRoom, 1024));
    plan.batchBytes = std::min(BatchTarget, largest);
    for (const BackupStatement &st : plan.statements) {
        if (st.kind != BackupStatement::Insert)
            continue;
        if (st.infiniteColumn >= 0)
            refuseInfiniteReal(conn, plan, st);
        if (st.valuesSize > largest)
            refuse(plan.fileName,
                   QStringLiteral("Строка %1: запись таблицы «%2» занимает %3 МБ, а сервер принимает за раз не больше "
                                  "%4 МБ (max_allowed_packet). Увеличьте max_allowed_packet в настройках сервера и "
                                  "повторите восстановление.")
                       .arg(st.line)
                       .arg(QString::fromUtf8(st.table), megabytes(st.valuesSize), megabytes(packet)));
    }
    requireTransactionalTables(conn, plan);
}

} // namespace data
