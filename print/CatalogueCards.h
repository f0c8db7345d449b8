#pragma once

#include "SheetJob.h"

#include <QList>
#include <QString>

class QPaintDevice;

namespace print {

// What a catalogue card of a holding shows.
struct CardText {
    QString shelfMark;
    QString heading;
    QString body; // the description after the heading
    QString invNumber;
    QString rubrics;
};

// One line of a card, placed in millimetres from the card's top left corner.
struct CardLine {
    double x = 0;
    double y = 0;
    QString text;
};
using CardPage = QList<CardLine>;

inline constexpr double CardWidthMm = 125;
inline constexpr double CardHeightMm = 75;

// The card and, when the text does not fit, its continuation cards: the shelf mark at the top
// left, the heading from the first indent, the description from the second indent in paragraph
// form (its next lines from the first), the inventory number and the rubric at the bottom. A card
// that is continued ends with "(Продолжение см. на след. карт.)"; the next one repeats the shelf
// mark and heading and carries its number.
QList<CardPage> layoutCatalogueCard(const CardText &text, QPaintDevice *device);

void paintCatalogueCard(QPainter &painter, const QRectF &cell, const CardPage &card);

// The cards of the holdings on sheets of the layout; progress counts holdings.
JobResult paintCatalogueCards(QPagedPaintDevice &device, const QList<CardText> &cards,
                              const store::SheetLayout &layout, int firstCell, const JobProgress &progress = {},
                              const DeviceHealth &healthy = {});

} // namespace print
