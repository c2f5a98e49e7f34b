// The commands on top of the window's own: Find Next and Find Previous
// without the dialog, Go to Object, Recent Files, the text view's switches
// and the caret's place in the status bar.
#include "guitest.h"
#include "ui/finddialog.h"
#include "ui/gotoobject.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QTextBlock>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

namespace {

QAction* Action(TfrmMain& Window, const char* Name)
{
    return Component<QAction>(Window, Name);
}

void SelectNode(TfrmMain& Window, int AbsoluteIndex)
{
    auto* Model = static_cast<TObjectTreeModel*>(Views(Window).Tree->model());
    Views(Window).Tree->setCurrentIndex(Model->NodeAt(AbsoluteIndex));
    WaitForChangeReport();
}

QStringList MenuTexts(const QMenu& Menu)
{
    QStringList Texts;
    for (const QAction* Item : Menu.actions())
        Texts << Item->text();
    return Texts;
}

// The tree's selected object and the text view's selection.
QPair<int, QString> Shown(TfrmMain& Window)
{
    WaitForChangeReport();
    return {Views(Window).Tree->currentIndex().row(), Views(Window).Text->textCursor().selectedText()};
}

}  // namespace

class TestFeatures : public QObject {
    Q_OBJECT

private slots:
    void findAgainForwardsAndBackwards()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        int Beeps = 0;
        Window->SetBeepSink([&Beeps] { ++Beeps; });
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        // No find text yet: the dialog, for one.
        Action(*Window, "actEditFindNext")->trigger();
        auto* Dialog = Component<TFindDialog>(*Window, "dlgFind");
        QTRY_VERIFY(Dialog->isVisible());
        Dialog->hide();

