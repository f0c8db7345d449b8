#include "BackgroundWork.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <exception>
#include <thread>

namespace ui {

BackgroundWork::BackgroundWork(QWidget *owner, const QString &label)
    : dialog_(std::make_unique<QProgressDialog>(label, QStringLiteral("Отмена"), 0, 100, owner))
{
    dialog_->setObjectName(QStringLiteral("WorkProgress"));
    dialog_->setWindowTitle(QApplication::applicationName());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(400);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setAccessibleName(label);
    dialog_->setValue(0);
}

BackgroundWork::~BackgroundWork() { dialog_->close(); }

bool BackgroundWork::run(const std::function<void(const data::Progress &)> &work)
{
    std::atomic<bool> cancelled{false}, finished{false};
    std::atomic<long long> done{0}, total{0};
    const auto cancel = QObject::connect(dialog_.get(), &QProgressDialog::canceled, [&] { cancelled = true; });
    const data::Progress progress = [&](long long d, long long t) {
        done = d;
        total = t;
        if (cancelled)
            throw data::Cancelled{};
    };
    std::exception_ptr error;
    QEventLoop loop;
    QTimer poll;
    // The window's thread shows the figures the work leaves; the work never touches a widget.
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (dialog_->wasCanceled())
            cancelled = true;
        const long long t = total;
        dialog_->setValue(t > 0 ? qBound(0, int(done * 100 / t), 99) : 0);
        if (finished)
            loop.quit();
    });
    poll.start(50);
    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            error = std::current_exception();
        }
        finished = true;
    });
    loop.exec();
    worker.join();
    poll.stop();
    QObject::disconnect(cancel);
    dialog_->reset();
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const data::Cancelled &) {
            return false;
        }
    }
    return true; // done, though "Отмена" may have come too late to stop it
}

} // namespace ui
