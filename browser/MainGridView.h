#pragma once

#include <QTableView>
#include <functional>

// The catalogue grid: whole-row multiple selection, sort markers stepped by title clicks, and
// the keys the main window handles itself (Enter, Esc) before the view's own.
class MainGridView : public QTableView {
    Q_OBJECT
public:
    explicit MainGridView(QWidget *parent = nullptr);

    // Design widths and limits (0 = none); the columns stretch together to the grid's width.
    struct ColumnLimit {
        int width;
        int minWidth;
        int maxWidth;
        QString sample; // a value the column must show whole in the grid's font (a date, a year)
    };
    void setColumnLimits(QList<ColumnLimit> limits);

    // The marker on a column title: pointing up for ascending order, down for descending;
    // column -1 shows none.
    void showSortMarker(int column, bool ascending);
    bool sortMarkerAscending() const;

    // A character typed in the grid; return true when it was handled.
    std::function<bool(QChar)> onKeyPress;

signals:
    void contextMenuAboutToOpen(const QPoint &globalPos);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void stretchColumns();
    QList<ColumnLimit> limits_;
};
