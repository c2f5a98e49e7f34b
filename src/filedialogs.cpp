#include "filedialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace ui {

namespace {

void CloseCompletionLists(QFileDialog& Dialog)
{
    for (QCompleter* Completer : Dialog.findChildren<QCompleter*>())
        if (QAbstractItemView* List = Completer->popup(); List && List->isVisible())
            List->hide();
}

void GiveColumnsRoom(QFileDialog& Dialog)
{
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

}  // namespace ui
