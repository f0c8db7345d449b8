#pragma once

#include "data/Connection.h"
#include "data/dataset/FieldDef.h"
#include "data/dataset/LocalFilter.h"
#include "data/dataset/Row.h"
#include "data/dataset/SortOrder.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

namespace data {

class Dataset;
class DataSource;

enum class DatasetState { Inactive, Browse, Edit, Insert };

// Identifies a held row until the dataset is opened again.
struct Bookmark {
    quint64 generation = 0;
    quint32 row = 0;
    bool operator==(const Bookmark &) const = default;
};

// A `&name` macro of the SQL text; its value is put in as plain text.
struct Macro {
    QString name;
    QString value;
    bool active = true;
};

// A `:name` parameter of the SQL text.
struct Param {
    QString name;
    QVariant value;
};

// One field of the current record, by position. Reads follow the pending edit while the
// dataset is in edit or insert state.
class Field {
public:
    Field(Dataset *dataset, int index) : ds_(dataset), index_(index) {}

    int index() const { return index_; }
    const QString &name() const;
    FieldType type() const;

    bool isNull() const;
    qint64 asInteger() const;      // NULL reads as 0
    double asFloat() const;        // NULL reads as 0
    QString asString() const;      // NULL reads as ""; a date in the short date format
    QDate asDate() const;          // NULL reads as an invalid date
    QVariant asVariant() const;    // NULL reads as an invalid QVariant

    // Setting a value needs edit or insert state; the value is converted to the field's kind.
    void setValue(const QVariant &value);
    void clear() { setValue(QVariant()); }

private:
    Dataset *ds_;
    int index_;
};

// A query whose whole result is held in memory behind a cursor, with an SQL filter added to its
// statement, a local filter and a sort over the held rows, and editing that posts each change
// at once. Observers learn of changes through the signals.
class Dataset : public QObject {
    Q_OBJECT
public:
    explicit Dataset(Connection *connection, QObject *parent = nullptr);
    ~Dataset() override;

    Connection *connection() const { return conn_; }

    // SQL text, macros and parameters. Setting the text closes the dataset.
    QString sql() const { return sql_; }
    void setSql(const QString &text);
    int macroCount() const { return int(macros_.size()); }
    Macro &macro(int index) { return macros_.at(std::size_t(index)); }
    Macro &macroByName(const QString &name);
    int paramCount() const { return int(params_.size()); }
    Param &param(int index) { return params_.at(std::size_t(index)); }
    Param &paramByName(const QString &name);

    // The SQL filter: a condition added to the statement; re-queries when open.
    QString filterSQL() const { return filterSql_; }
    void setFilterSQL(const QString &text);

    // The local filter over the held rows.
    QString filter() const { return filterText_; }
    void setFilter(const QString &expression);
    bool filtered() const { return filtered_; }
    void setFiltered(bool on);

    // The in-memory sort: "col [ASC|DESC] [CIS|CS|BIN]" items separated by ";" or ",".
    QString indexFieldNames() const { return indexFieldNames_; }
    void setIndexFieldNames(const QString &text);

    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }
    // Kept for the callers that state it; every dataset reads its whole result at open so that
    // no statement stays open and holds a read lock on the file.
    bool fetchAll() const { return fetchAll_; }
    void setFetchAll(bool on) { fetchAll_ = on; }

    // The table posted edits go to; by default the first table after FROM.
    QString updateTable() const;
    void setUpdateTable(const QString &table) { updateTable_ = table; }

    // Master link: this dataset holds the rows whose detail fields equal the master's fields.
    void setMasterSource(DataSource *source);
    DataSource *masterSource() const { return masterSource_; }
    void setMasterFields(const QString &fields);
    void setDetailFields(const QString &fields);

    // Lifecycle.
    void open();
    void close();
    bool active() const { return state_ != DatasetState::Inactive; }
    void setActive(bool on) { on ? open() : close(); }
    void refresh();
    // Reads the held row with this id again from its table, as another writer left it, and tells
    // the views of that row alone; false when no such row is held, it is being edited, or it is
    // gone from the table.
    bool refreshRow(qint64 id);
    DatasetState state() const { return state_; }
    QString assembledSql() const; // the statement open would run

