#pragma once

#include "DeskRules.h"
#include "Readers.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace data {
class Connection;
}

namespace store {

// A holding as the desk meets it, with the first of its open loans if it is out.
struct DeskHolding {
    qint64 bookId = 0;
    QString liter;
    qint64 invNum = 0;
    QString title, author;
    qint64 orderId = 0; // 0 while it is on the shelf
    QString reader;     // who has it
    QDate lent;
    QString shownCode() const;
};

// What a scanned or typed text names: a reader by her card number, and the holdings whose code
// it is; several when only a number was typed and holdings of several letters carry it, or when a
// scanner under the Russian keyboard layout typed Cyrillic for the Latin letters.
struct ScanMatch {
    std::optional<Reader> reader;
    QList<DeskHolding> holdings;
    bool isEmpty() const { return !reader && holdings.isEmpty(); }
};
ScanMatch identifyScan(data::Connection &connection, const QString &text);

// The index the desk finds a holding by its number alone with, made for a catalogue created
// before it (new catalogues have it); in edit mode only.
void ensureHoldingNumberIndex(data::Connection &connection);

// The holding as it stands now.
std::optional<DeskHolding> deskHolding(data::Connection &connection, qint64 bookId);

enum class DeskActionKind { Lend, Return, Extend };

// One change made at the desk, with what undoing it needs.
struct DeskAction {
    DeskActionKind kind = DeskActionKind::Lend;
    qint64 bookId = 0;
    qint64 orderId = 0;
    qint64 extensionSeq = 0; // an extension's number among the loan's due dates
    QString holding;         // its code as shown
    QString title;
    QString reader;
    QDate day;               // the day it was done
    QDate due;               // after a lend or an extension; before a return
    QStringList warnings;    // a lend's: the card's end, the limit passed
    QString text() const;    // the line of the desk's list of actions
    QString undoneText() const;
};

// A scanned holding for the reader: lent to her when it is on the shelf; returned, or extended
// when `extend`, when she has it. Refused, naming who has it and since when, when another
// reader has it, and for a lend to a blocked reader. One transaction.
DeskAction scanHolding(data::Connection &connection, const Reader &reader, qint64 bookId, bool extend,
                       const DeskRules &rules);
// The same for the open loan of one holding she has, named from her list.
DeskAction returnHolding(data::Connection &connection, const Reader &reader, qint64 bookId, const DeskRules &rules);
DeskAction extendHolding(data::Connection &connection, const Reader &reader, qint64 bookId, const DeskRules &rules);

// Undoes an action of the desk: a lend's loan and its due dates go, a return's loan is open again,
// an extension goes; the holding's loan fields follow. Refused when the loan was changed since
// (returned, lent again, extended again). One transaction.
void undoDeskAction(data::Connection &connection, const DeskAction &action);

// The holding's loan fields made again from its first open loan (none: on the shelf).
void mirrorOpenLoan(data::Connection &connection, qint64 bookId);

} // namespace store
