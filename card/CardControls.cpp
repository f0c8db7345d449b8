#include "CardControls.h"

#include "DatasetModel.h"
#include "ErrorBox.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStringListModel>
#include <algorithm>

namespace card {

YearBox::YearBox(QWidget *parent) : QSpinBox(parent)
{
    setRange(0, 9999);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(false); // the year is taken when typing ends, not digit by digit
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (!hasFocus())
            interpretText();
    });
}

QValidator::State YearBox::validate(QString &input, int &pos) const
{
    const QValidator::State state = QSpinBox::validate(input, pos);
    if (state != QValidator::Invalid)
        return state;
    // Digits beyond the limit are taken in and brought within it when the box is left.
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(input).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

void YearBox::fixup(QString &input) const
{
    bool ok = false;
    const qlonglong typed = input.trimmed().toLongLong(&ok);
    if (ok)
        input = QString::number(std::clamp<qlonglong>(typed, minimum(), maximum()));
}

PriceBox::PriceBox(QWidget *parent) : QDoubleSpinBox(parent)
{
    setDecimals(2);
    setRange(0, 999999999.99);
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

namespace {
QString withLocalePoint(const QLocale &locale, QString text)
{
    const QChar point = locale.decimalPoint().front();
    return text.replace(point == u',' ? u'.' : u',', point);
}
} // namespace

QValidator::State PriceBox::validate(QString &input, int &pos) const
{
    input = withLocalePoint(locale(), input);
    return QDoubleSpinBox::validate(input, pos);
}

double PriceBox::valueFromText(const QString &text) const
{
    return QDoubleSpinBox::valueFromText(withLocalePoint(locale(), text));
}

DateBox::DateBox(QWidget *parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
}

void DateBox::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && !isReadOnly() &&
        lineEdit()->selectedText() == lineEdit()->text()) {
        setDate(minimumDate());
        return;
    }
    QDateEdit::keyPressEvent(event);
}

void LoanGridView::keyPressEvent(QKeyEvent *event)
{
    auto *model = qobject_cast<ui::DatasetModel *>(this->model());
    if (model && event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier) &&
        editTriggers() != QAbstractItemView::NoEditTriggers && currentIndex().isValid()) {
        if (ui::platform().messageBox(this, QStringLiteral("Удалить запись?"), QStringLiteral("Подтверждение"),
                                      ui::MsgIcon::Question, ui::Yes | ui::No) == ui::Yes) {
            try {
                model->dataset()->deleteRecord();
            } catch (const data::DataError &e) {
                ui::showApplicationError(e, this);
            }
        }
        return;
    }
    QTableView::keyPressEvent(event);
}

void offerTypedEarlier(QComboBox *box)
{
    auto *typed = new QStringListModel(box);
    auto *completer = new QCompleter(typed, box);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    box->setCompleter(completer);
    QObject::connect(box->lineEdit(), &QLineEdit::editingFinished, box, [box, typed] {
        const QString text = box->currentText();
        QStringList list = typed->stringList();
        if (!text.trimmed().isEmpty() && !list.contains(text)) {
            list.prepend(text);
            typed->setStringList(list);
        }
    });
}

void replaceList(QComboBox *box, const QStringList &items)
{
    const QString shown = box->currentText();
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItems(items);
    box->setCurrentText(shown);
}

QValidator *digitsValidator(QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,9}")), parent);
}

QStringList initialLocations()
{
    return {QStringLiteral("Москва"), QStringLiteral("Санкт-Петербург"), QStringLiteral("Екатеринбург"),
            QStringLiteral("Пермь")};
}

// The two organisations first: the library's own and its parent body.
QStringList initialSources()
{
    return {QStringLiteral("Научная библиотека"), QStringLiteral("Головная организация"), QStringLiteral("Управление"),
            QStringLiteral("Подарок"), QStringLiteral("Покупка")};
}

} // namespace card
