#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace store {
class TDBMod;
}

// The rubric picker of the record card: the rubric tree, in which the librarian marks the
// rubrics the current record is filed under.
class TCatForm : public QDialog {
    Q_OBJECT
public:
    explicit TCatForm(QWidget *parent = nullptr);

    void setDataModule(store::TDBMod *module) { dbMod_ = module; }

    void FormShow();
    void btnOkClick();
    void tvRubricsExpanding(QTreeWidgetItem *node);
    // The marked nodes in the order they were marked.
    QList<QTreeWidgetItem *> markedNodes() const { return marked_; }
    // The rubric text the marks stand for.
    QString rubricText() const;

    QLabel *Label1;
    QTreeWidget *tvRubrics;
    QPushButton *btnOk, *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void markRecordRubrics();
    void followSelection();
    void openChosenBranch(QTreeWidgetItem *node);

    store::TDBMod *dbMod_ = nullptr;
    QList<QTreeWidgetItem *> marked_;
    QStringList unmatched_; // elements of the record naming rubrics the tree no longer has
    QTreeWidgetItem *chosen_ = nullptr;
};
