#pragma once

#include "data/Progress.h"

#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace ui {

// A progress window for long work (backup, restore, a large export). It appears only when the
// work lasts, and each step it shows lets the windows repaint, so the program does not look hung.
// Work that can stop halfway without harm offers "Отмена" (cancellable).
class WorkProgress {
public:
    WorkProgress(QWidget *owner, const QString &label, bool cancellable = false);
    ~WorkProgress();
    WorkProgress(const WorkProgress &) = delete;
    WorkProgress &operator=(const WorkProgress &) = delete;

    data::Progress callback();
    // Shows done of total; false once the librarian has pressed "Отмена".
    bool step(long long done, long long total);

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace ui
