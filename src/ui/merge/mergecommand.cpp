#include "ui/merge/mergecommand.h"

#include "core/quibfile.h"
#include "platform/profile.h"
#include "ui/common/errorbox.h"
#include "ui/common/systempath.h"
#include "ui/merge/mergewindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const SMerge = "Merge";
const char* const SStrict = "Strict";
const char* const SDiff3 = "Diff3";
const char* const SVersionList = "VersionList";
const char* const SShowUnchanged = "ShowUnchanged";

// The policies as the settings file and the companion name them.
const char* const PolicyNames[] = {"union", "ours", "theirs"};

merge::TVersionListPolicy PolicyFromName(const std::string& Name)
{
    for (int Index = 0; Index < 3; ++Index)
        if (Name == PolicyNames[Index])
            return merge::TVersionListPolicy(Index);
    return merge::TVersionListPolicy::Union;
}

} // namespace

TMergeFilesDialog::TMergeFilesDialog(QWidget* Parent, const QString& Ours, const TMergeChoices& Choices)
    : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgMergeFiles"));
    setWindowTitle(tr("Merge"));
    auto* Form = new QFormLayout;
    const QString Labels[] = {tr("&Base (the update the changes were made on):"),
                              tr("&Ours (the update with the changes):"), tr("&Theirs (the new update):")};
    const char* const Names[] = {"edtMergeBase", "edtMergeOurs", "edtMergeTheirs"};
    for (int Side = 0; Side < 3; ++Side) {
        FFields[Side] = new QLineEdit(this);
        FFields[Side]->setObjectName(QString::fromLatin1(Names[Side]));
        auto* Browse = new QPushButton(tr("Browse..."), this);
        Browse->setAutoDefault(false);
        connect(Browse, &QPushButton::clicked, this, [this, Side] {
            const QString Name = QFileDialog::getOpenFileName(this, tr("Open"), FFields[Side]->text(),
                                                              tr("Text files (*.txt);;All files (*)"), nullptr,
                                                              QFileDialog::DontUseNativeDialog);
            if (!Name.isEmpty())
                FFields[Side]->setText(QDir::toNativeSeparators(Name));
        });
        auto* Row = new QHBoxLayout;
        Row->addWidget(FFields[Side], 1);
        Row->addWidget(Browse);
        auto* Label = new QLabel(Labels[Side], this);
        Label->setBuddy(FFields[Side]);
        Form->addRow(Label, Row);
    }
    FFields[1]->setText(QDir::toNativeSeparators(Ours));
    FStrict = new QCheckBox(tr("Every byte &counts (Date, Time, Modified and line breaks too)"), this);
    FStrict->setChecked(Choices.Strict);
    FDiff3 = new QCheckBox(tr("Conflicts show the base versio&n too"), this);
    FDiff3->setChecked(Choices.Diff3);
    FVersionList = new QComboBox(this);
    FVersionList->addItems({tr("Theirs replace the base's tags, ours kept"), tr("Ours"), tr("Theirs")});
    FVersionList->setCurrentIndex(int(Choices.VersionList));
    Form->addRow(tr("&Version List:"), FVersionList);
    Form->addRow(FStrict);
    Form->addRow(FDiff3);
    auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* Layout = new QVBoxLayout(this);
    Layout->addLayout(Form);
    Layout->addWidget(Buttons);
    resize(720, sizeHint().height());
}

TMergeInputs TMergeFilesDialog::Inputs() const
{
    TMergeInputs Inputs;
    Inputs.Base = QDir::fromNativeSeparators(FFields[0]->text().trimmed());
    Inputs.Ours = QDir::fromNativeSeparators(FFields[1]->text().trimmed());
    Inputs.Theirs = QDir::fromNativeSeparators(FFields[2]->text().trimmed());
    Inputs.Options.Strict = FStrict->isChecked();
    Inputs.Options.Markers.Diff3 = FDiff3->isChecked();
    Inputs.Options.VersionList = merge::TVersionListPolicy(FVersionList->currentIndex());
    return Inputs;
}

TMergeChoices TMergeFilesDialog::Choices(bool ShowUnchanged) const
{
    return {FStrict->isChecked(), FDiff3->isChecked(), merge::TVersionListPolicy(FVersionList->currentIndex()),
            ShowUnchanged};
}

void TMergeFilesDialog::accept()
{
    for (QLineEdit* Field : FFields)
        if (!QFileInfo::exists(QDir::fromNativeSeparators(Field->text().trimmed()))) {
            QMessageBox::warning(this, windowTitle(),
                                 tr("Choose an existing file, or a folder of object files, for each of the three."));
            Field->setFocus();
            return;
        }
    QDialog::accept();
}

TMergeCommand::TMergeCommand(QWidget& Window, TObjectTextFile& File, const TEncodingChoice& Encodings)
    : QObject(&Window), FWindow(Window), FFile(File), FEncodings(Encodings),
      FAction(new QAction(tr("Mer&ge..."), this))
{
    FAction->setObjectName(QStringLiteral("actFileMerge"));
    FAction->setStatusTip(tr("Merges changes made to one update onto a newer one"));
}

void TMergeCommand::Execute()
{
    delete FDialog.data();
    FDialog = new TMergeFilesDialog(&FWindow, gui::FromSystemPath(FFile.FileName()), FChoices);
    FDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(FDialog, &QDialog::accepted, this, [this, Dialog = FDialog] {
        FChoices = Dialog->Choices(FChoices.ShowUnchanged);
        const TMergeInputs Inputs = Dialog->Inputs();
        gui::RunGuarded(&FWindow, [&] { MergeFiles(Inputs); });
    });
    FDialog->open();
}

void TMergeCommand::MergeFiles(const TMergeInputs& Inputs)
{
    FileChanging();
    auto* Merge = new TMergeWindow(FWindow, FFile, Inputs, FEncodings.Chosen(), FChoices.ShowUnchanged);
    FMerge = Merge;
    connect(Merge, &TMergeWindow::ShowUnchangedChanged, this, [this](bool Shown) { FChoices.ShowUnchanged = Shown; });
    Merge->show();
    Merge->Start();
}

void TMergeCommand::FileChanging()
{
    delete FMerge.data();
}

void TMergeCommand::ReadSettings(const platform::TProfile& Profile)
{
    FChoices.Strict = platform::ReadFlag(Profile, SMerge, SStrict);
    FChoices.Diff3 = platform::ReadFlag(Profile, SMerge, SDiff3);
    FChoices.VersionList = PolicyFromName(platform::ReadStringDefault(Profile, SMerge, SVersionList, "union"));
    FChoices.ShowUnchanged = platform::ReadFlag(Profile, SMerge, SShowUnchanged);
}

void TMergeCommand::WriteSettings(TSettingsWriter& Writer) const
{
    Writer.Flag(SMerge, SStrict, FChoices.Strict);
    Writer.Flag(SMerge, SDiff3, FChoices.Diff3);
    Writer.String(SMerge, SVersionList, PolicyNames[int(FChoices.VersionList)]);
    Writer.Flag(SMerge, SShowUnchanged, FChoices.ShowUnchanged);
}

TMergeWindow* TMergeCommand::Window() const
{
    return FMerge.data();
}
