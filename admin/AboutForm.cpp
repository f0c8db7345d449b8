#include "AboutFormUnit.h"

#include "Platform.h"
#include "DialogLook.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A label that looks and acts as a link: navy, underlined, a hand cursor, a click runs it.
QLabel *linkLabel(QWidget *parent, const QString &name, const QString &text)
{
    auto *label = new QLabel(QStringLiteral("<a href=\"#\" style=\"color:navy\">%1</a>").arg(text.toHtmlEscaped()),
                             parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::RichText);
    label->setCursor(Qt::PointingHandCursor);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setAccessibleName(text);
    return label;
}

} // namespace

QPixmap TAboutForm::emblem()
{
    QPixmap picture(128, 89);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor navy(0x1f, 0x3a, 0x6e), paper(0xfb, 0xf6, 0xe6), gold(0xd9, 0xa4, 0x2b);
    p.setPen(Qt::NoPen);
    p.setBrush(gold); // the lamp's light over the book
    p.drawEllipse(QPointF(64, 16), 12, 12);
    p.setPen(QPen(navy, 2));
    for (const bool left : {true, false}) {
        QPainterPath page;
        const double edge = left ? 8 : 120, mid = 64;
        page.moveTo(mid, 38);
        page.cubicTo(mid + (edge - mid) * 0.4, 30, edge - (edge - mid) * 0.1, 32, edge, 36);
        page.lineTo(edge, 80);
        page.cubicTo(edge - (edge - mid) * 0.1, 76, mid + (edge - mid) * 0.4, 74, mid, 84);
        page.closeSubpath();
        p.setBrush(paper);
        p.drawPath(page);
        for (int line = 0; line < 4; ++line) { // lines of text on the page
            const double y = 46 + line * 8, from = left ? 20 : 72;
            p.drawLine(QPointF(from, y), QPointF(from + 36, y));
        }
    }
    p.drawLine(QPointF(64, 38), QPointF(64, 84));
    return picture;
}

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("О программе «Библиотека ЛИРМА»"));
    ui::useFixedDialogFrame(this);

    auto *bevel1 = new QFrame(this);
    bevel1->setFrameShape(QFrame::StyledPanel);
    Image1 = new QLabel(bevel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(emblem());
    Image1->setAccessibleName(QStringLiteral("Эмблема программы"));
    (new QVBoxLayout(bevel1))->addWidget(Image1);

    lblProgramName = new QLabel(QStringLiteral("Программа «Библиотека ЛИРМА»"), this);
    QFont big = font();
    big.setPointSize(10);
    lblProgramName->setFont(big);
    lblProgramName->setWordWrap(true);
    Label8 = new QLabel(QStringLiteral("Версия:"), this);
    lblVersionStr = new QLabel(QStringLiteral("2.3 от 17.10.2014 г."), this);
    Label2 = new QLabel(QStringLiteral("E-mail: "), this);
    lblEmail = linkLabel(this, QStringLiteral("lblEmail"), supportMail());
    Label4 = new QLabel(QStringLiteral("Сайт:"), this);
    lblWeb = linkLabel(this, QStringLiteral("lblWeb"), webSite());
    Label2->setBuddy(lblEmail);
    Label4->setBuddy(lblWeb);
    lblNotice = new QLabel(QStringLiteral("© ЛИРМА, 2005–2014. Все права защищены."), this);
    btnOk = new QPushButton(QStringLiteral("Закрыть"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept); // Esc closes as well
    connect(lblEmail, &QLabel::linkActivated, this, &TAboutForm::lblEmailClick);
    connect(lblWeb, &QLabel::linkActivated, this, &TAboutForm::lblWebClick);

    auto *grid = new QGridLayout(this);
    grid->addWidget(bevel1, 0, 0, 5, 1);
    grid->addWidget(lblProgramName, 0, 1, 1, 2);
    grid->addWidget(Label8, 1, 1);
    grid->addWidget(lblVersionStr, 1, 2);
    grid->addWidget(Label2, 2, 1);
    grid->addWidget(lblEmail, 2, 2);
    grid->addWidget(Label4, 3, 1);
    grid->addWidget(lblWeb, 3, 2);
    grid->addWidget(lblNotice, 5, 0, 1, 3);
    grid->addWidget(btnOk, 6, 2, Qt::AlignRight);
    setFixedSize(sizeHint());
}

void TAboutForm::lblEmailClick() { ui::platform().shellOpen(QStringLiteral("mailto:") + supportMail()); }

void TAboutForm::lblWebClick() { ui::platform().shellOpen(webSite()); }
