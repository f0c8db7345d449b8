#pragma once

#include "data/Progress.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace ui {

// Long work (reading a file of records, an import, an export, a server that must answer) runs on
// a thread of its own, so that the window never freezes: meanwhile a progress window shows (a busy
// bar until steps are reported) and the windows keep painting. The progress window is modal:
// nothing else in the program can be clicked until the work ends, so that no action starts twice.
// The work never touches a widget.
class BackgroundWork {
public:
    BackgroundWork(QWidget *owner, const QString &label);
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork &) = delete;
    BackgroundWork &operator=(const BackgroundWork &) = delete;

    // Offers "Отмена"; onCancel runs on the window's thread when it is pressed (it should make the
    // work end soon, e.g. stop a transfer under way).
    void allowCancel(std::function<void()> onCancel);
    // True once "Отмена" was pressed; from any thread.
    bool cancelled() const { return cancelled_; }
    // How far the work has come; from any thread.
    void report(long long done, long long total);

    // Runs work on a worker thread and returns when it has ended; what it raised is raised here.
    void run(const std::function<void()> &work);
    // The same for work that reports through a Progress, which throws data::Cancelled once
    // "Отмена" was pressed; false when the work was cancelled so.
    bool runWithProgress(const std::function<void(const data::Progress &progress)> &work);

    // True while some work runs on its worker: the catalogue's connection is the worker's then,
    // and the window's thread must leave it alone. For the window's thread only.
    static bool anyRunning();

    // The window, named "BackgroundWork" among its owner's children, for the program's own tests.
    QProgressDialog *dialog() const { return dialog_.get(); }

private:
    std::unique_ptr<QProgressDialog> dialog_;
    std::function<void()> onCancel_;
    std::atomic<bool> cancelled_{false};
};

} // namespace ui
