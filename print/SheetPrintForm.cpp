#include "SheetPrintForm.h"

#include "ErrorBox.h"
#include "IniFile.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace print {

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QString mmText(double v) { return QString::number(v, 'f', 1).replace(u'.', u','); }

} // namespace

bool confirmRefused(QWidget *owner, const QString &caption, const QStringList &refused, int remaining)
{
    constexpr int shown = 10;
    QString list = refused.mid(0, shown).join(u'\n');
    if (refused.size() > shown)
        list += QStringLiteral("\n… и ещё %1").arg(refused.size() - shown);
    if (remaining == 0) {
        ui::platform().messageBox(owner, QStringLiteral("Печатать нечего:\n") + list, caption, ui::MsgIcon::Warning,
                                  ui::Ok);
        return false;
    }
    const QString text = QStringLiteral("Не будут напечатаны (%1):\n%2\n\nНапечатать остальные (%3)?")
                             .arg(refused.size())
                             .arg(list)
                             .arg(remaining);
    return ui::platform().messageBox(owner, text, caption, ui::MsgIcon::Question, ui::Yes | ui::No) == ui::Yes;
}

TSheetPrintForm::TSheetPrintForm(const SheetPrintRequest &request, QWidget *parent) : QDialog(parent), request_(request)
{
    setObjectName(QStringLiteral("SheetPrintForm"));
    setWindowTitle(request.caption);
    buildFields();
    store::SheetLayout remembered = request_.presets.value(0).layout;
    int chosen = 0;
    if (const store::IniFile *ini = store::process().SettingsFile; ini && !request_.settingsSection.isEmpty()) {
        const QString name = ini->readString(request_.settingsSection, QStringLiteral("Preset"), QString());
        chosen = std::max(0, cbLayout->findText(name));
        remembered = store::readSheetLayout(ini, request_.settingsSection, remembered);
    }
    cbLayout->setCurrentIndex(chosen);
    showLayout(cbLayout->currentIndex() < request_.presets.size() ? request_.presets[chosen].layout : remembered);
    layoutChosen();
}

