#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QTextBrowser;
class QWidget;

// The program's help: Russian HTML pages of our own in the folder "help" beside the program,
// one page per help context ("1000.html", ...) and the contents "index.html", shown in a help
// window of the program's own. Without the folder or the page, a request does nothing. While a
// modal dialog runs, the help window belongs to it, so that it can still be read and closed.
class HelpViewer : public QObject {
    Q_OBJECT
public:
    explicit HelpViewer(const QString &folder, QObject *parent = nullptr);
    ~HelpViewer() override;

    QString folder() const { return folder_; }
    // Opens the help at a context; false, silently, when there is no page for it.
    bool showContext(int context);
    bool showContents();

    // The context a control carries, or that of the nearest enclosing one; on a tabbed window
    // the page shown counts. 0 when none carries one.
    static int contextOf(QWidget *widget);

    QWidget *window() const;
    QTextBrowser *browser() const;

protected:
    // F1 in a dialog asks for the focused control's context; the main window has its own item.
    // Modal dialogs shown and hidden take the help window along.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool showPage(const QString &page);
    void createWindow();
    void followModalDialogs(QWidget *shownOrHidden, bool shown);

    QString folder_;
    QPointer<QWidget> window_;
    QTextBrowser *browser_ = nullptr;
    QList<QPointer<QWidget>> modalDialogs_; // the dialogs running modally, the newest last
};

// A control's or window's help context; 0 takes it away.
void setHelpContext(QWidget *widget, int context);

// The one viewer of the program; nullptr when none was set up, and help then does nothing.
HelpViewer *helpViewer();
void setHelpViewer(HelpViewer *viewer);
