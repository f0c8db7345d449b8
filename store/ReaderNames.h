#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace store {

// The form of a reader's name under which variants are one reader: letter case, Ё and Е, and
// blanks (leading, trailing, several in a row) make no difference. "Иванова ", "иванова" and
// "ИВАНОВА" share one key.
QString readerNameKey(const QString &name);

// A name as loans have stored it, with how many loans carry it.
struct LoanName {
    QString name;
    qint64 loans = 0;
};

// The names of past loans that are one reader, and the form proposed for her record: the
// variant most loans carry (of equals, the first in the list).
struct NameGroup {
    QString proposed;
    QList<LoanName> variants;
    qint64 loans() const;
};

// Groups the names by their key, in the order their keys first come; empty names are left out.
QList<NameGroup> groupLoanNames(const QList<LoanName> &names);

// True for an address a letter can go to: one "@" with something before and a dotted domain
// after, no blanks and nothing a mail header could be broken with.
bool plausibleMailAddress(const QString &address);

} // namespace store
