#pragma once

#include <QString>
#include <QtGlobal>

// The sizes and shape of a demonstration catalogue.
struct DemoOptions {
    int holdings = 300;          // rows of books
    int loans = 600;             // rows of orders; about a quarter of holdings have an open loan, the rest returned
    int keywords = 900;          // rows of keywords
    int annotationLength = 300;  // approximate characters of each annotation
    int rubrics = 60;            // rows of categories, in a tree 2-3 levels deep
    int electronicVersions = 10; // holdings with an electronic version (.doc, .pdf, .txt, one without extension)
    int readers = 200;           // distinct reader names the loans carry
    bool registerReaders = false; // a register record for each of them (see DemoReaders.h)
    quint32 seed = 1;            // same seed, same catalogue
    QString filesDir;            // when not empty, a small file is written for each electronic version at
                                 // filesDir/<itemkind_id>/<inv_num><file>
};

// Creates a database file at path with the schema, the initial content (item kinds, the password
// setting) and a generated catalogue of realistic Russian holdings, loans, rubrics and keywords.
// Loans and keywords refer to holdings, so with no holdings none are written.
// Throws std::runtime_error if path already exists, a count is negative, or the engine or the file
// system fails; a partly written database is removed.
void generateDemoCatalogue(const QString &path, const DemoOptions &options);
