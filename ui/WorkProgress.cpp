#include "WorkProgress.h"

#include <QApplication>
#include <QProgressDialog>

namespace ui {

WorkProgress::WorkProgress(QWidget *owner, const QString &label)
    : dialog_(std::make_unique<QProgressDialog>(label, QString(), 0, 100, owner))
{
    dialog_->setWindowTitle(QApplication::applicationName());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(400);
    dialog_->setAutoClose(false);
    dialog_->setAccessibleName(label);
    dialog_->setValue(0);
}

WorkProgress::~WorkProgress() { dialog_->close(); }

data::Progress WorkProgress::callback()
{
    QProgressDialog *dialog = dialog_.get();
    return [dialog](long long done, long long total) {
        const int percent = total > 0 ? int(done * 100 / total) : 0;
        dialog->setValue(qBound(0, percent, 99));
    };
}

} // namespace ui
