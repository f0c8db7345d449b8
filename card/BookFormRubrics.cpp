// The rubric box of the card and the picker behind its ellipsis button.
#include "BookFormUnit.h"

#include "CatFormUnit.h"
#include "DBModUnit.h"
#include "Platform.h"

#include <QLineEdit>

void TBookForm::CatBoxEditButtons0Click()
{
    if (!catForm_)
        return;
    if (!runGuarded([this] { dbMod_->MyBooks.edit(); }))
        return;
    if (ui::platform().runModal(*catForm_) == QDialog::Accepted)
        runGuarded([this] { CatBox->setText(dbMod_->RubricNames()); });
}
