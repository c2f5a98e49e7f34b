// File > Merge...: the statuses of a merge, a conflict resolved each way in
// the merged text and saved byte for byte, conflicts found again after the
// user's own edit, and a save that would overwrite an input refused.
#include "guitest.h"
#include "ui/merge/conflictmarks.h"
#include "ui/merge/mergelist.h"
#include "ui/merge/mergewindow.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeView>
#include <QtTest>

Q_DECLARE_METATYPE(merge::TResolution)

namespace {

std::string Coded(const std::string& Header, const std::string& D, const std::string& G = "    g := 10;\r\n",
                  const std::string& Y = "    y := 2;\r\n")
{
    return ObjectText(Header, "  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n    Time=12:00:00;\r\n  }\r\n"
                              "  CODE\r\n  {\r\n    x := 1;\r\n" +
                                  Y + "    z := 3;\r\n    a := 4;\r\n    b := 5;\r\n" + D +
                                  "    e := 8;\r\n    f := 9;\r\n" + G + "  }\r\n");
}

const std::string SD = "    d := 7;\r\n", SOursD = "    d := 70;\r\n", STheirsD = "    d := 71;\r\n";

// Table 18 changed by OURS only, Codeunit 80 changed by both on one line,
// Codeunit 81 changed by THEIRS only.
struct TTriple {
    std::string Base = Coded("Table 18 Customer", SD) + Coded("Codeunit 80 Sales-Post", SD) +
                       Coded("Codeunit 81 Sales-Post (Yes/No)", SD);
    std::string OursTable = Coded("Table 18 Customer", SD, "    g := 10;\r\n", "    y := 20;\r\n");
    std::string Ours = OursTable + Coded("Codeunit 80 Sales-Post", SOursD) + Coded("Codeunit 81 Sales-Post (Yes/No)", SD);
    std::string TheirsCodeunit = Coded("Codeunit 81 Sales-Post (Yes/No)", SD, "    g := 11;\r\n");
    std::string Theirs = Coded("Table 18 Customer", SD) + Coded("Codeunit 80 Sales-Post", STheirsD) + TheirsCodeunit;
};

struct TMergeRun {
    TTestFolder Folder;
    TTriple Files;
    std::unique_ptr<TfrmMain> Window = MakeWindow(Folder);
    QPointer<TMergeWindow> Merge;

    TMergeRun()
    {
        const QString Ours = Folder.Write("ours.txt", Files.Ours);
        Window->OpenFile(Ours);
        TMergeInputs Inputs{Folder.Write("base.txt", Files.Base), Ours, Folder.Write("theirs.txt", Files.Theirs), {}};
        Merge = new TMergeWindow(*Window, Window->ObjectTextFile(), Inputs, std::nullopt, false);
        Merge->Start();
    }
    ~TMergeRun() { delete Merge.data(); }

    QString Status(int EntryIndex) const
    {
        const int Row = Merge->Model().RowOf(EntryIndex);
        return Merge->Model().data(Merge->Model().index(Row, TMergeListModel::colStatus)).toString();
    }
    void Select(int EntryIndex) const
    {
        Merge->List().setCurrentIndex(Merge->Model().index(Merge->Model().RowOf(EntryIndex), 0));
    }
};

} // namespace

class TestMergeWindow : public QObject {
    Q_OBJECT

private slots:
    // The conflicts read back from a text the user may have edited.
    void conflictMarks_data()
    {
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QStringList>("Found"); // "ours|base|theirs" of each
        QTest::newRow("two") << "a\n<<<<<<< o\nx\n=======\ny\n>>>>>>> t\nb\n<<<<<<<\n=======\nz\n>>>>>>>\n"
                             << QStringList{"x\n||y\n", "||z\n"};
        QTest::newRow("with the base") << "<<<<<<< o\nx\n||||||| b\nw\n=======\ny\n>>>>>>> t\n"
                                       << QStringList{"x\n|w\n|y\n"};
        QTest::newRow("no end: none") << "<<<<<<< o\nx\n=======\ny\n" << QStringList{};
        QTest::newRow("opened again before the end")
            << "<<<<<<< o\nx\n<<<<<<< o\np\n=======\nq\n>>>>>>> t\n" << QStringList{"p\n||q\n"};
        QTest::newRow("look-alike lines are text")
            << "<<<<<<<<\n<<<<<<< o\n=======x\n=======\n>>>>>>>>\n>>>>>>> t\n"
            << QStringList{"=======x\n||>>>>>>>>\n"};
    }

    void conflictMarks()
    {
        QFETCH(QString, Text);
        QFETCH(QStringList, Found);
        QStringList Read;
        for (const TConflictMarks& Conflict : FindConflictMarks(Text)) {
            Read << Conflict.Ours + u'|' + Conflict.Base + u'|' + Conflict.Theirs;
            QVERIFY(Text.mid(Conflict.Start).startsWith(QStringLiteral("<<<<<<<")));
            QVERIFY(Text.left(Conflict.End).endsWith(u'\n'));
        }
        QCOMPARE(Read, Found);
        // The base's lines go when the file does not ask for them; all else stays.
        const std::string Bytes = Text.toStdString();
        const std::string Without = WithoutBaseSections(Bytes);
        QVERIFY(Without.find("|||||||") == std::string::npos);
        QCOMPARE(Bytes.size() - Without.size(), Bytes.find("|||||||") == std::string::npos ? 0u
                                                 : std::size_t(std::string("||||||| b\nw\n").size()));
    }

