#include "LabelSheet.h"

#include "IniFile.h"

#include <cmath>

namespace store {

namespace {

// A layout from a sheet's label size, centred on A4 with the gaps given.
SheetLayout centredOnA4(double width, double height, int columns, int rows, double gapX, double gapY)
{
    SheetLayout s;
    s.columns = columns;
    s.rows = rows;
    s.gapX = gapX;
    s.gapY = gapY;
    s.marginLeft = s.marginRight = (s.pageWidth - columns * width - (columns - 1) * gapX) / 2;
    s.marginTop = s.marginBottom = (s.pageHeight - rows * height - (rows - 1) * gapY) / 2;
    return s;
}

QString mm(double value) { return QString::number(value, 'f', 1).replace(u'.', u','); }

} // namespace

double SheetLayout::labelWidth() const
{
    return columns > 0 ? (pageWidth - marginLeft - marginRight - (columns - 1) * gapX) / columns : 0;
}

double SheetLayout::labelHeight() const
{
    return rows > 0 ? (pageHeight - marginTop - marginBottom - (rows - 1) * gapY) / rows : 0;
}

QRectF SheetLayout::cell(int index) const
{
    const int row = index / columns;
    const int column = index % columns;
    return {marginLeft + column * (labelWidth() + gapX), marginTop + row * (labelHeight() + gapY), labelWidth(),
            labelHeight()};
}

QList<SheetPreset> labelPresets()
{
    return {{QStringLiteral("A4: 3 × 8, 70 × 37 мм"), centredOnA4(70, 37, 3, 8, 0, 0)},
            {QStringLiteral("A4: 3 × 7, 70 × 42,3 мм"), centredOnA4(70, 42.3, 3, 7, 0, 0)},
            {QStringLiteral("A4: 2 × 8, 105 × 37 мм"), centredOnA4(105, 37, 2, 8, 0, 0)},
            {QStringLiteral("A4: 4 × 11, 48,5 × 25,4 мм"), centredOnA4(48.5, 25.4, 4, 11, 0, 0)},
            {QStringLiteral("A4: 3 × 10, 63,5 × 25,4 мм"), centredOnA4(63.5, 25.4, 3, 10, 2.5, 0)}};
}

SheetLayout readerCardSheet() { return centredOnA4(85.6, 54, 2, 5, 5, 3); }

QList<SheetPreset> catalogueCardPresets()
{
    SheetLayout single;
    single.pageWidth = 125;
    single.pageHeight = 75;
    return {{QStringLiteral("A4: 3 карточки 125 × 75 мм"), centredOnA4(125, 75, 1, 3, 0, 10)},
            {QStringLiteral("Карточка 125 × 75 мм на своём листе"), single}};
}

QString sheetLayoutProblem(const SheetLayout &s, double minWidth, double minHeight)
{
    if (!(s.pageWidth > 0) || !(s.pageHeight > 0) || s.pageWidth > 2000 || s.pageHeight > 2000)
        return QStringLiteral("Размер листа должен быть от 1 до 2000 мм.");
    if (s.columns < 1 || s.rows < 1)
        return QStringLiteral("На листе должен быть хотя бы один ряд и один столбец этикеток.");
    if (s.columns > 50 || s.rows > 100)
        return QStringLiteral("Слишком много этикеток на листе: не больше 50 столбцов и 100 рядов.");
    for (double v : {s.marginLeft, s.marginTop, s.marginRight, s.marginBottom, s.gapX, s.gapY})
        if (!(v >= 0))
            return QStringLiteral("Поля и промежутки не могут быть отрицательными.");
    if (s.labelWidth() < minWidth - 1e-6 || s.labelHeight() < minHeight - 1e-6)
        return QStringLiteral("Этикетки не помещаются на лист: при этих полях и промежутках каждая получается "
                              "%1 × %2 мм, а нужно не меньше %3 × %4 мм.")
            .arg(mm(std::max(0.0, s.labelWidth())), mm(std::max(0.0, s.labelHeight())), mm(minWidth), mm(minHeight));
    return {};
}

SheetLayout readSheetLayout(const IniFile *settings, const QString &section, const SheetLayout &fallback)
{
    SheetLayout s = fallback;
    if (!settings)
        return s;
    auto number = [&](const char *key, double &value) {
        bool ok = false;
        const double v = settings->readString(section, QString::fromLatin1(key), QString()).toDouble(&ok);
        if (ok && std::isfinite(v))
            value = v;
    };
    number("PageWidth", s.pageWidth);
    number("PageHeight", s.pageHeight);
    number("MarginLeft", s.marginLeft);
    number("MarginTop", s.marginTop);
    number("MarginRight", s.marginRight);
    number("MarginBottom", s.marginBottom);
    number("GapX", s.gapX);
    number("GapY", s.gapY);
    s.columns = settings->readInteger(section, QStringLiteral("Columns"), s.columns);
    s.rows = settings->readInteger(section, QStringLiteral("Rows"), s.rows);
    return s;
}

bool writeSheetLayout(IniFile &settings, const QString &section, const SheetLayout &s)
{
    const std::pair<const char *, double> numbers[] = {
        {"PageWidth", s.pageWidth}, {"PageHeight", s.pageHeight}, {"MarginLeft", s.marginLeft},
        {"MarginTop", s.marginTop}, {"MarginRight", s.marginRight}, {"MarginBottom", s.marginBottom},
        {"GapX", s.gapX},           {"GapY", s.gapY}};
    bool ok = true;
    for (const auto &[key, value] : numbers)
        ok = settings.writeString(section, QString::fromLatin1(key), QString::number(value)) && ok;
    ok = settings.writeInteger(section, QStringLiteral("Columns"), s.columns) && ok;
    return settings.writeInteger(section, QStringLiteral("Rows"), s.rows) && ok;
}

} // namespace store
