#pragma once

class QTableView;

namespace ui {

class DatasetModel;

// The view's current row and its dataset's current record follow each other: moving in the
// view moves the record (posting a pending edit, whose error is shown), and a record made
// current by code is selected and scrolled to.
void linkCurrentRow(QTableView *view, DatasetModel *model);

} // namespace ui
