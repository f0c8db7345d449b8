// Printed matter of the holdings the list shows or those selected: barcode labels, catalogue
// cards, and the reference list in the standard description.
#include "Main.h"

#include "CatalogueCards.h"
#include "DBModUnit.h"
#include "HelpViewer.h"
#include "HoldingLabels.h"
#include "HtmlText.h"
#include "IniFile.h"
#include "MainGridView.h"
#include "Platform.h"
#include "PrintedHoldings.h"
#include "ProcessValues.h"
#include "ReferenceList.h"
#include "ReferenceListForm.h"
#include "SheetPrintForm.h"
#include "WorkProgress.h"

#include <QItemSelectionModel>
#include <QTableView>

namespace {

constexpr int PrintHelpContext = 1120; // "Этикетки, карточки и списки литературы"

QHash<qint64, QString> kindNames(store::TDBMod &module)
{
    QStringList names, ids;
    module.LoadItemKinds(names, ids);
    QHash<qint64, QString> byId;
    for (qsizetype i = 0; i < names.size() && i < ids.size(); ++i)
        byId.insert(ids[i].toLongLong(), names[i]);
    return byId;
}

// The library's short name for labels: [Library] ShortName=, else its name.
QString libraryShortName()
{
    const store::IniFile *ini = store::process().SettingsFile;
    if (!ini)
        return {};
    const QString shortName = ini->readString(QStringLiteral("Library"), QStringLiteral("ShortName"), QString());
    return shortName.trimmed().isEmpty() ? ini->readString(QStringLiteral("Library"), QStringLiteral("Name"), QString())
                                         : shortName.trimmed();
}

} // namespace

QList<int> TMainForm::selectedPositions() const
{
    QList<int> rows;
    for (const QModelIndex &index : MainGrid->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainForm::miPrintLabelsClick()
{
    print::SheetPrintRequest request;
    request.caption = QStringLiteral("Печать этикеток");
    request.settingsSection = QStringLiteral("Labels");
    request.presets = store::labelPresets();
    request.customLayout = true;
    request.minWidth = print::MinLabelWidth;
    request.minHeight = print::MinLabelHeight;
    request.shownCount = dbMod_->MyBooks.recordCount();
    const QList<int> selected = selectedPositions();
    request.selectedCount = int(selected.size());
    request.prepare = [this, selected](QWidget *owner, bool selectedOnly, const store::SheetLayout &layout) {
        const auto holdings = store::readPrintedHoldings(dbMod_->MyBooks, selectedOnly ? selected : QList<int>(),
                                                         kindNames(*dbMod_), {});
        auto batch = std::make_shared<print::LabelBatch>(print::makeLabels(holdings, libraryShortName(), layout.labelWidth()));
        if (!batch->refused.isEmpty() &&
            !print::confirmRefused(owner, QStringLiteral("Печать этикеток"), batch->refused, int(batch->labels.size())))
            return print::SheetRun();
        print::SheetRun run;
        run.cells = int(batch->labels.size());
        run.paint = [batch, layout](QPagedPaintDevice &device, int firstCell, const print::JobProgress &progress,
                                    const print::DeviceHealth &healthy) {
            return print::paintLabels(device, batch->labels, layout, firstCell, progress, healthy);
        };
        return run;
    };
    print::TSheetPrintForm form(request, this);
    setHelpContext(&form, PrintHelpContext);
    ui::platform().runModal(form);
}

void TMainForm::miPrintCardsClick()
{
    print::SheetPrintRequest request;
    request.caption = QStringLiteral("Печать карточек");
    request.settingsSection = QStringLiteral("CatalogueCards");
    request.presets = store::catalogueCardPresets();
    request.minWidth = print::CardWidthMm;
    request.minHeight = print::CardHeightMm;
    request.shownCount = dbMod_->MyBooks.recordCount();
    const QList<int> selected = selectedPositions();
    request.selectedCount = int(selected.size());
    request.prepare = [this, selected](QWidget *, bool selectedOnly, const store::SheetLayout &layout) {
        const auto holdings = store::readPrintedHoldings(dbMod_->MyBooks, selectedOnly ? selected : QList<int>(),
                                                         kindNames(*dbMod_), store::readRubricTitles(dbMod_->MyServer));
        auto cards = std::make_shared<QList<print::CardText>>();
        for (const store::PrintedHolding &h : holdings) {
            const store::BibDescription d = store::describeHolding(h.fields);
            cards->append({h.shelfMark, d.heading, d.body, store::inventoryNumberText(h.liter, h.invNum), h.rubrics});
        }
        print::SheetRun run;
        run.cells = int(cards->size());
        run.paint = [cards, layout](QPagedPaintDevice &device, int firstCell, const print::JobProgress &progress,
                                    const print::DeviceHealth &healthy) {
            return print::paintCatalogueCards(device, *cards, layout, firstCell, progress, healthy);
        };
        return run;
    };
    print::TSheetPrintForm form(request, this);
    setHelpContext(&form, PrintHelpContext);
    ui::platform().runModal(form);
}

void TMainForm::miReferenceListClick()
{
    const QList<int> selected = selectedPositions();
    TReferenceListForm form(dbMod_->MyBooks.recordCount(), int(selected.size()), this);
    setHelpContext(&form, PrintHelpContext);
    if (ui::platform().runModal(form) != QDialog::Accepted)
        return;
    const bool toWord = form.toWordProcessor();
    const QString file = store::process().TempDir +
                         (toWord ? QStringLiteral("/lib_references.html") : QStringLiteral("/references.html"));
    const bool written = runGuarded([&] {
        ui::WorkProgress progress(this, QStringLiteral("Список литературы…"));
        const QByteArray page = store::referenceListOf(dbMod_->MyBooks, form.selectedOnly() ? selected : QList<int>(),
                                                       kindNames(*dbMod_));
        if (toWord)
            store::writePageFile(file, page);
        else
            openReport(file, page);
    });
    if (written && toWord)
        ui::platform().startWordProcessor(file);
}
