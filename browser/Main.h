#pragma once

#include <QMainWindow>

class QLabel;

namespace store {
class TDBMod;
}

// The main window. For now it shows the catalogue's size; the grid, panes and menus come next.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);

    void setDataModule(store::TDBMod *module) { dbMod_ = module; }
    void ShowRecordCount();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    store::TDBMod *dbMod_ = nullptr;
    QLabel *recordCount_;
    bool shown_ = false;
};