void TSheetPrintForm::buildFields()
{
    auto *form = new QFormLayout;
    auto add = [&](QWidget *field, const char *name, const QString &caption) {
        field->setObjectName(QString::fromLatin1(name));
        QString plain = caption;
        field->setAccessibleName(plain.remove(u'&').remove(u':'));
        form->addRow(caption, field);
    };
    cbLayout = new QComboBox(this);
    for (const store::SheetPreset &p : request_.presets)
        cbLayout->addItem(p.name);
    if (request_.customLayout)
        cbLayout->addItem(QStringLiteral("Своя разметка"));
    add(cbLayout, "cbLayout", QStringLiteral("&Лист:"));
    auto spin = [this](double max) {
        auto *s = new QDoubleSpinBox(this);
        s->setRange(-100, max);
        s->setDecimals(1);
        s->setSuffix(QStringLiteral(" мм"));
        return s;
    };
    edPageWidth = spin(2000), edPageHeight = spin(2000), edMarginLeft = spin(500), edMarginTop = spin(500);
    edMarginRight = spin(500), edMarginBottom = spin(500), edGapX = spin(500), edGapY = spin(500);
    edColumns = new QSpinBox(this), edRows = new QSpinBox(this), edFirstCell = new QSpinBox(this);
    edColumns->setRange(0, 100);
    edRows->setRange(0, 200);
    add(edPageWidth, "edPageWidth", QStringLiteral("&Ширина листа:"));
    add(edPageHeight, "edPageHeight", QStringLiteral("&Высота листа:"));
    add(edMarginLeft, "edMarginLeft", QStringLiteral("Поле с&лева:"));
    add(edMarginTop, "edMarginTop", QStringLiteral("Поле с&верху:"));
    add(edMarginRight, "edMarginRight", QStringLiteral("Поле спр&ава:"));
    add(edMarginBottom, "edMarginBottom", QStringLiteral("Поле сн&изу:"));
    add(edGapX, "edGapX", QStringLiteral("Промежуток между &столбцами:"));
    add(edGapY, "edGapY", QStringLiteral("Промежуток между р&ядами:"));
    add(edColumns, "edColumns", QStringLiteral("Стол&бцов:"));
    add(edRows, "edRows", QStringLiteral("&Рядов:"));
    add(edFirstCell, "edFirstCell", QStringLiteral("&Начать с места №:"));
    cbWhich = new QComboBox(this);
    cbWhich->addItem(QStringLiteral("Все записи списка (%1)").arg(request_.shownCount));
    if (request_.selectedCount > 1) {
        cbWhich->addItem(QStringLiteral("Выделенные записи (%1)").arg(request_.selectedCount));
        cbWhich->setCurrentIndex(1);
    }
    add(cbWhich, "cbWhich", QStringLiteral("&Записи:"));
    cbWhich->setEnabled(request_.selectedCount > 1);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    btnPreview = button(this, "btnPreview", QStringLiteral("&Просмотр…"));
    btnPrint = button(this, "btnPrint", QStringLiteral("Пе&чать…"));
    btnPdf = button(this, "btnPdf", QStringLiteral("В P&DF…"));
    btnClose = button(this, "btnClose", QStringLiteral("Закрыть"));
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {btnPreview, btnPrint, btnPdf, btnClose})
        buttons->addWidget(b);
    auto *column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(lblSummary);
    column->addLayout(buttons);
    connect(cbLayout, &QComboBox::currentIndexChanged, this, &TSheetPrintForm::layoutChosen);
    for (QDoubleSpinBox *s : {edPageWidth, edPageHeight, edMarginLeft, edMarginTop, edMarginRight, edMarginBottom,
                              edGapX, edGapY})
        connect(s, &QDoubleSpinBox::valueChanged, this, &TSheetPrintForm::updateSummary);
    for (QSpinBox *s : {edColumns, edRows})
        connect(s, &QSpinBox::valueChanged, this, &TSheetPrintForm::updateSummary);
    connect(btnPreview, &QPushButton::clicked, this, &TSheetPrintForm::btnPreviewClick);
    connect(btnPrint, &QPushButton::clicked, this, &TSheetPrintForm::btnPrintClick);
    connect(btnPdf, &QPushButton::clicked, this, &TSheetPrintForm::btnPdfClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TSheetPrintForm::showLayout(const store::SheetLayout &s)
{
    showing_ = true;
    const std::pair<QDoubleSpinBox *, double> values[] = {
        {edPageWidth, s.pageWidth}, {edPageHeight, s.pageHeight}, {edMarginLeft, s.marginLeft},
        {edMarginTop, s.marginTop}, {edMarginRight, s.marginRight}, {edMarginBottom, s.marginBottom},
        {edGapX, s.gapX},           {edGapY, s.gapY}};
    for (const auto &[box, value] : values)
        box->setValue(value);
    edColumns->setValue(s.columns);
    edRows->setValue(s.rows);
    showing_ = false;
    updateSummary();
}

void TSheetPrintForm::layoutChosen()
{
    const int i = cbLayout->currentIndex();
    const bool custom = i >= request_.presets.size();
    if (!custom)
        showLayout(request_.presets[i].layout);
    for (QWidget *w : std::initializer_list<QWidget *>{edPageWidth, edPageHeight, edMarginLeft, edMarginTop,
                                                       edMarginRight, edMarginBottom, edGapX, edGapY, edColumns, edRows})
        w->setEnabled(custom);
}

store::SheetLayout TSheetPrintForm::chosenLayout() const
{
    store::SheetLayout s;
    s.pageWidth = edPageWidth->value();
    s.pageHeight = edPageHeight->value();
    s.marginLeft = edMarginLeft->value();
    s.marginTop = edMarginTop->value();
    s.marginRight = edMarginRight->value();
    s.marginBottom = edMarginBottom->value();
    s.gapX = edGapX->value();
    s.gapY = edGapY->value();
    s.columns = edColumns->value();
    s.rows = edRows->value();
    return s;
}

QString TSheetPrintForm::layoutProblem() const
{
    return store::sheetLayoutProblem(chosenLayout(), request_.minWidth, request_.minHeight);
}

void TSheetPrintForm::updateSummary()
{
    if (showing_)
        return;
    const store::SheetLayout s = chosenLayout();
    edFirstCell->setRange(1, std::max(1, s.perPage()));
    const QString problem = layoutProblem();
    lblSummary->setText(problem.isEmpty() ? QStringLiteral("Размер: %1 × %2 мм, на листе: %3")
                                                .arg(mmText(s.labelWidth()), mmText(s.labelHeight()))
                                                .arg(s.perPage())
                                          : problem);
}

void TSheetPrintForm::remember()
{
    store::IniFile *ini = store::process().SettingsFile;
    if (!ini || request_.settingsSection.isEmpty())
        return;
    ini->writeString(request_.settingsSection, QStringLiteral("Preset"), cbLayout->currentText());
    if (cbLayout->currentIndex() >= request_.presets.size())
        store::writeSheetLayout(*ini, request_.settingsSection, chosenLayout());
}

SheetRun TSheetPrintForm::prepared()
{
    const QString problem = layoutProblem();
    if (!problem.isEmpty()) {
        ui::platform().messageBox(this, problem, request_.caption, ui::MsgIcon::Warning, ui::Ok);
        return {};
    }
    remember();
    const bool selectedOnly = cbWhich->currentIndex() == 1;
    if ((selectedOnly ? request_.selectedCount : request_.shownCount) == 0) {
        ui::platform().messageBox(this, QStringLiteral("Печатать нечего: в списке нет ни одной записи."),
                                  request_.caption, ui::MsgIcon::Warning, ui::Ok);
        return {};
    }
    SheetRun run;
    ui::runGuarded(this, [&] { run = request_.prepare(this, selectedOnly, chosenLayout()); });
    return run;
}

void TSheetPrintForm::btnPreviewClick()
{
    if (const SheetRun run = prepared())
        previewSheets(this, request_.caption, chosenLayout(), edFirstCell->value() - 1, run);
}

void TSheetPrintForm::btnPrintClick()
{
    if (const SheetRun run = prepared())
        printSheets(this, request_.caption, chosenLayout(), edFirstCell->value() - 1, run);
}

void TSheetPrintForm::btnPdfClick()
{
    if (const SheetRun run = prepared())
        saveSheetsAsPdf(this, request_.caption, chosenLayout(), edFirstCell->value() - 1, run);
}

} // namespace print