    void resolvedConflictIsSavedByteForByte_data()
    {
        QTest::addColumn<merge::TResolution>("Choice");
        QTest::addColumn<std::string>("Lines");
        QTest::newRow("ours") << merge::TResolution::Ours << SOursD;
        QTest::newRow("theirs") << merge::TResolution::Theirs << STheirsD;
        QTest::newRow("ours, then theirs") << merge::TResolution::OursThenTheirs << SOursD + STheirsD;
        QTest::newRow("theirs, then ours") << merge::TResolution::TheirsThenOurs << STheirsD + SOursD;
        QTest::newRow("base") << merge::TResolution::Base << SD;
    }

    void resolvedConflictIsSavedByteForByte()
    {
        QFETCH(merge::TResolution, Choice);
        QFETCH(std::string, Lines);
        TMergeRun Run;
        QAbstractItemModelTester Tester(&Run.Merge->Model());
        QTRY_VERIFY(!Run.Merge->Running());
        QCOMPARE(Run.Status(0), QStringLiteral("Ours"));
        QCOMPARE(Run.Status(1), QStringLiteral("Conflict"));
        QCOMPARE(Run.Status(2), QStringLiteral("Theirs"));
        QCOMPARE(Run.Merge->ConflictsLeft(), 1);

        Run.Select(1);
        // Sorted, the row stays on its object.
        Run.Merge->List().sortByColumn(TMergeListModel::colStatus, Qt::AscendingOrder);
        QCOMPARE(Run.Merge->Model().EntryIndexAt(Run.Merge->List().currentIndex().row()), 1);
        QCOMPARE(FindConflictMarks(Run.Merge->MergedView().toPlainText()).size(), std::size_t(1));
        QVERIFY(Run.Merge->Resolve(Choice));
        QVERIFY(!Run.Merge->Resolve(Choice));
        QCOMPARE(Run.Status(1), QStringLiteral("Resolved"));
        QCOMPARE(Run.Merge->ConflictsLeft(), 0);

        // Away and back: the resolution is kept.
        Run.Select(0);
        Run.Select(1);
        QVERIFY(Run.Merge->SaveTo(Run.Folder.Path("merged.txt"), false));
        const std::string Expected =
            Run.Files.OursTable + Coded("Codeunit 80 Sales-Post", Lines) + Run.Files.TheirsCodeunit;
        QCOMPARE(Run.Folder.Read("merged.txt"), Expected);
    }

    // The user's own edit counts: markers typed back in are a conflict again.
    void editedTextIsReadForMarkers()
    {
        TMergeRun Run;
        QTRY_VERIFY(!Run.Merge->Running());
        Run.Select(1);
        QPlainTextEdit& Merged = Run.Merge->MergedView();
        const QString WithMarkers = Merged.toPlainText();
        QVERIFY(Run.Merge->Resolve(merge::TResolution::Ours));
        QCOMPARE(Run.Merge->ConflictsLeft(), 0);
        Merged.setPlainText(WithMarkers);
        QCOMPARE(Run.Merge->ConflictsLeft(), 1);
        QVERIFY(Run.Merge->NextConflict(false) || Run.Merge->NextConflict(true));
        // Confirmed: the markers stay in the file.
        QVERIFY(Run.Merge->SaveTo(Run.Folder.Path("merged.txt"), false, true));
        const std::string Saved = Run.Folder.Read("merged.txt");
        QVERIFY(Saved.find("<<<<<<< ours.txt\r\n") != std::string::npos);
        // The view's base section is not asked for in the file.
        QVERIFY(Saved.find("|||||||") == std::string::npos);
        QVERIFY(Saved.find(SOursD + "=======\r\n" + STheirsD) != std::string::npos);
    }

    void savingOverAnInputIsRefused()
    {
        TMergeRun Run;
        QTRY_VERIFY(!Run.Merge->Running());
        // The filter fields, as the compare window has them: the rows of one kind.
        auto* Type = Component<QLineEdit>(*Run.Merge, "edtFilterType");
        QTest::keyClicks(Type, QStringLiteral("Codeunit"));
        QTest::keyClick(Type, Qt::Key_Return);
        QTRY_COMPARE(Run.Merge->Model().rowCount(), 2);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, Run.Merge->SaveTo(Run.Folder.Path("theirs.txt"), false, true));
        // Read once the merge window has let go of it (on Windows it is held share-none).
        delete Run.Merge.data();
        QCOMPARE(Run.Folder.Read("theirs.txt"), Run.Files.Theirs);
    }
};

QTEST_MAIN(TestMergeWindow)
#include "test_mergewindow.moc"
