// shoot: the README's screenshots, made from the project's own sample.
//
//   shoot SAMPLE OUTDIR
//
// Drives the main window as a user would (a filter typed, an object shown
// with its outline, Find All, File > Compare With... against a copy with a
// few edits, Where Used on a table, File > Merge... of two edited copies onto
// the sample) and writes main.png, findall.png, compare.png, whereused.png
// and merge.png of the windows as drawn. scripts/screenshots.sh runs it on a
// virtual X screen.
#include "ui/compare/compareview.h"
#include "ui/find/findall.h"
#include "ui/merge/mergecommand.h"
#include "ui/merge/mergewindow.h"
#include "ui/references/referencecommands.h"
#include "ui/references/referenceindexer.h"
#include "ui/window/mainform.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

template <typename T>
T* Child(QObject& Parent, const char* Name)
{
    T* Found = Parent.findChild<T*>(QString::fromLatin1(Name));
    if (!Found)
        qFatal("no %s", Name);
    return Found;
}

void Settle(int Milliseconds = 300)
{
    QTest::qWait(Milliseconds);
}

// The window as drawn, shrunk where it is larger than a README shows well.
void Save(QWidget& Widget, const QString& FileName)
{
    Widget.raise();
    Widget.activateWindow();
    Settle();
    if (!Widget.grab().save(FileName, "PNG", 9))
        qFatal("cannot write %s", qPrintable(FileName));
    std::printf("%s\n", qPrintable(FileName));
}

// Object Name's node selected in the tree, its text shown.
void ShowObject(TfrmMain& Window, const QString& Name)
{
    auto* Tree = Child<QTreeView>(Window, "tvwMain");
    const QModelIndexList Found =
        Tree->model()->match(Tree->model()->index(0, 0), Qt::DisplayRole, Name, 1, Qt::MatchContains | Qt::MatchRecursive);
    if (Found.isEmpty())
        qFatal("no object %s in the sample", qPrintable(Name));
    Tree->setCurrentIndex(Found.first());
    Settle();
}

// The sample with the edits given as pairs of what and with what, under
// FileName in Folder (named as the user would see it: relative to the current
// folder).
QString EditedCopy(const QString& Sample, const QString& Folder, const QString& FileName,
                   const std::vector<std::pair<QByteArray, QByteArray>>& Edits)
{
    QFile In(Sample);
    if (!In.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(Sample));
    QByteArray Text = In.readAll();
    for (const auto& [What, With] : Edits)
        Text.replace(What, With);
    QDir::setCurrent(Folder);
    QFile Out(FileName);
    if (!Out.open(QIODevice::WriteOnly) || Out.write(Text) != Text.size())
        qFatal("cannot write %s", qPrintable(FileName));
    return FileName;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: shoot SAMPLE OUTDIR\n");
        return 2;
    }
    // Absolute: the edited copies are written with their folder as the current one.
    const QString Sample = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString Out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QTemporaryDir Folder;
    TfrmMain Window({}, Folder.filePath(QStringLiteral("quib.zup")));
    Window.resize(1100, 680);
    Window.show();
    Window.OpenFile(Sample);
    Settle();

    // The main window: a filter, an object's code highlighted, its outline.
    Child<QAction>(Window, "actViewFilter")->setChecked(true);
    Window.SetTreeWidth(260);
    for (QLineEdit* Edit : Child<QToolBar>(Window, "tbrFilter")->findChildren<QLineEdit*>())
        if (Edit->placeholderText().contains(QStringLiteral("Name"), Qt::CaseInsensitive)) {
            QTest::keyClicks(Edit, QStringLiteral("*Cust*"));
            QTest::keyClick(Edit, Qt::Key_Return);
        }
    Settle(800);
    ShowObject(Window, QStringLiteral("Customer"));
    if (!Child<QAction>(Window, "actViewOutline")->isChecked())
        Child<QAction>(Window, "actViewOutline")->trigger();
    Save(Window, Out + QStringLiteral("/main.png"));

    // Find All.
    Window.SetFindText("Customer");
    Child<QAction>(Window, "actEditFindAll")->trigger();
    auto* Panel = Child<TFindAllPanel>(Window, "dckFindAll");
    if (!QTest::qWaitFor([Panel] { return !Panel->Running(); }, 10000))
        qFatal("Find All did not end");
    Save(Window, Out + QStringLiteral("/findall.png"));

    // Compare With...
    auto* Compare = Window.findChild<TCompareCommand*>();
    Compare->CompareWith(EditedCopy(Sample, Folder.path(), QStringLiteral("update.txt"),
                                    {{"Version List=ORV6.00.01;", "Version List=ORV6.00.01,PRT1.02;"},
                                     {"PaymentTermsTranslation.DELETEALL;", "PaymentTermsTranslation.DELETEALL(TRUE);"},
                                     {"    Date=01.07.10;", "    Date=14.03.24;"}}));
    Settle(800);
    if (!Compare->Window())
        qFatal("no compare window");
    Compare->Window()->resize(1000, 560);
    Save(*Compare->Window(), Out + QStringLiteral("/compare.png"));
    Compare->Window()->close();

    // Where Used on the customer table, from the tree.
    auto* Indexer = Window.findChild<TReferenceIndexer*>();
    if (!QTest::qWaitFor([Indexer] { return Indexer->Index() != nullptr; }, 10000))
        qFatal("no index of references");
    Panel->close();
    ShowObject(Window, QStringLiteral("Table 18"));
    Window.findChild<TReferenceCommands*>()->WhereUsed();
    Settle(800);
    Save(Window, Out + QStringLiteral("/whereused.png"));

    // File > Merge...: a partner's changes and an update, one line both changed.
    const QString Ours = EditedCopy(Sample, Folder.path(), QStringLiteral("ours.txt"),
                                    {{"Version List=ORV6.00.01;", "Version List=ORV6.00.01,PRT1.02;"},
                                     {"PaymentTermsTranslation.DELETEALL;", "PaymentTermsTranslation.DELETEALL(TRUE);"}});
    const QString Theirs = EditedCopy(Sample, Folder.path(), QStringLiteral("theirs.txt"),
                                      {{"Version List=ORV6.00.01;", "Version List=ORV6.00.02;"},
                                       {"PaymentTermsTranslation.DELETEALL;", "PaymentTermsTranslation.DELETEALL(FALSE);"},
                                       {"    Date=01.07.10;", "    Date=14.03.24;"}});
    auto* Merge = Window.findChild<TMergeCommand*>();
    Merge->MergeFiles({Sample, QDir(Folder.path()).filePath(Ours),
                       QDir(Folder.path()).filePath(Theirs), {}});
    Settle(800);
    if (!Merge->Window())
        qFatal("no merge window");
    Merge->Window()->resize(1000, 680);
    auto* List = &Merge->Window()->List();
    for (int Row = 0; Row < List->model()->rowCount(); ++Row)
        if (List->model()->index(Row, 0).data().toString() == QStringLiteral("Conflict"))
            List->setCurrentIndex(List->model()->index(Row, 0));
    Settle(800);
    Save(*Merge->Window(), Out + QStringLiteral("/merge.png"));
    return 0;
}
