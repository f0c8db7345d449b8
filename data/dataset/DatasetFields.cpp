// Field reads and writes: the conversions between held values and the kinds of the fields.
#include "data/dataset/Dataset.h"

#include "data/DataError.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace data {

namespace {

const QString IsoDate = QStringLiteral("yyyy-MM-dd");
const QString IsoDateTime = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// Qt's own ISO reading first: the format parser costs some microseconds a date, which a list of
// 20,000 readers with two dates each turns into a noticeable wait.
QDate isoDate(const QString &text)
{
    const QString day = text.left(10);
    const QDate d = QDate::fromString(day, Qt::ISODate);
    return d.isValid() ? d : QDate::fromString(day, IsoDate);
}

QDateTime isoDateTime(const QString &text)
{
    QDateTime dt = QDateTime::fromString(text, IsoDateTime);
    if (!dt.isValid()) {
        const QDate d = isoDate(text);
        if (d.isValid())
            dt = d.startOfDay();
    }
    return dt;
}

QString numberText(const QVariant &v)
{
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return QString::number(v.toLongLong());
}

// The value as the program shows it: a date in the user's short date format.
QString displayText(const FieldDef &f, const QVariant &stored)
{
    if (stored.isNull())
        return {};
    switch (stored.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Double: return numberText(stored);
    case QMetaType::QByteArray: return QString::fromUtf8(stored.toByteArray());
    default: break;
    }
    const QString text = stored.toString();
    if (f.type == FieldType::Date) {
        const QDate d = isoDate(text);
        return d.isValid() ? QLocale().toString(d, QLocale::ShortFormat) : text;
    }
    if (f.type == FieldType::DateTime) {
        const QDateTime dt = isoDateTime(text);
        return dt.isValid() ? QLocale().toString(dt, QLocale::ShortFormat) : text;
    }
    return text;
}

QVariant typedValue(const FieldDef &f, const QVariant &stored)
{
    if (stored.isNull())
        return {};
    if (f.type == FieldType::Float && stored.typeId() == QMetaType::LongLong)
        return stored.toDouble();
    if (stored.typeId() == QMetaType::QString) {
        if (f.type == FieldType::Date) {
            const QDate d = isoDate(stored.toString());
            return d.isValid() ? QVariant(d) : stored;
        }
        if (f.type == FieldType::DateTime) {
            const QDateTime dt = isoDateTime(stored.toString());
            return dt.isValid() ? QVariant(dt) : stored;
        }
    }
    return stored;
}

[[noreturn]] void invalidValue(const QString &text, const char *kind)
{
    throw DataError(QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1StringView(kind)));
}

QDate parseDate(const QString &text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, IsoDate);
    if (!d.isValid())
        d = QLocale().toDate(t, QLocale::ShortFormat);
    if (!d.isValid())
        d = QLocale().toDate(t, QLocale::LongFormat);
    if (!d.isValid())
        invalidValue(text, "date");
    return d;
}

} // namespace

QVariant Dataset::currentValue(int column) const
{
    if ((state_ == DatasetState::Edit || state_ == DatasetState::Insert) && std::size_t(column) < buffer_.size())
        return buffer_[std::size_t(column)];
    return cellToVariant(currentCell(column));
}

QVariant Dataset::valueAt(int position, int column) const
{
    if (position == cur_ && (state_ == DatasetState::Edit || state_ == DatasetState::Insert))
        return typedValue(fields_.at(std::size_t(column)), currentValue(column));
    return typedValue(fields_.at(std::size_t(column)), cellToVariant(cellAt(position, column)));
}

QVariant Dataset::storedValue(int column) const
{
    if (cur_ < 0 || column < 0 || column >= fieldCount())
        return {};
    return typedValue(fields_.at(std::size_t(column)), cellToVariant(cellAt(cur_, column)));
}

QString Dataset::textAt(int position, int column) const
{
    if (position == cur_ && (state_ == DatasetState::Edit || state_ == DatasetState::Insert))
        return displayText(fields_.at(std::size_t(column)), currentValue(column));
    return displayText(fields_.at(std::size_t(column)), cellToVariant(cellAt(position, column)));
}

