#pragma once

#include "BookFields.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace data {
class Connection;
}

namespace marc {

// Which records of a file the catalogue holds already, or the file itself gives twice: the same
// ISBN (any of a record's, 10 or 13 digits, prefixes and qualifiers aside, the check digit
// right), else the same title, author and year, letter case, punctuation and Ё aside, unless
// both records have ISBNs and they differ (two editions of one year).
class DuplicateMarks {
public:
    explicit DuplicateMarks(data::Connection &connection); // the catalogue's holdings, read once

    struct Mark {
        int sameAs = -1; // the file's record it repeats, 0 for one the catalogue holds, -1 for none
        QString text;    // for the librarian: "уже в каталоге", "повторяет запись 3", a wrong check digit
        bool duplicate() const { return sameAs >= 0; }
    };
    // The mark of the next record of a file (number, from 1); the record is remembered for those after it.
    Mark markNext(const BookFields &fields, int number);

private:
    struct Known {
        int number = 0; // the file's record; 0 for the catalogue's
        QStringList isbnKeys;
    };
    void remember(const BookFields &fields, int number);
    QHash<QString, int> byIsbn_;
    QMultiHash<QString, Known> byTitle_;
};

// The 13-digit keys of the ISBNs a text names ("5-02-013848-7; 978-5-699-12014-7"), those with a
// right check digit; wrong ones are added to *wrong.
QStringList isbnKeysOf(const QString &text, QStringList *wrong = nullptr);

// Title, author and year as two records of one book share them.
QString sameBookKey(const QString &author, const QString &title, const QString &year);

} // namespace marc
