#include "ui/gotoobject.h"

#include "core/objectreference.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

TGoToObjectDialog::TGoToObjectDialog(QWidget* Parent, const TObjectTextFile& File, std::function<void(int)> Go,
                                     std::function<void()> Beep)
    : QDialog(Parent), FFile(File), FGo(std::move(Go)), FBeep(std::move(Beep)), edtObject(new QLineEdit(this))
{
    setObjectName(QStringLiteral("dlgGoToObject"));
    setWindowTitle(tr("Go to Object"));
    edtObject->setObjectName(QStringLiteral("edtGoToObject"));
    edtObject->setPlaceholderText(tr("Table 18, t18, codeunit 80, 18"));
    edtObject->setMinimumWidth(edtObject->fontMetrics().averageCharWidth() * 32);
    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &TGoToObjectDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TGoToObjectDialog::reject);
    auto* Layout = new QFormLayout(this);
    Layout->addRow(tr("&Object:"), edtObject);
    Layout->addRow(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TGoToObjectDialog::Execute()
{
    edtObject->selectAll();
    edtObject->setFocus();
    exec();
}

void TGoToObjectDialog::accept()
{
    const std::optional<TObjectReference> Reference = ParseObjectReference(edtObject->text().toStdString());
    const int Index = Reference ? FindObject(FFile, *Reference) : -1;
    if (Index < 0) {
        FBeep();
        edtObject->selectAll();
        return;
    }
    QDialog::accept();
    FGo(Index);
}
