#pragma once

#include "PrintOutput.h"

#include <QDate>
#include <QList>
#include <QString>

class QWidget;

namespace print {

// A reader as her card shows her.
struct ReaderCardData {
    QString cardNumber;
    QString fullName;
    QDate validUntil; // invalid: no end date printed
};

// Credit-card sized reader cards (85.6 × 54 mm): the library's name, "Читательский билет", the
// reader's name, "Действителен до", the card number as a Code 128 barcode with the number under it.
// Card numbers Code 128 cannot carry are refused, each with its reason, in *refused.
SheetRun readerCardRun(const QList<ReaderCardData> &readers, const QString &libraryName,
                       const store::SheetLayout &layout, QStringList *refused);

// The library's name for the cards: [Library] Name= of library.ini.
QString libraryNameFromSettings();

// The readers window's entry: the print window for the readers' cards (preview, printer, PDF),
// shown modally over owner. Cards that cannot be made are named before anything is printed.
void printReaderCards(QWidget *owner, const QList<ReaderCardData> &readers, const QString &libraryName);

} // namespace print
