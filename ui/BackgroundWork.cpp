#include "BackgroundWork.h"

#include <QApplication>
#include <QEventLoop>
#include <QScopeGuard>
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

void BackgroundWork::report(long long done, long long total)
{
    // The bar counts in hundredths: a total of millions of bytes does not fit an int.
    const int percent = total > 0 ? int(qBound(0LL, done * 100 / total, 100LL)) : 0;
    QProgressDialog *dialog = dialog_.get();
    QMetaObject::invokeMethod(
        dialog,
        [dialog, percent, known = total > 0] {
            dialog->setMaximum(known ? 100 : 0);
            dialog->setValue(percent);
        },
        Qt::QueuedConnection);
}

namespace {
int running = 0; // works under way, nested ones counted too; the window's thread alone touches it
} // namespace

bool BackgroundWork::anyRunning() { return running > 0; }

void BackgroundWork::run(const std::function<void()> &work)
{
    ++running;
    const auto ended = qScopeGuard([] { --running; });
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

bool BackgroundWork::runWithProgress(const std::function<void(const data::Progress &)> &work)
{
    if (!onCancel_)
        allowCancel([] {});
    const data::Progress progress = [this](long long done, long long total) {
        report(done, total);
        if (cancelled_)
            throw data::Cancelled{};
    };
    try {
        run([&] { work(progress); });
    } catch (const data::Cancelled &) {
        return false;
    }
    return true; // done, though "Отмена" may have come too late to stop it
}

} // namespace ui