// Converts a value given by the program to the form it is held and stored in.
QVariant Dataset::storageValue(int column, const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return {};
    const FieldDef &f = fields_.at(std::size_t(column));
    const bool isText = value.typeId() == QMetaType::QString;
    switch (f.type) {
    case FieldType::Integer: {
        if (isText && value.toString().trimmed().isEmpty())
            return {};
        if (value.typeId() == QMetaType::Double)
            return qlonglong(std::llround(value.toDouble()));
        bool ok = false;
        const qlonglong v = isText ? value.toString().trimmed().toLongLong(&ok) : value.toLongLong(&ok);
        if (!ok)
            invalidValue(value.toString(), "integer value");
        return v;
    }
    case FieldType::Float: {
        if (isText && value.toString().trimmed().isEmpty())
            return {};
        bool ok = false;
        double v = value.toDouble(&ok);
        if (!ok && isText)
            v = QLocale().toDouble(value.toString().trimmed(), &ok);
        if (!ok)
            invalidValue(value.toString(), "floating point value");
        return v;
    }
    case FieldType::Date:
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(IsoDate);
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().date().toString(IsoDate);
        if (isText && value.toString().trimmed().isEmpty())
            return {};
        return parseDate(value.toString()).toString(IsoDate);
    case FieldType::DateTime:
        if (value.typeId() == QMetaType::QDateTime)
            return value.toDateTime().toString(IsoDateTime);
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().startOfDay().toString(IsoDateTime);
        return value.toString();
    case FieldType::Blob: return value.toByteArray();
    case FieldType::String: return value.toString();
    case FieldType::Unknown: break;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float: return value.toDouble();
    case QMetaType::QByteArray: return value.toByteArray();
    case QMetaType::QDate: return value.toDate().toString(IsoDate);
    default: return value.toString();
    }
}

void Dataset::setFieldValue(int column, const QVariant &value)
{
    checkActive();
    if (state_ != DatasetState::Edit && state_ != DatasetState::Insert)
        throw DataError(QString::fromLatin1(errors::NotEditing));
    QVariant stored = storageValue(column, value);
    QVariant &slot = buffer_[std::size_t(column)];
    const bool same = slot.isNull() ? stored.isNull() : (!stored.isNull() && slot == stored && slot.typeId() == stored.typeId());
    if (same)
        return;
    slot = std::move(stored);
    modified_[std::size_t(column)] = true;
    emit fieldChanged(column);
}

static bool cellEquals(const CellView &cell, const QVariant &target, const QByteArray &targetText)
{
    if (target.isNull())
        return cell.isNull();
    switch (cell.type) {
    case CellType::Null: return false;
    case CellType::Integer:
        if (target.typeId() == QMetaType::LongLong)
            return cell.integer == target.toLongLong();
        if (target.typeId() == QMetaType::Double)
            return double(cell.integer) == target.toDouble();
        return QByteArray::number(cell.integer) == targetText;
    case CellType::Float:
        if (target.typeId() == QMetaType::LongLong || target.typeId() == QMetaType::Double)
            return cell.real == target.toDouble();
        return false;
    case CellType::Text:
    case CellType::Blob:
        return cell.bytes == std::string_view(targetText.constData(), std::size_t(targetText.size()));
    }
    return false;
}

bool Dataset::moveToValue(const QString &column, const QVariant &value)
{
    checkActive();
    postIfEditing();
    const int col = requireField(column);
    QVariant target;
    try {
        target = storageValue(col, value);
    } catch (const DataError &) {
        return false; // a value that cannot be of this field's kind matches nothing
    }
    const QByteArray targetText = target.typeId() == QMetaType::QByteArray ? target.toByteArray()
                                  : target.isNull()                       ? QByteArray()
                                                                          : target.toString().toUtf8();
    for (int i = 0; i < int(view_.size()); ++i) {
        if (cellEquals(cellAt(i, col), target, targetText)) {
            setCurrent(i);
            return true;
        }
    }
    return false;
}

// Field

const QString &Field::name() const { return ds_->fields_.at(std::size_t(index_)).name; }
FieldType Field::type() const { return ds_->fields_.at(std::size_t(index_)).type; }

bool Field::isNull() const
{
    ds_->checkActive();
    return ds_->currentValue(index_).isNull();
}

qint64 Field::asInteger() const
{
    ds_->checkActive();
    const QVariant v = ds_->currentValue(index_);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return std::llround(v.toDouble());
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok)
        invalidValue(v.toString(), "integer value");
    return n;
}

double Field::asFloat() const
{
    ds_->checkActive();
    const QVariant v = ds_->currentValue(index_);
    if (v.isNull())
        return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        invalidValue(v.toString(), "floating point value");
    return d;
}

QString Field::asString() const
{
    ds_->checkActive();
    return displayText(ds_->fields_.at(std::size_t(index_)), ds_->currentValue(index_));
}

QDate Field::asDate() const
{
    ds_->checkActive();
    const QVariant v = typedValue(ds_->fields_.at(std::size_t(index_)), ds_->currentValue(index_));
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QString)
        return isoDate(v.toString());
    return {};
}

QVariant Field::asVariant() const
{
    ds_->checkActive();
    return typedValue(ds_->fields_.at(std::size_t(index_)), ds_->currentValue(index_));
}

void Field::setValue(const QVariant &value) { ds_->setFieldValue(index_, value); }

} // namespace data
