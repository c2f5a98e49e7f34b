// The commands on top of the window's own: Find Next and Find Previous
// without the dialog, Go to Object, Recent Files, the text view's switches
// and the caret's place in the status bar.
#include "guitest.h"
#include "ui/find/finddialog.h"
#include "ui/find/gotoobject.h"

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

#include <algorithm>
#include <cstdlib>

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
    // Back and Forward walk the places jumps left, as a browser walks pages;
    // a new jump drops the places ahead, and another file drops them all.
    void backAndForwardThroughJumps()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        SelectNode(*Window, 2);
        const QPair<int, QString> Start{1, QString()}, First{2, QStringLiteral("Sales-Post")},
            Second{4, QStringLiteral("Sales-Post")};
        QCOMPARE(Shown(*Window), Start);
        Window->SetFindText("sales-post");
        Action(*Window, "actEditFindNext")->trigger();
        Action(*Window, "actEditFindNext")->trigger();
        QCOMPARE(Shown(*Window), Second);
        Action(*Window, "actEditBack")->trigger();
        QCOMPARE(Shown(*Window), First);
        Action(*Window, "actEditBack")->trigger();
        QCOMPARE(Shown(*Window), Start);
        // Nothing further back: the place stays.
        Action(*Window, "actEditBack")->trigger();
        QCOMPARE(Shown(*Window), Start);
        Action(*Window, "actEditForward")->trigger();
        QCOMPARE(Shown(*Window), First);
        // The mouse's forward button does what Forward does, over any part of the window.
        QTest::mouseClick(Views(*Window).Text->viewport(), Qt::ForwardButton);
        QCOMPARE(Shown(*Window), Second);
        QTest::mouseClick(Views(*Window).Tree->viewport(), Qt::BackButton);
        QCOMPARE(Shown(*Window), First);
        Action(*Window, "actEditBack")->trigger();
        QCOMPARE(Shown(*Window), Start);
        Action(*Window, "actEditFindNext")->trigger();
        Action(*Window, "actEditForward")->trigger();
        QCOMPARE(Shown(*Window), First);
        Window->OpenFile(Folder.Write("again.txt", FiveObjects()));
        WaitForChangeReport();
        Action(*Window, "actEditBack")->trigger();
        QCOMPARE(Views(*Window).Tree->currentIndex().parent().isValid(), false);
    }

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

    void foundTextFocusedAndCentred_data()
    {
        QTest::addColumn<QString>("Command");
        QTest::newRow("find next") << "actEditFindNext";
        QTest::newRow("find previous") << "actEditFindPrevious";
    }

    // The keys that follow move through the text from the occurrence, which
    // stands in the middle of the view rather than at its edge.
    void foundTextFocusedAndCentred()
    {
        QFETCH(QString, Command);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->resize(700, 500);
        Window->show();
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
        std::string Body;
        for (int Line = 1; Line <= 200; ++Line)
            Body += Line == 150 ? "  needle\r\n" : "  hay\r\n";
        Window->OpenFile(Folder.Write("long.txt", ObjectText("Codeunit 1 Long", Body) + ObjectText("Table 2 End")));
        TObjectTextView& Text = *Views(*Window).Text;
        // From the start of the text for Find Next, from its end for Find Previous.
        const bool Forward = Command == QLatin1String("actEditFindNext");
        SelectNode(*Window, Forward ? 1 : 2);
        if (!Forward) {
            Window->SetFindText("OBJECT Table 2");
            Action(*Window, "actEditFindNext")->trigger();
        }
        Views(*Window).Tree->setFocus();
        Window->SetFindText("needle");
        Action(*Window, Command.toLatin1().constData())->trigger();
        QCOMPARE(Text.CaretPlace().Line, 152);
        QTRY_COMPARE(QApplication::focusWidget(), &Text);
        const int Lines = Text.viewport()->height() / Text.fontMetrics().lineSpacing();
        QVERIFY(Lines > 8);
        const int FromMiddle = Text.cursorRect().center().y() - Text.viewport()->height() / 2;
        QVERIFY2(std::abs(FromMiddle) <= 2 * Text.fontMetrics().lineSpacing(), qPrintable(QString::number(FromMiddle)));
        // Down: the next line of the text, the same object.
        QTest::keyClick(&Text, Qt::Key_Down);
        QCOMPARE(Text.CaretPlace().Line, 153);
        WaitForChangeReport();
        QCOMPARE(Views(*Window).Tree->currentIndex().row(), 0);
    }

    void goToObject_data()
    {
        QTest::addColumn<int>("Shown");  // the object on view before; -1: the list
        QTest::addColumn<QString>("Typed");
        QTest::addColumn<int>("Selected");  // -1: none, a beep and a reason
        QTest::addColumn<int>("Line");      // the caret's line after it
        QTest::newRow("kind and number") << -1 << "Codeunit 80" << 2 << 1;
        QTest::newRow("abbreviated") << -1 << "c81" << 4 << 1;
        QTest::newRow("number: the first with it") << -1 << "21" << 1 << 1;
        QTest::newRow("no such object") << -1 << "r18" << -1 << 0;
        QTest::newRow("not a reference") << -1 << "sales" << -1 << 0;
        QTest::newRow("page, abbreviated") << -1 << "p21" << 6 << 1;
        QTest::newRow("query, abbreviated") << -1 << "q21" << 5 << 1;
        QTest::newRow("page") << -1 << "page 21" << 6 << 1;
        QTest::newRow("query") << -1 << "Query 21" << 5 << 1;
        QTest::newRow("object and line") << -1 << "t18:3" << 0 << 3;
        QTest::newRow("object and line, spaced") << 4 << "Codeunit 80 : 4" << 2 << 4;
        QTest::newRow("line of the object shown") << 3 << ":5" << 3 << 5;
        QTest::newRow("line past the end: the last one") << -1 << "t18:900" << 0 << 7;
        QTest::newRow("line with no object shown") << -1 << ":5" << -1 << 0;
        QTest::newRow("line zero") << 3 << "t18:0" << -1 << 0;
        QTest::newRow("no line number after the colon") << 3 << "t18:x" << -1 << 0;
        QTest::newRow("no such object, with a line") << -1 << "r18:3" << -1 << 0;
    }

    void goToObject()
    {
        QFETCH(int, Shown);
        QFETCH(QString, Typed);
        QFETCH(int, Selected);
        QFETCH(int, Line);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        int Beeps = 0;
        Window->SetBeepSink([&Beeps] { ++Beeps; });
        // A query and a page of one number, as real exports have them.
        Window->OpenFile(Folder.Write("seven.txt", FiveObjects() + ObjectText("Query 21 Q") + ObjectText("Page 21 P")));
        SelectNode(*Window, Shown + 1);
        auto* Dialog = Component<TGoToObjectDialog>(*Window, "dlgGoToObject");
        QString Reason;
        QTimer::singleShot(0, Dialog, [&] {
            Component<QLineEdit>(*Dialog, "edtGoToObject")->setText(Typed);
            Dialog->accept();
            // A text that names nothing keeps the box open, saying why.
            if (Dialog->isVisible()) {
                auto* Message = Component<QLabel>(*Dialog, "lblGoToObjectMessage");
                Reason = Message->isVisibleTo(Dialog) ? Message->text() : QStringLiteral("(hidden)");
                Dialog->reject();
            }
        });
        Action(*Window, "actEditGoToObject")->trigger();
        QCOMPARE(Beeps, Selected < 0 ? 1 : 0);
        QCOMPARE(Reason.isEmpty(), Selected >= 0);
        WaitForChangeReport();
        const QModelIndex Current = Views(*Window).Tree->currentIndex();
        if (Selected < 0) {
            QCOMPARE(Current.parent().isValid() ? Current.row() : -1, Shown);
            return;
        }
        QCOMPARE(Current.parent().isValid() ? Current.row() : -1, Selected);
        // Ready for the keys that move through the text.
        QCOMPARE(Window->focusWidget(), Views(*Window).Text);
        QCOMPARE(Views(*Window).Text->CaretPlace().Line, Line);
    }

    // The box says nothing more once the text is changed or it is shown again.
    void goToObjectReasonGoes()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->SetBeepSink([] {});
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        auto* Dialog = Component<TGoToObjectDialog>(*Window, "dlgGoToObject");
        auto* Field = Component<QLineEdit>(*Dialog, "edtGoToObject");
        auto* Message = Component<QLabel>(*Dialog, "lblGoToObjectMessage");
        QList<bool> Said;
        QTimer::singleShot(0, Dialog, [&] {
            Field->setText(QStringLiteral("r18"));
            Dialog->accept();
            Said << Message->isVisibleTo(Dialog);
            QTest::keyClick(Field, Qt::Key_1);
            Said << Message->isVisibleTo(Dialog);
            Dialog->accept();
            Said << Message->isVisibleTo(Dialog);
            Dialog->reject();
        });
        Action(*Window, "actEditGoToObject")->trigger();
        QTimer::singleShot(0, Dialog, [&] {
            Said << Message->isVisibleTo(Dialog);
            Dialog->reject();
        });
        Action(*Window, "actEditGoToObject")->trigger();
        QCOMPARE(Said, (QList<bool>{true, false, true, false}));
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

    // The outline's key opens its list, with the focus in it; picking a part
    // hands the focus to the text.
    void outlineKeyOpensIt()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->show();
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
        Window->OpenFile(Folder.Write("t.txt", ObjectText("Table 5 Codes", "  FIELDS\r\n  {\r\n"
                                                                             "    { 1   ;   ;Code   ;Code10 }\r\n"
                                                                             "    { 2   ;   ;Name   ;Text30 }\r\n"
                                                                             "  }\r\n")));
        auto* Outline = Component<QComboBox>(*Window, "cbxOutline");
        QAction* Open = Action(*Window, "actViewOutline");
        QVERIFY(Component<QMenu>(*Window, "mnuView")->actions().contains(Open));
        // The list: no outline to open; the key falls through.
        QTest::keyClick(Views(*Window).Tree, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!Open->isEnabled());
        QVERIFY(!Outline->view()->isVisible());

        SelectNode(*Window, 1);
        Views(*Window).Tree->setFocus();
        QTest::keyClick(Views(*Window).Tree, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(Outline->view()->isVisible());
        QCOMPARE(QApplication::focusWidget() == Outline || Outline->isAncestorOf(QApplication::focusWidget()) ||
                     Outline->view()->isAncestorOf(QApplication::focusWidget()) ||
                     QApplication::focusWidget() == Outline->view(),
                 true);
        Outline->hidePopup();
        emit Outline->activated(1);
        QTRY_COMPARE(QApplication::focusWidget(), Views(*Window).Text);
        QCOMPARE(Views(*Window).Text->CaretPlace().Line, 6);
    }

    void tabWalksThroughTheParts_data()
    {
        QTest::addColumn<int>("Node");
        QTest::addColumn<QStringList>("Parts");
        QTest::newRow("an object")
            << 1 << QStringList{"tvwMain", "cbxOutline", "memMain", "tbrFilter", "dckFindAll", "tvwMain"};
        QTest::newRow("the list") << 0 << QStringList{"tvwMain", "lvwMain", "tbrFilter", "dckFindAll", "tvwMain"};
    }

    // Tab from the tree through every part shown and round to the tree again;
    // Shift+Tab the same way back.
    void tabWalksThroughTheParts()
    {
        QFETCH(int, Node);
        QFETCH(QStringList, Parts);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->resize(900, 600);
        Window->show();
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
        Window->OpenFile(Folder.Write("t.txt", ObjectText("Table 5 Codes", "  FIELDS\r\n  {\r\n"
                                                                             "    { 1   ;   ;Code   ;Code10 }\r\n"
                                                                             "  }\r\n")));
        Action(*Window, "actViewFilter")->trigger();
        Action(*Window, "actEditFindAll")->trigger();
        SelectNode(*Window, Node);
        const QStringList Named = Parts.mid(0, Parts.size() - 1);
        const auto PartOf = [&](QWidget* Control) {
            for (QWidget* At = Control; At; At = At->parentWidget())
                if (Named.contains(At->objectName()))
                    return At->objectName();
            return Control ? Control->objectName() : QStringLiteral("(none)");
        };
        const auto Walk = [&](Qt::KeyboardModifiers Modifiers) {
            Views(*Window).Tree->setFocus();
            QStringList Visited{PartOf(QApplication::focusWidget())};
            for (int Step = 0; Step < 40 && (Visited.size() == 1 || Visited.last() != Visited.first()); ++Step) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Modifiers);
                const QString Part = PartOf(QApplication::focusWidget());
                if (Part != Visited.last())
                    Visited << Part;
            }
            return Visited;
        };
        QCOMPARE(Walk(Qt::NoModifier), Parts);
        QStringList Back = Parts;
        std::reverse(Back.begin(), Back.end());
        QCOMPARE(Walk(Qt::ShiftModifier), Back);
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
        QCOMPARE(Rows(), 2);  // the malformed field filters nothing, is marked and said to be ignored
        QVERIFY(ID->property("malformed").toBool());
        QVERIFY(!ID->styleSheet().isEmpty());
        QCOMPARE(Status(), QStringLiteral("2 of 5 object(s); malformed, so ignored: ID"));
        ID->clear();
        QTest::keyClicks(ID, QStringLiteral("..80"));
        QTest::keyClick(ID, Qt::Key_Return);
        QCOMPARE(Rows(), 1);
        QCOMPARE(Views(*Window).List->model()->index(0, 1).data().toString(), QStringLiteral("80"));
        QVERIFY(!ID->property("malformed").toBool());
        QVERIFY(ID->styleSheet().isEmpty());

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
