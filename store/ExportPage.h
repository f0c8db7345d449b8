#pragma once

#include <QByteArray>
#include <QString>
#include <array>

namespace store {

// One holding as the export shows it: inventory number, date of receipt, source, author,
// title, place, year, page count, price and note, each as the dataset gives it as text.
using ExportRow = std::array<QString, 10>;

// The table the export puts into its template, built row by row in code page 1251.
class ExportTable {
public:
    ExportTable();
    void addRow(const ExportRow &values);
    QByteArray finish();

private:
    QByteArray bytes_;
};

// The template with the table in place of its first "{content}"; without a marker, the template.
QByteArray exportPage(const QByteArray &templateBytes, const QByteArray &table);

} // namespace store
