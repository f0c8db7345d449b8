#pragma once

#include "data/Progress.h"

#include <QString>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace ui {

// Long work (reading a file of records, importing, exporting) on a thread of its own, while a
// progress window with "Отмена" shows how far it has come and the windows keep answering.
// The work learns of "Отмена" from its Progress, which then throws data::Cancelled.
class BackgroundWork {
public:
    BackgroundWork(QWidget *owner, const QString &label);
    ~BackgroundWork();
    BackgroundWork(const BackgroundWork &) = delete;
    BackgroundWork &operator=(const BackgroundWork &) = delete;

    // Runs the work to its end; false when it was cancelled. An error of the work is raised here,
    // on the window's thread.
    bool run(const std::function<void(const data::Progress &progress)> &work);

    // The window, named "WorkProgress" among its owner's children, for the program's own tests.
    QProgressDialog *dialog() const { return dialog_.get(); }

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace ui
