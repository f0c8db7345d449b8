#include "CurrentRowLink.h"

#include "DatasetModel.h"
#include "ErrorBox.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>
#include <memory>

namespace ui {

void linkCurrentRow(QTableView *view, DatasetModel *model)
{
    auto syncing = std::make_shared<bool>(false);
    data::Dataset *ds = model->dataset();
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [view, model, ds, syncing](const QModelIndex &current) {
                         // While the dataset changes its rows the view moves by itself; taking that
                         // for the librarian's move would post a new record that is being cancelled.
                         if (*syncing || model->changingRows() || !current.isValid() || current.row() == ds->recNo())
                             return;
                         *syncing = true;
                         try {
                             ds->setRecNo(current.row());
                         } catch (const data::DataError &e) {
                             showApplicationError(e, view);
                         }
                         *syncing = false;
                     });
    auto toView = [view, model, ds, syncing] {
        if (*syncing)
            return;
        const int row = ds->recNo();
        *syncing = true;
        if (row >= 0 && row < model->rowCount()) {
            const QModelIndex index = model->index(row, std::max(0, view->currentIndex().column()));
            view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            view->scrollTo(index);
        }
        *syncing = false;
    };
    QObject::connect(ds, &data::Dataset::currentChanged, view, toView);
    QObject::connect(model, &QAbstractItemModel::modelReset, view, toView);
}

} // namespace ui
