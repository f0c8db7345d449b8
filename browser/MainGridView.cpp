#include "MainGridView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <limits>

MainGridView::MainGridView(QWidget *parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    QFont titles = horizontalHeader()->font();
    titles.setPointSize(8);
    horizontalHeader()->setFont(titles);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(14);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void MainGridView::setColumnLimits(QList<ColumnLimit> limits)
{
    limits_ = std::move(limits);
    stretchColumns();
}

// The header draws its "ascending" indicator as a downward arrow, so the orders are swapped here
// to make the arrow point the way the rows run.
void MainGridView::showSortMarker(int column, bool ascending)
{
    horizontalHeader()->setSortIndicator(column, ascending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool MainGridView::sortMarkerAscending() const
{
    return horizontalHeader()->sortIndicatorOrder() == Qt::DescendingOrder;
}

void MainGridView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    stretchColumns();
}

void MainGridView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
        stretchColumns();
    }
}

void MainGridView::stretchColumns()
{
    if (!model())
        return;
    const int available = viewport()->width();
    if (available <= 0)
        return;
    // Columns held at a limit keep it; the others share what is left in proportion to their
    // design widths, until no further column reaches a limit.
    QList<int> widths(limits_.size(), 0);
    QList<bool> fixed(limits_.size(), false);
    for (bool settled = false; !settled;) {
        settled = true;
        int flexibleDesign = 0, room = available;
        for (int i = 0; i < limits_.size(); ++i) {
            if (isColumnHidden(i))
                continue;
            if (fixed[i])
                room -= widths[i];
            else
                flexibleDesign += limits_[i].width;
        }
        if (flexibleDesign <= 0)
            break;
        const double scale = double(std::max(room, 0)) / flexibleDesign;
        for (int i = 0; i < limits_.size(); ++i) {
            if (isColumnHidden(i) || fixed[i])
                continue;
            const int w = int(limits_[i].width * scale);
            // The header never draws a column narrower than its own minimum section size.
            int least = std::max(limits_[i].minWidth, horizontalHeader()->minimumSectionSize());
            if (!limits_[i].sample.isEmpty())
                least = std::max(least, fontMetrics().horizontalAdvance(limits_[i].sample) + 10);
            const int most = limits_[i].maxWidth > 0 ? limits_[i].maxWidth : std::numeric_limits<int>::max();
            const int clamped = std::clamp(w, least, std::max(least, most));
            widths[i] = clamped;
            if (clamped != w) {
                fixed[i] = true;
                settled = false;
            }
        }
    }
    for (int i = 0; i < limits_.size(); ++i)
        if (!isColumnHidden(i))
            horizontalHeader()->resizeSection(i, std::max(widths[i], 1));
}

void MainGridView::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    QChar key;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        key = QChar(13);
    else if (event->key() == Qt::Key_Escape)
        key = QChar(27);
    else if (plain && text.size() == 1 && text[0].isPrint())
        key = text[0];
    if (!key.isNull() && onKeyPress && onKeyPress(key)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void MainGridView::contextMenuEvent(QContextMenuEvent *event)
{
    emit contextMenuAboutToOpen(event->globalPos());
    event->accept();
}
