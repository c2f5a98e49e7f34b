#include "ui/find/finddialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgFind"));
    setWindowTitle(tr("Find"));
    setModal(false);

    auto* lblFindWhat = new QLabel(tr("Fi&nd what:"), this);
    lblFindWhat->setObjectName(QStringLiteral("lblFindWhat"));
    edtFindText = new QLineEdit(this);
    edtFindText->setObjectName(QStringLiteral("edtFindText"));
    edtFindText->setMaxLength(MaxFindTextLength);
    edtFindText->setMinimumWidth(edtFindText->fontMetrics().averageCharWidth() * 32);
    lblFindWhat->setBuddy(edtFindText);

    chkMatchCase = new QCheckBox(tr("Match &case"), this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));

    btnFindNext = new QPushButton(tr("&Find Next"), this);
    btnFindNext->setObjectName(QStringLiteral("btnFindNext"));
    btnFindNext->setDefault(true);
    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    // The usual find dialog: what to find and the option on the left, the
    // buttons stacked on the right; a fixed size, since nothing in it grows.
    auto* Fields = new QGridLayout;
    Fields->addWidget(lblFindWhat, 0, 0);
    Fields->addWidget(edtFindText, 0, 1);
    Fields->addWidget(chkMatchCase, 1, 0, 1, 2);
    Fields->setRowStretch(2, 1);
    auto* Buttons = new QVBoxLayout;
    Buttons->addWidget(btnFindNext);
    Buttons->addWidget(btnCancel);
    Buttons->addStretch(1);
    auto* Layout = new QGridLayout(this);
    Layout->addLayout(Fields, 0, 0);
    Layout->addLayout(Buttons, 0, 1);
    Layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(edtFindText, &QLineEdit::textChanged, this, &TFindDialog::UpdateFindNext);
    connect(btnFindNext, &QPushButton::clicked, this, &TFindDialog::Find);
    connect(btnCancel, &QPushButton::clicked, this, &TFindDialog::reject);
    UpdateFindNext();
}

void TFindDialog::Execute()
{
    if (!isVisible()) {
        edtFindText->selectAll();
        edtFindText->setFocus();
        show();
    }
    raise();
    activateWindow();
}

QString TFindDialog::FindText() const
{
    return edtFindText->text();
}

void TFindDialog::SetFindText(const QString& Text)
{
    edtFindText->setText(Text); // the box cuts it to its maximum length
}

bool TFindDialog::MatchCase() const
{
    return chkMatchCase->isChecked();
}

void TFindDialog::SetMatchCase(bool Value)
{
    chkMatchCase->setChecked(Value);
}

void TFindDialog::UpdateFindNext()
{
    btnFindNext->setEnabled(!edtFindText->text().isEmpty());
}
