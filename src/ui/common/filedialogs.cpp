#include "ui/common/filedialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QHeaderView>
#include <QListView>
#include <QScrollBar>
#include <QSplitter>

#include <algorithm>
#include <QTreeView>

namespace gui {

namespace {

void CloseCompletionLists(QFileDialog& Dialog)
{
    for (QCompleter* Completer : Dialog.findChildren<QCompleter*>())
        if (QAbstractItemView* List = Completer->popup(); List && List->isVisible())
            List->hide();
}

void GiveColumnsRoom(QFileDialog& Dialog)
{
    // The places on the left show their names whole.
    auto* Places = Dialog.findChild<QListView*>(QStringLiteral("sidebar"));
    auto* Splitter = Dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    if (Places && Splitter && Splitter->count() == 2) {
        const int Wide = Places->sizeHintForColumn(0) + 2 * Places->frameWidth() +
                         Places->verticalScrollBar()->sizeHint().width();
        Splitter->setSizes({Wide, std::max(Splitter->width() - Wide, Wide)});
    }

    auto* Details = Dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!Details)
        return;
    // The name takes what the size, type and date leave.
    QHeaderView* Header = Details->header();
    Header->setStretchLastSection(false);
    Header->setSectionResizeMode(QHeaderView::ResizeToContents);
    Header->setSectionResizeMode(0, QHeaderView::Stretch);
}

}  // namespace

void SetUpFileDialog(QFileDialog& Dialog)
{
    GiveColumnsRoom(Dialog);
    QObject::connect(&Dialog, &QDialog::finished, &Dialog, [&Dialog] { CloseCompletionLists(Dialog); });
}

QFileDialog* NewOpenDialog(QWidget& Parent, const QString& Caption, const QString& Name)
{
    auto* Dialog = new QFileDialog(&Parent, Caption);
    Dialog->setObjectName(Name);
    Dialog->setOption(QFileDialog::DontUseNativeDialog);
    Dialog->setAcceptMode(QFileDialog::AcceptOpen);
    Dialog->setFileMode(QFileDialog::ExistingFile);
    Dialog->setNameFilters({QFileDialog::tr("Velmar Object Text Files (*.txt)"), QFileDialog::tr("All Files (*)")});
    Dialog->setSizeGripEnabled(true);
    SetUpFileDialog(*Dialog);
    return Dialog;
}

}  // namespace gui