        Window->SetFindText("sales-post");
        const QPair<int, QString> First{2, QStringLiteral("Sales-Post")}, Second{4, QStringLiteral("Sales-Post")};
        Action(*Window, "actEditFindNext")->trigger();
        QCOMPARE(Shown(*Window), First);
        Action(*Window, "actEditFindNext")->trigger();
        QCOMPARE(Shown(*Window), Second);
        Action(*Window, "actEditFindPrevious")->trigger();
        QCOMPARE(Shown(*Window), First);
        QCOMPARE(Beeps, 0);
        // Nothing before the first one: a beep, and the selection stays.
        Action(*Window, "actEditFindPrevious")->trigger();
        QCOMPARE(Beeps, 1);
        QCOMPARE(Shown(*Window), First);
        QVERIFY(!Dialog->isVisible());
    }

    void goToObject_data()
    {
        QTest::addColumn<QString>("Typed");
        QTest::addColumn<int>("Selected");  // -1: none, a beep
        QTest::newRow("kind and number") << "Codeunit 80" << 2;
        QTest::newRow("abbreviated") << "c81" << 4;
        QTest::newRow("number: the first with it") << "21" << 1;
        QTest::newRow("no such object") << "r18" << -1;
        QTest::newRow("not a reference") << "sales" << -1;
    }

    void goToObject()
    {
        QFETCH(QString, Typed);
        QFETCH(int, Selected);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        int Beeps = 0;
        Window->SetBeepSink([&Beeps] { ++Beeps; });
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        auto* Dialog = Component<TGoToObjectDialog>(*Window, "dlgGoToObject");
        QTimer::singleShot(0, Dialog, [&] {
            Component<QLineEdit>(*Dialog, "edtGoToObject")->setText(Typed);
            Dialog->accept();
            // A text that names nothing keeps the box open.
            if (Dialog->isVisible())
                Dialog->reject();
        });
        Action(*Window, "actEditGoToObject")->trigger();
        QCOMPARE(Beeps, Selected < 0 ? 1 : 0);
        WaitForChangeReport();
        const QModelIndex Current = Views(*Window).Tree->currentIndex();
        QCOMPARE(Current.parent().isValid() ? Current.row() : -1, Selected);
    }

    void recentFilesMostRecentFirst()
    {
        TTestFolder Folder;
        const QString A = Folder.Write("a.txt", FiveObjects()), B = Folder.Write("b.txt", FiveObjects());
        auto Window = MakeWindow(Folder);
        auto* Recent = Component<QMenu>(*Window, "mnuFileRecent");
        QVERIFY(!Recent->isEnabled());
        Window->OpenFile(A);
        Window->OpenFile(B);
        Window->OpenFile(A);
        QCOMPARE(MenuTexts(*Recent),
                 (QStringList{"&1 " + QDir::toNativeSeparators(A), "&2 " + QDir::toNativeSeparators(B)}));
        Recent->actions().at(1)->trigger();
        QCOMPARE(Window->ObjectTextFile().FileName(), QFile::encodeName(B).toStdString());
        // Kept for the next start.
        Window.reset();
        QVERIFY(Folder.ReadSettings("quib.zup").find("File1=" + B.toStdString() + "\n") != std::string::npos);
    }

    void recentFileGone_data()
    {
        QTest::addColumn<QString>("Answer");
        QTest::addColumn<bool>("Kept");  // still in the list
        QTest::newRow("removed") << "&Remove" << false;
        QTest::newRow("kept") << "&Keep" << true;
    }

    // A file that is gone says so; the file on view stays open as it was.
    void recentFileGone()
    {
        QFETCH(QString, Answer);
        QFETCH(bool, Kept);
        TTestFolder Folder;
        const QString A = Folder.Write("a.txt", FiveObjects()), B = Folder.Write("b.txt", FiveObjects());
        auto Window = MakeWindow(Folder);
        auto* Recent = Component<QMenu>(*Window, "mnuFileRecent");
        Window->OpenFile(B);
        Window->OpenFile(A);
        SelectNode(*Window, 3);
        QVERIFY(QFile::remove(B));
        TErrorCapture Errors;
        QString Said;
        QTimer::singleShot(0, Window.get(), [&] {
            auto* Box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!Box)
                return;
            Said = Box->text();
            for (QAbstractButton* Button : Box->buttons())
                if (Button->text() == Answer)
                    Button->click();
        });
        Recent->actions().at(1)->trigger();
        QVERIFY2(Said.contains(QDir::toNativeSeparators(B)), qPrintable(Said));
        QCOMPARE(Errors.Messages, QStringList());
        QCOMPARE(Window->ObjectTextFile().FileName(), QFile::encodeName(A).toStdString());
        QCOMPARE(Window->ObjectTextFile().Count(), 5);
        QCOMPARE(Views(*Window).Tree->currentIndex().row(), 2);
        QCOMPARE(MenuTexts(*Recent).size(), Kept ? 2 : 1);
    }

    void outlineTakesTheCaretAndFollowsIt()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("t.txt", ObjectText("Table 5 Codes", "  FIELDS\r\n  {\r\n"
                                                                             "    { 1   ;   ;Code   ;Code10 }\r\n"
                                                                             "    { 2   ;   ;Name   ;Text30 }\r\n"
                                                                             "  }\r\n  CODE\r\n  {\r\n"
                                                                             "    PROCEDURE Check@1();\r\n"
                                                                             "    BEGIN\r\n    END;\r\n"
                                                                             "\r\n    BEGIN\r\n    END.\r\n  }\r\n")));
        SelectNode(*Window, 1);
        auto* Outline = Component<QComboBox>(*Window, "cbxOutline");
        QVERIFY(Outline->isVisibleTo(Window.get()));
        QCOMPARE(Outline->count(), 3);
        QVERIFY(Outline->itemText(2).contains(QLatin1String("Check")));
        TObjectTextView& Text = *Views(*Window).Text;
        emit Outline->activated(2);
        QCOMPARE(Text.textCursor().block().text(), QStringLiteral("    PROCEDURE Check@1();"));
        Text.SelectBytes(int(Text.ObjectText().find("{ 2")), 0);
        QCOMPARE(Outline->currentIndex(), 1);
        // The list beside the file's node: no outline.
        SelectNode(*Window, 0);
        QVERIFY(!Outline->isVisibleTo(Window.get()));
    }

    // The tree and the list hold what passes the filter bar's fields; a
    // malformed field says so and filters nothing; hiding the bar clears it.
    void filterBarNarrowsTheViews()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        Action(*Window, "actViewFilter")->trigger();
        auto* Name = Component<QLineEdit>(*Window, "edtFilterName");
        auto* ID = Component<QLineEdit>(*Window, "edtFilterID");
        const auto Rows = [&] { return Views(*Window).Tree->model()->rowCount(Views(*Window).Tree->model()->index(0, 0)); };
        const auto Status = [&] { return Component<QLabel>(*Window, "stbMainText")->text(); };

        QTest::keyClicks(Name, QStringLiteral("*Sales*"));
        QTest::keyClick(Name, Qt::Key_Return);
        QCOMPARE(Rows(), 2);
        QCOMPARE(Views(*Window).List->model()->rowCount(), 2);
        QCOMPARE(Status(), QStringLiteral("2 of 5 object(s)"));
        QTest::keyClicks(ID, QStringLiteral("81|x"));
        QTest::keyClick(ID, Qt::Key_Return);
        QCOMPARE(Rows(), 2);  // the malformed field filters nothing
        ID->clear();
        QTest::keyClicks(ID, QStringLiteral("..80"));
        QTest::keyClick(ID, Qt::Key_Return);
        QCOMPARE(Rows(), 1);
        QCOMPARE(Views(*Window).List->model()->index(0, 1).data().toString(), QStringLiteral("80"));

        // Find Next searches the whole file: an object the filter hides comes back.
        Window->SetFindText("Customer Card");
        Action(*Window, "actEditFindNext")->trigger();
        QCOMPARE(Rows(), 5);
        QCOMPARE(Shown(*Window).first, 1);

        QTest::keyClicks(Name, QStringLiteral("x"));
        QTest::keyClick(Name, Qt::Key_Return);
        QCOMPARE(Rows(), 0);
        Action(*Window, "actViewFilter")->trigger();  // hidden: everything again
        QCOMPARE(Rows(), 5);
        QCOMPARE(Status(), QStringLiteral("5 object(s)"));
    }

    void propertyColumnsAndTheirFilterFields()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        const std::string Properties = "  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.02.03;\r\n    Time=12:00:00;\r\n"
                                       "    Modified=Yes;\r\n    Version List=ORV1.0;\r\n  }\r\n";
        Window->OpenFile(Folder.Write("p.txt", ObjectText("Table 1 A", Properties) + ObjectText("Table 2 B")));
        auto* Header = Views(*Window).List->header();
        QVERIFY(Header->isSectionHidden(4));
        for (QAction* Item : Component<QMenu>(*Window, "mnuViewColumns")->actions())
            if (Item->data().toString() == QLatin1String("Version List") ||
                Item->data().toString() == QLatin1String("Modified"))
                Item->trigger();
        QVERIFY(!Header->isSectionHidden(3) && !Header->isSectionHidden(4) && Header->isSectionHidden(5));
        QCOMPARE(Views(*Window).List->model()->index(0, 4).data().toString(), QStringLiteral("ORV1.0"));
        QCOMPARE(Views(*Window).List->model()->index(1, 4).data().toString(), QString());
        // The Modified column brings its filter field.
        Action(*Window, "actViewFilter")->trigger();
        auto* Modified = Component<QLineEdit>(*Window, "edtFilterModified");
        QVERIFY(Modified->isVisibleTo(Window.get()));
        QTest::keyClicks(Modified, QStringLiteral("@yes"));
        QTest::keyClick(Modified, Qt::Key_Return);
        QCOMPARE(Views(*Window).List->model()->rowCount(), 1);
        Window.reset();
        QVERIFY(Folder.ReadSettings("quib.zup").find("ListColumns=Modified,Version List\n") != std::string::npos);
    }

    void textViewSwitchesAndCaretField()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->resize(600, 400);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        const std::string Long(400, 'x');
        Window->OpenFile(Folder.Write("long.txt", ObjectText("Table 1 Long", "  " + Long + "\r\n")));
        SelectNode(*Window, 1);
        TObjectTextView& Text = *Views(*Window).Text;

        // Line numbers take room at the left of the text.
        const int WithNumbers = Text.viewport()->x();
        Action(*Window, "actViewLineNumbers")->trigger();
        QVERIFY(Text.viewport()->x() < WithNumbers);
        // Without wrapping a long line scrolls sideways.
        QCOMPARE(Text.horizontalScrollBar()->maximum(), 0);
        Action(*Window, "actViewWordWrap")->trigger();
        QTRY_VERIFY(Text.horizontalScrollBar()->maximum() > 0);

        Text.SelectBytes(int(std::string("OBJECT Table 1 Long\r\n{\r\n  ").size()) + 3, 0);
        QCOMPARE(Component<QLabel>(*Window, "stbCaret")->text(), QStringLiteral("Ln 3, Col 6"));
        SelectNode(*Window, 0);  // the list: no caret
        QCOMPARE(Component<QLabel>(*Window, "stbCaret")->text(), QString());
    }
};

QTEST_MAIN(TestFeatures)
#include "test_features.moc"
