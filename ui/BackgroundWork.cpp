#include "BackgroundWork.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <exception>
#include <thread>

namespace ui {

BackgroundWork::BackgroundWork(QWidget *owner, const QString &label)
    : dialog_(std::make_unique<QProgressDialog>(label, QString(), 0, 0, owner))
{
    dialog_->setObjectName(QStringLiteral("BackgroundWork"));
    dialog_->setWindowTitle(QApplication::applicationName());
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    dialog_->setAccessibleName(label);
    // "Отмена" keeps the window up, saying that the work is stopping, until it has.
    QObject::disconnect(dialog_.get(), &QProgressDialog::canceled, dialog_.get(), &QProgressDialog::cancel);
    QObject::connect(dialog_.get(), &QProgressDialog::canceled, dialog_.get(), [this] {
        if (cancelled_.exchange(true))
            return;
        dialog_->setLabelText(QStringLiteral("Останавливается…"));
        if (onCancel_)
            onCancel_();
    });
}

BackgroundWork::~BackgroundWork() { dialog_->hide(); }

void BackgroundWork::allowCancel(std::function<void()> onCancel)
{
    onCancel_ = std::move(onCancel);
    dialog_->setCancelButtonText(QStringLiteral("Отмена"));
}

void BackgroundWork::report(int done, int total)
{
    QProgressDialog *dialog = dialog_.get();
    QMetaObject::invokeMethod(
        dialog,
        [dialog, done, total] {
            dialog->setMaximum(total);
            dialog->setValue(done);
        },
        Qt::QueuedConnection);
}

void BackgroundWork::run(const std::function<void()> &work)
{
    QEventLoop loop;
    std::exception_ptr failure;
    dialog_->show();
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    dialog_->hide();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace ui
