#include "components/brwsfldr.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace {

// Qt's own directory dialog, with an OK button that its owner can hold
// disabled: the dialog re-enables the button itself whenever its line edit or
// selection changes, so a refusal has to outlast those updates.
class TFolderDialog : public QFileDialog {
public:
    explicit TFolderDialog(QWidget* Parent) : QFileDialog(Parent)
    {
        setObjectName(QStringLiteral("BrowseForFolderDialog"));
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
        if (QPushButton* Button = OkButton())
            Button->installEventFilter(this);
    }

    void EnableOK(bool Enable)
    {
        FOkAllowed = Enable;
        if (QPushButton* Button = OkButton())
            Button->setEnabled(Enable);
    }

    void accept() override
    {
        if (FOkAllowed)
            QFileDialog::accept();
    }

    // A failure of the owner's selection handler, carried out of the dialog's
    // event loop: the dialog closes and Execute rethrows it.
    void Fail(std::exception_ptr Error)
    {
        FError = std::move(Error);
        reject();
    }
    void RethrowFailure()
    {
        if (FError)
            std::rethrow_exception(std::exchange(FError, nullptr));
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::EnabledChange && !FOkAllowed) {
            auto* Button = qobject_cast<QPushButton*>(Watched);
            if (Button && Button->isEnabled())
                Button->setEnabled(false);
        }
        return QFileDialog::eventFilter(Watched, Event);
    }

private:
    QPushButton* OkButton() const
    {
        auto* Buttons = findChild<QDialogButtonBox*>();
        return Buttons ? Buttons->button(QDialogButtonBox::Open) : nullptr;
    }

    bool FOkAllowed = true;
    std::exception_ptr FError;
};

// Puts Prompt across the top of the dialog, above the folders.
void InsertPrompt(QFileDialog& Dialog, const QString& Prompt)
{
    auto* Label = new QLabel(Prompt, &Dialog);
    Label->setObjectName(QStringLiteral("lblPrompt"));
    Label->setWordWrap(true);
    auto* Grid = qobject_cast<QGridLayout*>(Dialog.layout());
    if (!Grid) {
        Dialog.setLabelText(QFileDialog::LookIn, Prompt);
        delete Label;
        return;
    }
    struct TPlaced {
        QLayoutItem* Item;
        int Row, Column, RowSpan, ColumnSpan;
    };
    std::vector<TPlaced> Items;
    while (Grid->count() > 0) {
        TPlaced Placed{};
        Grid->getItemPosition(0, &Placed.Row, &Placed.Column, &Placed.RowSpan, &Placed.ColumnSpan);
        Placed.Item = Grid->takeAt(0);
        Items.push_back(Placed);
    }
    const int Columns = std::max(1, Grid->columnCount());
    Grid->addWidget(Label, 0, 0, 1, Columns);
    for (const TPlaced& Placed : Items)
        Grid->addItem(Placed.Item, Placed.Row + 1, Placed.Column, Placed.RowSpan, Placed.ColumnSpan,
                      Placed.Item->alignment());
}

// Options with a counterpart in Qt's dialog; the others concern the shell only.
void ApplyOptions(QFileDialog& Dialog, const TBrowseOptions& Options)
{
    if (Options.Contains(boBrowseIncludeFiles))
        Dialog.setOption(QFileDialog::ShowDirsOnly, false);
    if (Options.Contains(boNoNewFolderButton)) {
        Dialog.setOption(QFileDialog::ReadOnly);
        if (auto* NewFolder = Dialog.findChild<QToolButton*>(QStringLiteral("newFolderButton")))
            NewFolder->hide();
    }
}

bool IsBlankOrControl(QChar Char)
{
    return Char.unicode() <= 32;
}

} // namespace

TBrowseForFolderDialog::TBrowseForFolderDialog(QObject* AOwner) : QObject(AOwner) {}

bool TBrowseForFolderDialog::Execute()
{
    // The request: owner, prompt, options and the two reports of the dialog.
    TFolderDialog Wnd(QApplication::activeWindow());
    if (!FPrompt.isEmpty())
        InsertPrompt(Wnd, FPrompt);
    ApplyOptions(Wnd, FOptions);
    const auto SelectionChanged = [this, &Wnd](const QString& Path) {
        try {
            HandleBrowseMessage(Wnd, bmSelChanged, Path);
        } catch (...) {
            Wnd.Fail(std::current_exception());
        }
    };
    HandleBrowseMessage(Wnd, bmInitialized, QString());
    // The folder the dialog opens at is judged like every later selection.
    HandleBrowseMessage(Wnd, bmSelChanged, Wnd.selectedFiles().value(0));
    connect(&Wnd, &QFileDialog::currentChanged, this, SelectionChanged);
    // Entering a folder makes it the one that OK would choose.
    connect(&Wnd, &QFileDialog::directoryEntered, this, SelectionChanged);

    const int Result = Wnd.exec();
    Wnd.RethrowFailure();
    if (Result != QDialog::Accepted)
        return false;
    FFolderName = PathFromIDList(Wnd.selectedFiles().value(0));
    return true;
}

void TBrowseForFolderDialog::HandleBrowseMessage(QFileDialog& Wnd, TBrowseMessage Msg,
                                                 const QString& Param)
{
    switch (Msg) {
    case bmInitialized:
        if (!FTitle.isEmpty())
            Wnd.setWindowTitle(FTitle);
        // Sent unchecked: a folder that does not exist is the dialog's matter.
        // Qt's dialog would take a trailing separator for a folder inside.
        if (!FFolderName.isEmpty())
            Wnd.selectFile(QDir::cleanPath(QDir::fromNativeSeparators(FFolderName)));
        break;
    case bmSelChanged: {
        if (!FOnSelect || Param.isEmpty())
            return;
        bool Allow = true;
        FFolderName = PathFromIDList(Param);
        FOnSelect(*this, FFolderName, Allow);
        static_cast<TFolderDialog&>(Wnd).EnableOK(Allow);
        break;
    }
    }
}

// The folder's path as the platform writes it: native separators, a trailing
// separator only on a root.
QString TBrowseForFolderDialog::PathFromIDList(const QString& Path)
{
    int First = 0;
    int Last = Path.size();
    while (First < Last && IsBlankOrControl(Path[First]))
        ++First;
    while (Last > First && IsBlankOrControl(Path[Last - 1]))
        --Last;
    QString Result = Path.mid(First, Last - First);
    const int Nul = Result.indexOf(QChar(0));
    if (Nul >= 0)
        Result.truncate(Nul);
    if (Result.isEmpty())
        return Result;
    return QDir::toNativeSeparators(QDir::cleanPath(Result));
}
