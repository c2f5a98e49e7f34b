// shoot: the README's screenshots, made from the project's own sample.
//
//   shoot SAMPLE OUTDIR
//
// Drives the main window as a user would (a filter typed, an object shown
// with its outline, Find All, File > Compare With... against a copy with a
// few edits) and writes main.png, findall.png and compare.png of the window
// as drawn. scripts/screenshots.sh runs it on a virtual X screen.
#include "ui/compare/compareview.h"
#include "ui/find/findall.h"
#include "ui/window/mainform.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <cstdio>

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

// The sample with a few edits: what the compare window shows.
QString EditedCopy(const QString& Sample, const QString& Folder)
{
    QFile In(Sample);
    if (!In.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(Sample));
    QByteArray Text = In.readAll();
    Text.replace("Version List=ORV6.00.01;", "Version List=ORV6.00.01,PRT1.02;");
    Text.replace("PaymentTermsTranslation.DELETEALL;", "PaymentTermsTranslation.DELETEALL(TRUE);");
    Text.replace("    Date=01.07.10;", "    Date=14.03.24;");
    // Named as the user would see it: relative to the current folder.
    QDir::setCurrent(Folder);
    const QString FileName = QStringLiteral("update.txt");
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
    const QString Sample = QString::fromLocal8Bit(argv[1]);
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
    Compare->CompareWith(EditedCopy(Sample, Folder.path()));
    Settle(800);
    if (!Compare->Window())
        qFatal("no compare window");
    Compare->Window()->resize(1000, 560);
    Save(*Compare->Window(), Out + QStringLiteral("/compare.png"));
    return 0;
}
