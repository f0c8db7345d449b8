#include "WorkProgress.h"

#include <QApplication>
#include <QProgressDialog>

namespace ui {

WorkProgress::WorkProgress(QWidget *owner, const QString &label, bool cancellable)
    : dialog_(std::make_unique<QProgressDialog>(label, cancellable ? QStringLiteral("Отмена") : QString(), 0, 100,
                                                owner))
{
    dialog_->setWindowTitle(QApplication::applicationName());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(400);
    dialog_->setAutoClose(false);
    dialog_->setAccessibleName(label);
    dialog_->setValue(0);
}

WorkProgress::~WorkProgress() { dialog_->close(); }

bool WorkProgress::step(long long done, long long total)
{
    dialog_->setValue(qBound(0, total > 0 ? int(done * 100 / total) : 0, 99));
    return !dialog_->wasCanceled();
}

data::Progress WorkProgress::callback()
{
    return [this](long long done, long long total) { step(done, total); };
}

} // namespace ui
