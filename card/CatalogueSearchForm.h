#pragma once

#include "CatalogueSearch.h"
#include "Catalogues.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextBrowser;
class QTreeWidget;

// "Поиск в каталогах": finds records in another library's catalogue by ISBN, author or title and
// gives the chosen one to the card. The search runs on a thread of its own; the window stays
// usable, shows that it is searching, and can stop it.
class TCatalogueSearchForm : public QDialog {
    Q_OBJECT
public:
    explicit TCatalogueSearchForm(QWidget *parent = nullptr);
    ~TCatalogueSearchForm() override;

    void setCatalogues(const std::vector<marc::CatalogueConfig> &catalogues, int timeoutSeconds);
    // The boxes as the card has them.
    void setRequest(const QString &isbn, const QString &author, const QString &title);
    // The record taken with "Взять в карточку".
    const marc::BookFields &chosenFields() const { return chosen_; }

    void btnFindClick();
    void btnStopClick();
    void btnTakeClick();
    void grRecordsChange();
    bool searching() const { return search_.running(); }

    QLineEdit *edISBN, *edAuthor, *edTitle;
    QComboBox *cbCatalogue;
    QPushButton *btnFind, *btnStop, *btnTake, *btnClose;
    QProgressBar *pbSearch;
    QLabel *lblStatus;
    QTreeWidget *grRecords;
    QTextBrowser *edRecord;

signals:
    void searchFinished(); // for the program's own tests: an answer came in

protected:
    void done(int result) override; // a search still running is stopped with the window

private:
    void showResult(const marc::SearchResult &result);
    void setSearching(bool on);
    void warn(const QString &text);

    marc::CatalogueSearch search_;
    std::vector<marc::CatalogueConfig> catalogues_;
    int timeoutSeconds_ = 15;
    std::vector<marc::ReadRecord> records_;
    marc::BookFields chosen_;
};
