#pragma once

#include "data/Progress.h"

#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace ui {

// A progress window for long work (backup, restore, a large export). It appears only when the
// work lasts, and each step it shows lets the windows repaint, so the program does not look hung.
class WorkProgress {
public:
    WorkProgress(QWidget *owner, const QString &label);
    ~WorkProgress();
    WorkProgress(const WorkProgress &) = delete;
    WorkProgress &operator=(const WorkProgress &) = delete;

    data::Progress callback();

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace ui