    // Cursor.
    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return view_.empty(); }
    int recordCount() const;
    int recNo() const { return cur_; }         // 0-based position in the current order, -1 when empty
    void setRecNo(int position);
    Bookmark bookmark() const;
    bool bookmarkValid(const Bookmark &mark) const;
    void gotoBookmark(const Bookmark &mark);
    bool moveToValue(const QString &column, const QVariant &value);

    // Fields.
    int fieldCount() const { return int(fields_.size()); }
    const FieldDef &fieldDef(int index) const { return fields_.at(std::size_t(index)); }
    const std::vector<FieldDef> &fieldDefs() const { return fields_; }
    int fieldIndex(const QString &name) const; // -1 when there is none
    Field field(int index);
    Field fieldByName(const QString &name);

    // Any held row, by position in the current order: for grids that draw many rows.
    CellView cellAt(int position, int column) const;
    QVariant valueAt(int position, int column) const;
    // The current record's value as it was read or last posted, whatever is pending.
    QVariant storedValue(int column) const;
    QString textAt(int position, int column) const;
    Bookmark bookmarkAt(int position) const;

    // Editing.
    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();
    std::function<void(Dataset &)> onNewRecord;
    std::function<void(Dataset &)> beforeDelete;

    // Called by the connection when it goes away first.
    void connectionGone();

signals:
    void rowsReset();               // rows, their order or the local filter changed as a whole
    void rowInserted(int position);
    void rowAboutToBeRemoved(int position); // the row is still held
    void rowRemoved(int position);
    void rowUpdated(int position);
    void currentChanged(int position);
    void fieldChanged(int column);  // a field of the current record took a new value
    void stateChanged();

private:
    friend class Field;
    friend class DataSource;

    struct MasterKey {
        bool valid = false; // false: the master has no usable current record
        QVariantList values;
        bool operator==(const MasterKey &) const = default;
    };

    // open and fetch
    void execute(bool keepPosition);
    void prepareStatement(const QString &text);
    void readFieldDefs();
    void bindParams();
    void fetchRows();
    void dropRows();
    MasterKey masterKey() const;
    void masterChanged();
    // view
    void rebuildView();
    void compileFilter();
    void showFilteredRows(LocalFilter filter);
    void applySort();
    int positionOfRow(quint32 row) const;
    void afterScroll();
    void setCurrent(int position);
    void checkActive() const;
    void checkCanModify() const;
    void postIfEditing();
    // fields
    int requireField(const QString &name) const;
    CellView currentCell(int column) const;
    QVariant currentValue(int column) const;
    void setFieldValue(int column, const QVariant &value);
    QVariant storageValue(int column, const QVariant &value) const;
    // editing
    void postInsert();
    void postUpdate();
    const char *rowFromBuffer();
    void rereadRow(qint64 id);
    std::optional<quint32> heldRowWithId(qint64 id) const;
    void rereadAfterLostReply();
    QString quotedColumn(int column) const;

    Connection *conn_;
    QString sql_;
    std::vector<Macro> macros_;
    std::vector<Param> params_;
    QString filterSql_;
    QString filterText_;
    bool filtered_ = false;
    QString indexFieldNames_;
    bool readOnly_ = false;
    bool fetchAll_ = false;
    QString updateTable_;

    DataSource *masterSource_ = nullptr;
    QStringList masterFields_;
    QStringList detailFields_;
    MasterKey usedKey_;
    std::vector<Dataset *> details_;

    DatasetState state_ = DatasetState::Inactive;
    std::unique_ptr<EngineStatement> stmt_;
    QString stmtText_;
    std::vector<FieldDef> fields_;
    RowArena arena_;
    std::vector<const char *> rows_;
    std::vector<quint32> view_;
    mutable std::vector<int> positionOfRow_;
    quint64 generation_ = 0;
    int cur_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    LocalFilter localFilter_;
    SortOrder sortOrder_;
    SortKeyCache sortKeys_; // told of every held row that changes

    std::vector<QVariant> buffer_;
    std::vector<bool> modified_;
};

// Links data-aware controls and detail datasets to a dataset.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(Dataset *dataset = nullptr, QObject *parent = nullptr) : QObject(parent), dataset_(dataset) {}
    Dataset *dataset() const { return dataset_; }
    void setDataset(Dataset *dataset) { dataset_ = dataset; }

private:
    Dataset *dataset_;
};

} // namespace data
