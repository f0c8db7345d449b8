// The windows as a screen reader meets them: every input control has a name, and a control
// activated through the accessibility interface does what a click does.
#include "CardFixture.h"
#include "ItemKindsFormUnit.h"
#include "MailSettingsForm.h"
#include "OverdueForm.h"
#include "ScreenReader.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

namespace {

void doAction(QWidget *w, const QString &action)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    QVERIFY(iface && iface->actionInterface());
    QVERIFY(iface->actionInterface()->actionNames().contains(action));
    iface->actionInterface()->doAction(action);
}

QString firstValue(WindowFixture &f, const QString &sql)
{
    data::Dataset q(&f.db().MyServer);
    q.setSql(sql);
    q.open();
    return q.isEmpty() ? QStringLiteral("<none>") : q.field(0).asString();
}

QString accessibleChildName(QWidget *w, const QString &name)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    for (int i = 0; iface && i < iface->childCount(); ++i)
        if (QAccessibleInterface *child = iface->child(i); child && child->text(QAccessible::Name) == name)
            return name;
    return {};
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlIsNamed()
    {
        CardFixture f;
        f.addHolding(3, 1, QStringLiteral("Книга"));
        QCOMPARE(unnamedControls(f.w), QStringList{});
        QStringList onCard, onPicker;
        f.onCard([&](TBookForm &c) {
            for (QWidget *page : {c.tshSummary, c.tshDetails, c.tshHistory}) {
                c.PageControl1->setCurrentWidget(page);
                onCard << unnamedControls(&c);
            }
        });
        f.w->N2->trigger();
        f.program.CatForm->show();
        onPicker = unnamedControls(f.program.CatForm.get());
        f.program.CatForm->hide();
        QCOMPARE(onCard, QStringList{});
        QCOMPARE(onPicker, QStringList{});
        QStringList onDialogs;
        for (QDialog *dialog : std::initializer_list<QDialog *>{f.program.PeriodFm.get(), f.program.ItemKindsForm.get(),
                                                                f.program.AboutForm.get(), f.program.LoginForm.get(),
                                                                f.program.PasswordForm.get(), f.program.SetupForm.get()}) {
            dialog->show();
            onDialogs << unnamedControls(dialog);
            dialog->hide();
        }
        TMailSettingsForm mail;
        TOverdueForm overdue;
        for (QDialog *dialog : std::initializer_list<QDialog *>{&mail, &overdue}) {
            dialog->show();
            onDialogs << unnamedControls(dialog);
            dialog->hide();
        }
        QCOMPARE(onDialogs, QStringList{});
    }

    // The print windows of labels, cards and the reference list.
    void printWindowsAreNamed()
    {
        CardFixture f;
        f.addHolding(3, 1, QStringLiteral("Книга"));
        QStringList unnamed;
        f.platform.onModal = [&](QDialog &d) {
            unnamed << unnamedControls(&d);
            return int(QDialog::Rejected);
        };
        for (QAction *a : {f.w->miPrintLabels, f.w->miPrintCards, f.w->miReferenceList})
            a->trigger();
        QCOMPARE(f.platform.modalDialogs,
                 QStringList({"SheetPrintForm", "SheetPrintForm", "ReferenceListForm"}));
        QCOMPARE(unnamed, QStringList{});
    }

    // "Toggle" on a quick filter narrows the catalogue as a click does; "Press" opens the card.
    void actionsDoWhatClicksDo()
    {
        CardFixture f;
        const qint64 lent = f.addHolding(3, 1, QStringLiteral("Выданная"));
        f.addHolding(4, 1, QStringLiteral("На полке"));
        f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET onloan = 1 WHERE id = ?"), {lent});
        f.books().refresh();
        doAction(f.w->chbLoaned, QAccessibleActionInterface::toggleAction());
        QVERIFY(f.w->chbLoaned->isChecked());
        QCOMPARE(f.books().recordCount(), 1);
        doAction(f.w->chbLoaned, QAccessibleActionInterface::toggleAction());
        QCOMPARE(f.books().recordCount(), 2);
        doAction(f.w->EvBox, QAccessibleActionInterface::toggleAction());
        QCOMPARE(f.books().recordCount(), 0);
        doAction(f.w->EvBox, QAccessibleActionInterface::toggleAction());
        auto *showPassword = f.program.PasswordForm->findChild<QCheckBox *>();
        auto *password = f.program.PasswordForm->findChild<QLineEdit *>();
        QVERIFY(showPassword && password);
        doAction(showPassword, QAccessibleActionInterface::toggleAction());
        QCOMPARE(password->echoMode(), QLineEdit::Normal);
        f.onCard([](TBookForm &) {});
        doAction(f.w->btnNewItem, QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("BookForm")});
    }

    // A screen reader's text is saved as typed text is: a card's author and year, a loan's reader
    // (which "ОК" checks in the box), an item kind's new name.
    void screenReaderTextIsSaved()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        const auto pressOk = [](TBookForm &c) {
            doAction(c.OkBtn, QAccessibleActionInterface::pressAction());
            QTRY_VERIFY(!c.isVisible());
        };
        f.onCard([&](TBookForm &c) {
            setAsScreenReader(c.edAuthor, QStringLiteral("Толстой Л. Н."));
            setAsScreenReader(c.edYear, QStringLiteral("1869")); // taken at once, not when the box is left
            pressOk(c);
        });
        f.w->N2->trigger();
        QCOMPARE(f.stored(id, QStringLiteral("author")), QStringLiteral("Толстой Л. Н."));
        QCOMPARE(f.stored(id, QStringLiteral("year_p")), QStringLiteral("1869"));
        f.onCard([&](TBookForm &c) {
            setAsScreenReader(c.edLoaner, QStringLiteral("Иванова А."));
            pressOk(c);
        });
        f.w->N8->trigger();
        QCOMPARE(firstValue(f, QStringLiteral("SELECT loaner FROM orders")), QStringLiteral("Иванова А."));
        QCOMPARE(f.stored(id, QStringLiteral("loaner")), QStringLiteral("Иванова А."));
        f.platform.onModal = [](QDialog &d) {
            auto &kinds = static_cast<TItemKindsForm &>(d);
            kinds.btnAddClick();
            setAsScreenReader(kinds.edKindName, QStringLiteral("Ноты"));
            kinds.btnClose->click();
            return kinds.result();
        };
        f.w->N4->trigger();
        QCOMPARE(firstValue(f, QStringLiteral("SELECT itemkind_name FROM v_itemkind ORDER BY id DESC")), QStringLiteral("Ноты"));
    }

    // A kind named with "&" shows as stored on its tab and in "Перенести в раздел".
    void ampersandShownAsStored()
    {
        WindowFixture f;
        f.create();
        f.db().AddItemKind(QStringLiteral("Диски & CD"), 5);
        TMainForm &w = f.startInEditMode();
        const QString name = QStringLiteral("Диски & CD");
        QCOMPARE(accessibleChildName(w.tcKinds, name), name);
        QCOMPARE(accessibleChildName(w.miChangeKind, name), name);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
