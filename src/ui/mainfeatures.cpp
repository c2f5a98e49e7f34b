// The window's side of the features on top of its own commands: the View
// menu's switches for the text view, File > Recent Files, Edit > Find Next,
// Find Previous and Go to Object, and the caret's place in the status bar.
#include "ui/mainform.h"

#include "ui/errorbox.h"
#include "ui/findflow.h"
#include "ui/gotoobject.h"
#include "ui/outlinebar.h"
#include "ui/recentfiles.h"
#include "ui/viewoptions.h"
#include "ui_mainform.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

void TfrmMain::CreateFeatures()
{
    FViewOptions = new TViewOptions(*ui->mnuView, *ui->memMain,
                                    [Text = ui->memMain](bool On) { Text->SetHighlighting(On); });
    new TOutlineBar(*ui->memMain);
    // Recent Files above the separator before Exit.
    const QList<QAction*> FileItems = ui->mnuFile->actions();
    const qsizetype Exit = FileItems.indexOf(ui->actFileExit);
    FRecentFiles = new TRecentFiles(*ui->mnuFile, Exit > 0 ? FileItems.at(Exit - 1) : ui->actFileExit);
    connect(FRecentFiles, &TRecentFiles::Chosen, this, &TfrmMain::OpenRecentFile);
    AddEditCommands();
    // The caret's line and column, left of the encoding.
    FCaretField = new QLabel(ui->stbMain);
    FCaretField->setObjectName(QStringLiteral("stbCaret"));
    ui->stbMain->removeWidget(FEncodingField);
    ui->stbMain->addPermanentWidget(FCaretField);
    ui->stbMain->addPermanentWidget(FEncodingField);
    FEncodingField->show();
    connect(ui->memMain, &QPlainTextEdit::cursorPositionChanged, this, &TfrmMain::UpdateCaretField);
}

void TfrmMain::AddEditCommands()
{
    FGoToObject = new TGoToObjectDialog(
        this, *FObjectTextFile, [this](int ObjectIndex) { GoToObject(ObjectIndex); }, [this] { Beep(); });
    auto* GoTo = new QAction(tr("&Go to Object..."), this);
    GoTo->setObjectName(QStringLiteral("actEditGoToObject"));
    GoTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    // After Find, in this order.
    const QList<QAction*> EditItems = ui->mnuEdit->actions();
    QAction* AfterFind = EditItems.value(EditItems.indexOf(ui->actEditFind) + 1);
    QAction* const Added[] = {FFind->FindNextAction(), FFind->FindPreviousAction(), GoTo};
    for (QAction* Item : Added)
        ui->mnuEdit->insertAction(AfterFind, Item);
    const auto Loaded = [this] { return FileLoaded(); };
    FCommands->AddCommand(FFind->FindNextAction(), [this] { FFind->FindAgain(true); }, Loaded);
    FCommands->AddCommand(FFind->FindPreviousAction(), [this] { FFind->FindAgain(false); }, Loaded);
    FCommands->AddCommand(GoTo, [this] { FGoToObject->Execute(); }, Loaded);
}

void TfrmMain::OpenRecentFile(const QString& FileName)
{
    gui::RunGuarded(this, [&] {
        // A file that is gone is offered this once: the open says so.
        if (!QFileInfo::exists(FileName))
            FRecentFiles->Remove(FileName);
        OpenFile(FileName);
    });
}

void TfrmMain::GoToObject(int ObjectIndex)
{
    SelectNode(ObjectIndex + 1);
    ui->tvwMain->scrollTo(SelectedNode());
    ui->tvwMain->setFocus();
}

void TfrmMain::UpdateCaretField()
{
    if (ui->memMain->isHidden()) {
        FCaretField->clear();
        return;
    }
    const TObjectTextView::TCaretPlace Caret = ui->memMain->CaretPlace();
    FCaretField->setText(tr("Ln %1, Col %2").arg(Caret.Line).arg(Caret.Column));
}

void TfrmMain::Beep()
{
    if (FBeepSink)
        FBeepSink();
    else
        QApplication::beep();
}
