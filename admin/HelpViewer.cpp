#include "HelpViewer.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char *const ContextProperty = "helpContext";
HelpViewer *currentViewer = nullptr;

int ownContext(const QWidget *w)
{
    const QVariant v = w->property(ContextProperty);
    return v.isValid() ? v.toInt() : 0;
}

} // namespace

void setHelpContext(QWidget *widget, int context)
{
    if (widget)
        widget->setProperty(ContextProperty, context ? QVariant(context) : QVariant());
}

HelpViewer *helpViewer() { return currentViewer; }
void setHelpViewer(HelpViewer *viewer) { currentViewer = viewer; }

HelpViewer::HelpViewer(const QString &folder, QObject *parent) : QObject(parent), folder_(folder)
{
    qApp->installEventFilter(this);
}

HelpViewer::~HelpViewer()
{
    if (currentViewer == this)
        currentViewer = nullptr;
    delete window_;
}

QWidget *HelpViewer::window() const { return window_; }

QTextBrowser *HelpViewer::browser() const { return window_ ? browser_ : nullptr; }

int HelpViewer::contextOf(QWidget *widget)
{
    for (QWidget *w = widget; w; w = w->parentWidget()) {
        if (const int c = ownContext(w))
            return c;
        if (auto *tabs = qobject_cast<QTabWidget *>(w); tabs && tabs->currentWidget())
            if (const int c = ownContext(tabs->currentWidget()))
                return c;
        if (w->isWindow())
            break;
    }
    return 0;
}

bool HelpViewer::showContext(int context)
{
    return context > 0 && showPage(QString::number(context) + QStringLiteral(".html"));
}

bool HelpViewer::showContents() { return showPage(QStringLiteral("index.html")); }

bool HelpViewer::showPage(const QString &page)
{
    const QString file = QDir(folder_).filePath(page);
    if (!QFileInfo::exists(file))
        return false;
    if (!window_)
        createWindow();
    followModalDialogs(nullptr, false);
    browser_->setSource(QUrl::fromLocalFile(file));
    window_->show();
    window_->raise();
    window_->activateWindow();
    browser_->setFocus();
    return true;
}

void HelpViewer::createWindow()
{
    window_ = new QWidget(nullptr, Qt::Window);
    window_->setObjectName(QStringLiteral("HelpWindow"));
    window_->setWindowTitle(QStringLiteral("Справка — Библиотека"));
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    browser_ = new QTextBrowser(window_);
    browser_->setObjectName(QStringLiteral("brHelp"));
    browser_->setAccessibleName(QStringLiteral("Текст справки"));
    browser_->setOpenExternalLinks(true);
    auto *contents = new QPushButton(QStringLiteral("Содержание"), window_);
    auto *back = new QPushButton(QStringLiteral("Назад"), window_);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), window_);
    connect(contents, &QPushButton::clicked, this, &HelpViewer::showContents);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(close, &QPushButton::clicked, window_, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window_);
    connect(escape, &QShortcut::activated, window_, &QWidget::close);
    back->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *column = new QVBoxLayout(window_);
    column->addLayout(buttons);
    column->addWidget(browser_);
    window_->resize(640, 520);
}

// A modal dialog blocks every window but its own: the help window becomes a window of the
// newest modal dialog, and goes back to the one before (or to none) when that dialog closes.
void HelpViewer::followModalDialogs(QWidget *shownOrHidden, bool shown)
{
    modalDialogs_.removeIf([shownOrHidden](const QPointer<QWidget> &d) { return !d || d == shownOrHidden; });
    if (shown)
        modalDialogs_.append(shownOrHidden);
    QWidget *owner = modalDialogs_.isEmpty() ? nullptr : modalDialogs_.last().data();
    if (!window_ || window_->parentWidget() == owner)
        return;
    const bool visible = window_->isVisible();
    const QRect frame = window_->geometry();
    window_->setParent(owner, Qt::Window);
    if (visible) {
        window_->setGeometry(frame); // where the librarian sees it; a hidden one is placed afresh
        window_->setAttribute(Qt::WA_ShowWithoutActivating);
        window_->show();
        window_->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

bool HelpViewer::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && !event->spontaneous() && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow() && widget->isModal() && widget != window_)
            followModalDialogs(widget, type == QEvent::Show);
        return QObject::eventFilter(watched, event);
    }
    if (type != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1)
        return QObject::eventFilter(watched, event);
    // The key reaches the focused control first; taken there, it goes to no parent after it.
    auto *target = qobject_cast<QWidget *>(watched);
    if (!target || !qobject_cast<QDialog *>(target->window()))
        return QObject::eventFilter(watched, event);
    showContext(contextOf(target));
    return true;
}
