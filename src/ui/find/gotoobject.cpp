#include "ui/find/gotoobject.h"

#include "core/objectreference.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include <optional>

namespace {

// "t18:120", ":120": the object's part and the line after the last colon.
struct TLineReference {
    QString Object;
    bool HasLine = false;
    int Line = 0;  // 0 after a colon: not a line number
};

TLineReference SplitLine(const QString& Text)
{
    const qsizetype Colon = Text.lastIndexOf(QLatin1Char(':'));
    if (Colon < 0)
        return {Text.trimmed()};
    bool Number = false;
    const int Line = Text.mid(Colon + 1).trimmed().toInt(&Number);
    return {Text.left(Colon).trimmed(), true, Number && Line > 0 ? Line : 0};
}

}  // namespace

TGoToObjectDialog::TGoToObjectDialog(QWidget* Parent, const TObjectTextFile& File, std::function<void(int, int)> Go,
                                     std::function<int()> Shown, std::function<void()> Beep)
    : QDialog(Parent), FFile(File), FGo(std::move(Go)), FShown(std::move(Shown)), FBeep(std::move(Beep)),
      FAction(new QAction(tr("&Go to Object..."), this)), edtObject(new QLineEdit(this)), lblMessage(new QLabel(this))
{
    FAction->setObjectName(QStringLiteral("actEditGoToObject"));
    FAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    setObjectName(QStringLiteral("dlgGoToObject"));
    setWindowTitle(tr("Go to Object"));
    edtObject->setObjectName(QStringLiteral("edtGoToObject"));
    edtObject->setPlaceholderText(tr("Table 18, t18, codeunit 80, 18"));
    edtObject->setToolTip(tr("An object, then a colon and a line: t18:120; a colon and a line alone: a line "
                             "of the object shown"));
    edtObject->setMinimumWidth(edtObject->fontMetrics().averageCharWidth() * 32);
    lblMessage->setObjectName(QStringLiteral("lblGoToObjectMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->hide();
    // What was refused is history once the text changes.
    connect(edtObject, &QLineEdit::textEdited, this, [this] { Refuse({}); });
    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &TGoToObjectDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TGoToObjectDialog::reject);
    auto* Layout = new QFormLayout(this);
    Layout->addRow(tr("&Object:"), edtObject);
    Layout->addRow(QString(), lblMessage);
    Layout->addRow(Buttons);
    Layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TGoToObjectDialog::Execute()
{
    Refuse({});
    edtObject->selectAll();
    edtObject->setFocus();
    exec();
}

void TGoToObjectDialog::accept()
{
    const TLineReference Typed = SplitLine(edtObject->text());
    if (Typed.HasLine && Typed.Line <= 0)
        return Refuse(tr("After the colon goes a line number, from 1."));
    int Index = -1;
    if (Typed.Object.isEmpty() && Typed.HasLine) {
        Index = FShown();
        if (Index < 0)
            return Refuse(tr("No object is shown: name one before the colon."));
    } else {
        const std::optional<TObjectReference> Reference = ParseObjectReference(Typed.Object.toStdString());
        if (!Reference)
            return Refuse(tr("Not an object: type a kind and a number (Table 18, t18) or a number."));
        Index = FindObject(FFile, *Reference);
        if (Index < 0)
            return Refuse(tr("No such object in this file: %1.").arg(Typed.Object));
    }
    QDialog::accept();
    FGo(Index, Typed.Line);
}

void TGoToObjectDialog::Refuse(const QString& Reason)
{
    lblMessage->setText(Reason);
    lblMessage->setVisible(!Reason.isEmpty());
    if (Reason.isEmpty())
        return;
    FBeep();
    edtObject->selectAll();
    edtObject->setFocus();
}
