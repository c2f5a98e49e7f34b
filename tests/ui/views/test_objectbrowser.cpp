// The tree and the list kept in step: what a filter leaves, where the
// selection goes when the filter changes, and the list's rows as objects.
#include "guitest.h"

#include "core/objectfilter.h"
#include "ui/common/systempath.h"
#include "ui/views/objectbrowser.h"

#include <QSignalSpy>

#include <algorithm>

namespace {

// FiveObjects: 0 Table 18 Customer, 1 Form 21 Customer Card, 2 Codeunit 80
// Sales-Post, 3 table 3 Payment Terms, 4 Codeunit 81 Sales-Post (Yes/No).
struct TBrowsed {
    explicit TBrowsed(const TTestFolder& Folder)
    {
        File.LoadFromFile(gui::ToSystemPath(Folder.Write("five.txt", FiveObjects())));
        Encodings.Reset(File.Count());
        Browser.Fill(QStringLiteral("five.txt"), Filter);
    }
    void Refilter(const char* Name)
    {
        Filter.Set(TFilterField::Name, Name);
        Browser.Refilter(Filter);
    }

    TObjectTextFile File;
    TEncodingChoice Encodings;
    TObjectFilter Filter;
    TObjectTreeView Tree;
    TObjectListView List;
    TObjectBrowser Browser{Tree, List, File, Encodings};
};

}  // namespace

class TestObjectBrowser : public QObject {
    Q_OBJECT

private slots:
    void fillSelectsTheFile()
    {
        TTestFolder Folder;
        TBrowsed B(Folder);
        QVERIFY(B.Browser.RootSelected());
        QCOMPARE(B.Browser.ListModel().rowCount(), 5);
        QVERIFY(B.Tree.isExpanded(B.Browser.SelectedNode()));
    }

    // Selected: the node selected before (0 the file's, i + 1 object i).
    void refilterKeepsWhatPasses_data()
    {
        QTest::addColumn<int>("Selected");
        QTest::addColumn<QString>("Name");
        QTest::addColumn<int>("SelectedAfter");  // object; -1: the file's node
        QTest::addColumn<int>("Rows");
        QTest::newRow("selected object passes") << 2 << "*Customer*" << 1 << 2;
        QTest::newRow("selected object left out: the file's node") << 3 << "*Customer*" << -1 << 2;
        QTest::newRow("file's node stays") << 0 << "*Sales*" << -1 << 2;
        QTest::newRow("no filter: every object") << 5 << "" << 4 << 5;
        QTest::newRow("nothing passes") << 1 << "Nothing*" << -1 << 0;
    }

    void refilterKeepsWhatPasses()
    {
        QFETCH(int, Selected);
        QFETCH(QString, Name);
        QFETCH(int, SelectedAfter);
        QFETCH(int, Rows);
        TTestFolder Folder;
        TBrowsed B(Folder);
        B.Browser.SelectNode(Selected);
        B.Refilter(qPrintable(Name));
        QCOMPARE(B.Browser.SelectedObjectIndex(), SelectedAfter);
        QCOMPARE(B.Browser.RootSelected(), SelectedAfter < 0);
        QCOMPARE(B.Browser.ListModel().rowCount(), Rows);
        QCOMPARE(B.Browser.Shown().Count(), Rows);
    }

    void listRowsAreTheObjectsShown()
    {
        TTestFolder Folder;
        TBrowsed B(Folder);
        B.Refilter("*Sales*");
        QVERIFY(B.Browser.Hides(0) && B.Browser.Hides(3));
        QVERIFY(!B.Browser.Hides(2) && !B.Browser.Hides(4));
        QItemSelectionModel& Rows = *B.List.selectionModel();
        Rows.select(B.List.model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Rows.select(B.List.model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        std::vector<std::int32_t> Objects = B.Browser.SelectedListObjects();
        std::sort(Objects.begin(), Objects.end());
        QCOMPARE(Objects, (std::vector<std::int32_t>{2, 4}));
        // A double click opens the topmost row's object, whichever was selected last.
        B.Browser.SelectListRow();
        QCOMPARE(B.Browser.SelectedObjectIndex(), 2);
        B.Browser.SelectObject(4);
        QCOMPARE(B.Browser.SelectedObjectIndex(), 4);
    }

    void selectionAtRestReportsItsObject()
    {
        TTestFolder Folder;
        TBrowsed B(Folder);
        QSignalSpy Changed(&B.Browser, &TObjectBrowser::NodeChanged);
        B.Browser.SelectObject(3);
        QVERIFY(Changed.wait());
        QCOMPARE(Changed.takeLast().at(0).toInt(), 3);
        B.Browser.SelectNode(0);
        QVERIFY(Changed.wait());
        QCOMPARE(Changed.takeLast().at(0).toInt(), -1);
    }

    void closedFileLeavesNothing()
    {
        TTestFolder Folder;
        TBrowsed B(Folder);
        B.Filter.Set(TFilterField::Name, "*Sales*");
        B.File.Close();
        B.Browser.Fill(QString(), B.Filter);
        QCOMPARE(B.Tree.model()->rowCount(), 0);
        QCOMPARE(B.Browser.ListModel().rowCount(), 0);
        QCOMPARE(B.Browser.SelectedObjectIndex(), -1);
        QVERIFY(B.Browser.SelectedListObjects().empty());
    }
};

QTEST_MAIN(TestObjectBrowser)
#include "test_objectbrowser.moc"
