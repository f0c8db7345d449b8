#pragma once

#include <QList>
#include <QRectF>
#include <QString>

namespace store {

class IniFile;

// A sheet of equal labels (or cards) in rows and columns, in millimetres. The labels share what
// the page leaves between its margins and the gaps, so a layout is given as a label sheet's maker
// describes it: page, margins, gaps, rows and columns.
struct SheetLayout {
    double pageWidth = 210;
    double pageHeight = 297;
    double marginLeft = 0, marginTop = 0, marginRight = 0, marginBottom = 0;
    double gapX = 0; // between columns
    double gapY = 0; // between rows
    int columns = 1;
    int rows = 1;

    double labelWidth() const;
    double labelHeight() const;
    int perPage() const { return columns * rows; }
    // The label at index (0-based, row by row) on its page.
    QRectF cell(int index) const;
    bool operator==(const SheetLayout &) const = default;
};

struct SheetPreset {
    QString name;
    SheetLayout layout;
};

// The common A4 label sheets.
QList<SheetPreset> labelPresets();
// Credit-card sized reader cards, 85.6 × 54 mm, ten to an A4 page.
SheetLayout readerCardSheet();
// Catalogue cards, 125 × 75 mm: three to an A4 page, or one to a page of the card's own size.
QList<SheetPreset> catalogueCardPresets();

// What is wrong with a layout, in the librarian's words; empty when the labels fit the page.
// minWidth and minHeight: the least a label may measure for what is printed on it.
QString sheetLayoutProblem(const SheetLayout &layout, double minWidth, double minHeight);

// A layout kept in a section of library.ini; a key missing or unreadable keeps the fallback's value.
SheetLayout readSheetLayout(const IniFile *settings, const QString &section, const SheetLayout &fallback);
bool writeSheetLayout(IniFile &settings, const QString &section, const SheetLayout &layout);

} // namespace store
