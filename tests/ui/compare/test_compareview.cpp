// File > Compare With...: the statuses and counts of two files, what the
// check boxes change, the loaded file against itself, the side-by-side
// alignment and marks of a changed object, and stepping through differences.
#include "guitest.h"
#include "ui/compare/comparetext.h"
#include "ui/compare/compareview.h"
#include "ui/filter/filterfields.h"
#include "components/brwsfldr.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <map>
#include <set>
#include <tuple>

namespace {

std::string Stamped(const std::string& Header, const std::string& Date, const std::string& Time,
                    const std::string& Code = "")
{
    return ObjectText(Header, "  OBJECT-PROPERTIES\r\n  {\r\n    Date=" + Date + ";\r\n    Time=" + Time +
                                  ";\r\n  }\r\n  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n" + Code + "  }\r\n");
}

const std::string SCode = "    x := 1;\r\n    y := 2;\r\n    z := 3;\r\n    a := 4;\r\n    b := 5;\r\n"
                          "    c := 6;\r\n    d := 7;\r\n    e := 8;\r\n    f := 9;\r\n    g := 10;\r\n";

// Table 18 unchanged, Form 21 changed, Codeunit 80 deleted, Codeunit 81 only
// stamped again, Report 5 added.
std::string OldFile()
{
    return Stamped("Table 18 Customer", "01.07.10", "12:00:00", SCode) +
           Stamped("Form 21 Customer Card", "01.07.10", "12:00:00", SCode) +
           Stamped("Codeunit 80 Sales-Post", "01.07.10", "12:00:00") +
           Stamped("Codeunit 81 Sales-Post (Yes/No)", "01.07.10", "12:00:00", SCode);
}

// In Form 21: y changed, a line inserted after b, g changed.
const std::string SChangedCode = "    x := 1;\r\n    y := 20;\r\n    z := 3;\r\n    a := 4;\r\n    b := 5;\r\n"
                                 "    bb := 55;\r\n    c := 6;\r\n    d := 7;\r\n    e := 8;\r\n    f := 9;\r\n"
                                 "    g := 11;\r\n";

std::string NewFile()
{
    return Stamped("Table 18 Customer", "01.07.10", "12:00:00", SCode) +
           Stamped("Form 21 Customer Card", "01.07.10", "12:00:00", SChangedCode) +
           Stamped("Codeunit 81 Sales-Post (Yes/No)", "02.08.11", "13:14:15", SCode) +
           Stamped("Report 5 Statement", "01.07.10", "12:00:00");
}

using TStatuses = std::map<std::pair<int, int>, TCompareStatus>; // kind, number

TStatuses Statuses(const TCompareWindow& Compare)
{
    TStatuses Found;
    for (const TCompareEntry& Entry : Compare.Entries())
        Found[{int(Entry.ObjectType), Entry.ID}] = Entry.Status;
    return Found;
}

// The row of an object in the compare list; -1 when not shown.
int RowOf(const TCompareWindow& Compare, TObjectType Kind, int ID)
{
    for (int Row = 0; Row < Compare.Model().rowCount(); ++Row)
        if (Compare.Model().EntryAt(Row)->ObjectType == Kind && Compare.Model().EntryAt(Row)->ID == ID)
            return Row;
    return -1;
}

// The lines a line mark covers: a selection covers those it has characters
// of, an empty one the line it is on.
QList<int> MarkedLines(const QPlainTextEdit& View)
{
    std::set<int> Lines;
    const QTextDocument& Document = *View.document();
    for (const QTextEdit::ExtraSelection& Selection : View.extraSelections()) {
        if (!Selection.format.boolProperty(QTextFormat::FullWidthSelection))
            continue;
        const QTextCursor& Cursor = Selection.cursor;
        const int First = Document.findBlock(Cursor.selectionStart()).blockNumber();
        const int Last =
            Cursor.hasSelection() ? Document.findBlock(Cursor.selectionEnd() - 1).blockNumber() : First;
        for (int Line = First; Line <= Last; ++Line)
            Lines.insert(Line);
    }
    return QList<int>(Lines.begin(), Lines.end());
}

} // namespace

class TTestCompareView : public QObject {
    Q_OBJECT

    // The two files compared through File > Compare With..., to the end.
    struct TSession {
        TTestFolder Folder;
        std::unique_ptr<TfrmMain> Window;
        TCompareWindow* Compare = nullptr;
    };
    static void Open(TSession& Session, const std::string& Old, const std::string& New, bool Itself = false)
    {
        const QString OldName = Session.Folder.Write(QStringLiteral("old.txt"), Old);
        const QString NewName = Itself ? OldName : Session.Folder.Write(QStringLiteral("new.txt"), New);
        Session.Window = MakeWindow(Session.Folder, {OldName});
        auto* Command = Component<QAction>(*Session.Window, "actFileCompareWith");
        Command->trigger();
        auto* Dialog = Component<QFileDialog>(*Session.Window, "dlgCompareWith");
        QTRY_VERIFY(Dialog->isVisible());
        Dialog->selectFile(NewName);
        static_cast<QDialog*>(Dialog)->accept();
        Session.Compare = Session.Window->findChild<TCompareWindow*>();
        QVERIFY(Session.Compare);
        QTRY_VERIFY(!Session.Compare->Running());
    }

private slots:
    void Statuses_data()
    {
        QTest::addColumn<bool>("Strict");
        QTest::addColumn<bool>("ShowIdentical");
        QTest::addColumn<TStatuses>("Expected");
        QTest::addColumn<QString>("Counts");
        QTest::addColumn<int>("Rows");
        const TStatuses Usual{{{otTable, 18}, TCompareStatus::Identical},
                              {{otForm, 21}, TCompareStatus::Changed},
                              {{otCodeunit, 80}, TCompareStatus::Deleted},
                              {{otCodeunit, 81}, TCompareStatus::Identical},
                              {{otReport, 5}, TCompareStatus::Added}};
        TStatuses Strict = Usual;
        Strict[{otCodeunit, 81}] = TCompareStatus::Changed;
        QTest::newRow("stamps left out") << false << false << Usual
                                         << "Added: 1   Deleted: 1   Changed: 1   Identical: 2" << 3;
        QTest::newRow("identical shown") << false << true << Usual
                                         << "Added: 1   Deleted: 1   Changed: 1   Identical: 2" << 5;
        QTest::newRow("every byte") << true << false << Strict
                                    << "Added: 1   Deleted: 1   Changed: 2   Identical: 1" << 4;
    }
    void Statuses()
    {
        QFETCH(bool, Strict);
        QFETCH(bool, ShowIdentical);
        QFETCH(TStatuses, Expected);
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        QAbstractItemModelTester Tester(&Session.Compare->Model());
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(RowOf(*Session.Compare, otForm, 21), 0));
        Component<QCheckBox>(*Session.Compare, "chkShowIdentical")->setChecked(ShowIdentical);
        // The check box runs the comparison again.
        Component<QCheckBox>(*Session.Compare, "chkStrict")->setChecked(Strict);
        QTRY_VERIFY(!Session.Compare->Running());
        QCOMPARE(::Statuses(*Session.Compare), Expected);
        QTEST(Component<QLabel>(*Session.Compare, "lblCounts")->text(), "Counts");
        QTEST(Session.Compare->Model().rowCount(), "Rows");
        QCOMPARE(RowOf(*Session.Compare, otTable, 18) >= 0, ShowIdentical);
        const int Added = RowOf(*Session.Compare, otReport, 5);
        QCOMPARE(Session.Compare->Model().index(Added, TCompareListModel::colName).data().toString(),
                 QStringLiteral("Statement"));
        QCOMPARE(Session.Compare->Model().index(Added, TCompareListModel::colStatus).data().toString(),
                 QStringLiteral("Added"));
        // The object shown stays shown when the comparison runs again.
        const TCompareEntry* Shown = Session.Compare->Model().EntryAt(Session.Compare->List().currentIndex().row());
        QVERIFY(Shown);
        QCOMPARE(Shown->ID, 21);
    }

    // A comparison cancelled before its first slice leaves every pair as not compared.
    void Cancelled()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        QSignalSpy Finished(Session.Compare, &TCompareWindow::Finished);
        Session.Compare->Start();
        QVERIFY(Session.Compare->Running());
        Session.Compare->Cancel();
        QVERIFY(!Session.Compare->Running());
        QCOMPARE(Finished.count(), 1);
        QCOMPARE(Component<QLabel>(*Session.Compare, "lblCounts")->text(),
                 QStringLiteral("Added: 1   Deleted: 1   Changed: 0   Identical: 0   Not compared: 3"));
        QCOMPARE(Session.Compare->Model().rowCount(), 5);
        // What is not compared still shows its two versions.
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(RowOf(*Session.Compare, otForm, 21), 0));
        QCOMPARE(Session.Compare->Text().Layout().Hunks.size(), std::size_t(3));
    }

    // The new version of each object, the old one of a deleted object.
    void ExportRows()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        const QString Out = Session.Folder.Path(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(Out));
        Session.Compare->findChild<TBrowseForFolderDialog*>(QStringLiteral("dlgCompareBrowseForFolder"))
            ->SetFolderName(Out);
        QItemSelectionModel& Selection = *Session.Compare->List().selectionModel();
        Selection.clearSelection();
        for (const auto& [Kind, ID] : {std::pair{otForm, 21}, std::pair{otCodeunit, 80}, std::pair{otReport, 5}})
            Selection.select(Session.Compare->Model().index(RowOf(*Session.Compare, Kind, ID), 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        // The folder browser is confirmed as it opens.
        QTimer Answer;
        connect(&Answer, &QTimer::timeout, [&Answer] {
            if (auto* Dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                Answer.stop();
                QMetaObject::invokeMethod(Dialog, "accept", Qt::QueuedConnection);
            }
        });
        Answer.start(5);
        Component<QAction>(*Session.Compare, "actCompareExport")->trigger();
        const QStringList Files = QDir(Out).entryList(QDir::Files);
        QCOMPARE(Files.size(), 3);
        QString Texts;
        for (const QString& Name : Files)
            Texts += QString::fromLatin1(Session.Folder.Read(QStringLiteral("out/") + Name));
        QVERIFY(Texts.contains(QStringLiteral("bb := 55;")));
        QVERIFY(!Texts.contains(QStringLiteral("g := 10;")));
        QVERIFY(Texts.contains(QStringLiteral("OBJECT Codeunit 80 Sales-Post")));
        QVERIFY(Texts.contains(QStringLiteral("OBJECT Report 5 Statement")));
        QCOMPARE(Session.Compare->StatusMessage(),
                 QStringLiteral("Exported the new version of 2 objects and the old version of 1 deleted object to %1.")
                     .arg(QDir::toNativeSeparators(Out)));
    }

    // One row goes through the Save dialog; the message names the version written.
    void ExportOneRow_data()
    {
        QTest::addColumn<int>("Kind");
        QTest::addColumn<int>("ID");
        QTest::addColumn<QString>("File");
        QTest::addColumn<QString>("Message"); // %1: the file written
        QTest::addColumn<QString>("Written");
        QTest::newRow("changed") << int(otForm) << 21 << "for21.txt"
                                 << "Exported the new version of Form 21 Customer Card to %1." << "bb := 55;";
        QTest::newRow("deleted") << int(otCodeunit) << 80 << "cod80.txt"
                                 << "Exported the old version of Codeunit 80 Sales-Post, which the new file lacks, "
                                    "to %1."
                                 << "OBJECT Codeunit 80 Sales-Post";
    }
    void ExportOneRow()
    {
        QFETCH(int, Kind);
        QFETCH(int, ID);
        QFETCH(QString, File);
        QFETCH(QString, Message);
        QFETCH(QString, Written);
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        Session.Compare->List().setCurrentIndex(
            Session.Compare->Model().index(RowOf(*Session.Compare, TObjectType(Kind), ID), 0));
        // The Save dialog is confirmed with the name it offers.
        QTimer Answer;
        connect(&Answer, &QTimer::timeout, [&Answer] {
            if (auto* Dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                Answer.stop();
                QMetaObject::invokeMethod(Dialog, "accept", Qt::QueuedConnection);
            }
        });
        Answer.start(5);
        Component<QAction>(*Session.Compare, "actCompareExport")->trigger();
        QVERIFY(QString::fromLatin1(Session.Folder.Read(File)).contains(Written));
        QCOMPARE(Session.Compare->StatusMessage(), Message.arg(QDir::toNativeSeparators(Session.Folder.Path(File))));
    }

    // The file the window holds cannot be opened twice: the model is compared
    // with itself, and the window keeps its hold.
    void LoadedFileAgainstItself()
    {
        TErrorCapture Errors;
        TSession Session;
        Open(Session, OldFile(), {}, true);
        if (!Session.Compare)
            return;
        QVERIFY(Errors.Messages.isEmpty());
        QCOMPARE(Session.Compare->Model().rowCount(), 0);
        for (const TCompareEntry& Entry : Session.Compare->Entries())
            QCOMPARE(Entry.Status, TCompareStatus::Identical);
        QCOMPARE(int(Session.Compare->Entries().size()), 4);
        QVERIFY(HeldElsewhere(Session.Folder.Path(QStringLiteral("old.txt"))));
    }

    // An empty list says why it is empty.
    void EmptyList_data()
    {
        QTest::addColumn<QString>("New"); // "itself": the loaded file
        QTest::addColumn<QString>("NameFilter");
        QTest::addColumn<bool>("ShowIdentical");
        QTest::addColumn<QString>("Note"); // empty: no note
        const QString None = QStringLiteral("The files have no differences");
        QTest::newRow("the loaded file itself") << "itself" << "" << false << None;
        QTest::newRow("only stamped again") << "stamped" << "" << false << None;
        QTest::newRow("identical shown") << "stamped" << "" << true << "";
        QTest::newRow("differences shown") << "changed" << "" << false << "";
        QTest::newRow("differences filtered out") << "changed" << "Nothing*" << false
                                                  << "No object matches the filter";
    }
    void EmptyList()
    {
        QFETCH(QString, New);
        QFETCH(QString, NameFilter);
        QFETCH(bool, ShowIdentical);
        QFETCH(QString, Note);
        const std::string Old = OldFile();
        std::string Stamped = Old;
        Stamped.replace(Stamped.find("12:00:00"), 8, "13:14:15");
        TSession Session;
        Open(Session, Old, New == "stamped" ? Stamped : NewFile(), New == "itself");
        if (!Session.Compare)
            return;
        Session.Compare->show();
        auto* Label = Component<QLabel>(*Session.Compare, "lblCompareEmpty");
        Component<QCheckBox>(*Session.Compare, "chkShowIdentical")->setChecked(ShowIdentical);
        if (!NameFilter.isEmpty()) {
            auto* Edit = Component<QLineEdit>(Session.Compare->FilterFields(), "edtFilterName");
            QTest::keyClicks(Edit, NameFilter);
            QTest::keyClick(Edit, Qt::Key_Return);
        }
        QCOMPARE(Session.Compare->Model().rowCount() == 0, !Note.isEmpty());
        QCOMPARE(Label->isVisible(), !Note.isEmpty());
        if (!Note.isEmpty())
            QCOMPARE(Label->text(), Note);
        // Gone while the comparison runs again.
        Session.Compare->Start();
        QVERIFY(Label->isHidden());
        QTRY_VERIFY(!Session.Compare->Running());
        QCOMPARE(Label->isVisible(), !Note.isEmpty());
    }

    void OnlyLineBreaksDifferFunction_data()
    {
        QTest::addColumn<QByteArray>("Old");
        QTest::addColumn<QByteArray>("New");
        QTest::addColumn<bool>("BreaksOnly");
        QTest::newRow("CR LF against LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n") << true;
        QTest::newRow("some lines only") << QByteArray("a\r\nb\n") << QByteArray("a\nb\n") << true;
        QTest::newRow("no break after the last line") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb") << true;
        QTest::newRow("the same text") << QByteArray("a\r\n") << QByteArray("a\r\n") << false;
        QTest::newRow("an empty line more") << QByteArray("a\n") << QByteArray("a\n\n") << false;
        QTest::newRow("a lone CR is no break") << QByteArray("a\rb\n") << QByteArray("a\nb\n") << false;
        QTest::newRow("a word as well") << QByteArray("a\r\nb\r\n") << QByteArray("a\nc\n") << false;
        QTest::newRow("against nothing") << QByteArray("\r\n") << QByteArray("") << false;
    }
    void OnlyLineBreaksDifferFunction()
    {
        QFETCH(QByteArray, Old);
        QFETCH(QByteArray, New);
        QTEST(OnlyLineBreaksDiffer(Old.toStdString(), New.toStdString()), "BreaksOnly");
        QTEST(OnlyLineBreaksDiffer(New.toStdString(), Old.toStdString()), "BreaksOnly");
    }

    // An object whose two versions differ only in their line breaks says so
    // in the list and over its texts, which would otherwise read alike.
    void OnlyLineBreaks_data()
    {
        QTest::addColumn<QString>("Change");
        QTest::addColumn<bool>("Strict");
        QTest::addColumn<int>("ID");
        QTest::addColumn<QString>("Status"); // empty: not listed
        QTest::addColumn<QString>("Notice"); // empty: none
        QTest::newRow("CR LF to LF, every byte")
            << "LF" << true << 21 << "Line breaks only"
            << "Only line breaks differ: 24 CR LF in the old version, 24 LF in the new one.";
        QTest::newRow("CR LF to LF, stamps left out") << "LF" << false << 21 << "" << "";
        QTest::newRow("no break after the last line")
            << "no last break" << false << 81 << "Line breaks only"
            << "Only line breaks differ: 24 CR LF in the old version, 23 CR LF in the new one.";
        QTest::newRow("words changed as well") << "LF and words" << true << 21 << "Changed" << "";
    }
    void OnlyLineBreaks()
    {
        QFETCH(QString, Change);
        QFETCH(bool, Strict);
        QFETCH(int, ID);
        QFETCH(QString, Status);
        QFETCH(QString, Notice);
        const auto ToLf = [](std::string Text) {
            for (std::size_t At; (At = Text.find("\r\n")) != std::string::npos;)
                Text.erase(At, 1);
            return Text;
        };
        const std::string Form = Stamped("Form 21 Customer Card", "01.07.10", "12:00:00", SCode);
        const std::string Codeunit = Stamped("Codeunit 81 Sales-Post (Yes/No)", "01.07.10", "12:00:00", SCode);
        std::string New = Change == "LF"              ? ToLf(Form) + Codeunit
                          : Change == "no last break" ? Form + Codeunit.substr(0, Codeunit.size() - 2)
                                                      : ToLf(Stamped("Form 21 Customer Card", "01.07.10", "12:00:00",
                                                                     SChangedCode)) + Codeunit;
        TSession Session;
        Open(Session, Form + Codeunit, New);
        if (!Session.Compare)
            return;
        Session.Compare->show();
        Component<QCheckBox>(*Session.Compare, "chkStrict")->setChecked(Strict);
        QTRY_VERIFY(!Session.Compare->Running());
        const int Row = RowOf(*Session.Compare, ID == 21 ? otForm : otCodeunit, ID);
        const QLabel& Shown = Session.Compare->Text().Notice();
        if (Status.isEmpty()) {
            QCOMPARE(Row, -1);
            QVERIFY(Shown.isHidden());
            return;
        }
        QVERIFY(Row >= 0);
        QCOMPARE(Session.Compare->Model().index(Row, TCompareListModel::colStatus).data().toString(), Status);
        const QString Counts = Component<QLabel>(*Session.Compare, "lblCounts")->text();
        QCOMPARE(Counts.contains(QStringLiteral("line breaks only: 1")), !Notice.isEmpty());
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(Row, 0));
        QCOMPARE(Shown.isVisible(), !Notice.isEmpty());
        if (!Notice.isEmpty())
            QCOMPARE(Shown.text(), Notice);
        // Another object shown takes the notice away.
        Component<QCheckBox>(*Session.Compare, "chkShowIdentical")->setChecked(true);
        const int Other = ID == 21 ? RowOf(*Session.Compare, otCodeunit, 81) : RowOf(*Session.Compare, otForm, 21);
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(Other, 0));
        QVERIFY(Shown.isHidden());
    }

    // A second file that cannot be read is told as any open failure is, and
    // leaves no compare window; the next one that can is compared.
    void SecondFileUnreadable()
    {
        TErrorCapture Errors;
        TTestFolder Folder;
        const QString OldName = Folder.Write(QStringLiteral("old.txt"), OldFile());
        const QString NewName = Folder.Write(QStringLiteral("new.txt"), NewFile());
        auto Window = MakeWindow(Folder, {OldName});
        auto* Command = Window->findChild<TCompareCommand*>();
        QVERIFY(Command);
        {
            const auto Holder = platform::TFileStream::OpenExclusiveRead(QFile::encodeName(NewName).toStdString());
            Command->OpenDialog().fileSelected(NewName);
        }
        QCOMPARE(Errors.Messages.size(), 1);
        QVERIFY2(Errors.Messages.front().contains(QStringLiteral("new.txt")), qPrintable(Errors.Messages.front()));
        QVERIFY(!Window->findChild<TCompareWindow*>());
        Command->OpenDialog().fileSelected(NewName);
        QVERIFY(Window->findChild<TCompareWindow*>());
        QCOMPARE(Errors.Messages.size(), 1);
    }

    // Opening another file in the main window takes the comparison of the old one away.
    void GoesWithTheMainFile()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        QPointer<TCompareWindow> Compare = Session.Compare;
        Session.Window->OpenFile(Session.Folder.Write(QStringLiteral("other.txt"), FiveObjects()));
        QVERIFY(Compare.isNull());
    }

    void SideBySide()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(RowOf(*Session.Compare, otForm, 21), 0));
        const QPlainTextEdit& Old = Session.Compare->Text().OldView();
        const QPlainTextEdit& New = Session.Compare->Text().NewView();
        QCOMPARE(Old.blockCount(), New.blockCount());
        // Both sides line up: "bb" faces an empty filler line, "g" its new value.
        const auto LineOf = [](const QPlainTextEdit& View, const QString& Text) {
            for (QTextBlock Block = View.document()->begin(); Block.isValid(); Block = Block.next())
                if (Block.text() == Text)
                    return Block.blockNumber();
            return -1;
        };
        const int Inserted = LineOf(New, QStringLiteral("    bb := 55;"));
        QVERIFY(Inserted > 0);
        QCOMPARE(Old.document()->findBlockByNumber(Inserted).text(), QString());
        QCOMPARE(LineOf(Old, QStringLiteral("    g := 10;")), LineOf(New, QStringLiteral("    g := 11;")));
        QCOMPARE(LineOf(Old, QStringLiteral("    y := 2;")), LineOf(New, QStringLiteral("    y := 20;")));
        QCOMPARE(LineOf(Old, QStringLiteral("    c := 6;")), LineOf(New, QStringLiteral("    c := 6;")));
        // Changed lines and the filler marked, unchanged ones not.
        const QList<int> Changes{LineOf(New, QStringLiteral("    y := 20;")), Inserted,
                                 LineOf(New, QStringLiteral("    g := 11;"))};
        QCOMPARE(MarkedLines(Old), Changes);
        QCOMPARE(MarkedLines(New), Changes);
        // Within "y := 2" against "y := 20" only the number is marked.
        const auto WordMarks = [](const QPlainTextEdit& View) {
            QStringList Words;
            for (const QTextEdit::ExtraSelection& Selection : View.extraSelections())
                if (!Selection.format.boolProperty(QTextFormat::FullWidthSelection))
                    Words << Selection.cursor.selectedText();
            return Words;
        };
        QCOMPARE(WordMarks(Old), QStringList({QStringLiteral("2"), QStringLiteral("10")}));
        QCOMPARE(WordMarks(New), QStringList({QStringLiteral("20"), QStringLiteral("11")}));
        // Scrolling one side scrolls the other.
        Session.Compare->resize(400, 300);
        Session.Compare->Text().OldView().verticalScrollBar()->setValue(3);
        QCOMPARE(Session.Compare->Text().NewView().verticalScrollBar()->value(), 3);
    }

    // Unified: each change's old lines, then its new ones, in the one view.
    void Unified()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        Session.Compare->show();
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(RowOf(*Session.Compare, otForm, 21), 0));
        const QPlainTextEdit& View = Session.Compare->Text().OldView();
        const int SideBySideLines = View.blockCount();
        Component<QCheckBox>(*Session.Compare, "chkUnified")->setChecked(true);
        QVERIFY(Session.Compare->Text().NewView().isHidden());
        QVERIFY(View.isVisible());
        // Two replaced lines now take two lines each; the inserted one needs no filler.
        QCOMPARE(View.blockCount(), SideBySideLines + 2);
        // Each line led by its marker, as a patch has it, so that it reads without colour.
        QStringList Lines = View.toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(Lines.first(), QStringLiteral(" OBJECT Form 21 Customer Card"));
        const int Y = Lines.indexOf(QStringLiteral("-    y := 2;"));
        QVERIFY(Y > 0);
        QCOMPARE(Lines.value(Y - 1), QStringLiteral("     x := 1;"));
        QCOMPARE(Lines.value(Y + 1), QStringLiteral("+    y := 20;"));
        QCOMPARE(Lines.value(Lines.indexOf(QStringLiteral("     b := 5;")) + 1), QStringLiteral("+    bb := 55;"));
        const int G = Lines.indexOf(QStringLiteral("-    g := 10;"));
        QCOMPARE(Lines.value(G + 1), QStringLiteral("+    g := 11;"));
        for (const QString& Line : Lines)
            QVERIFY2(QStringLiteral(" -+").contains(Line.left(1)), qPrintable(Line));
        QCOMPARE(MarkedLines(View), (QList<int>{Y, Y + 1, int(Lines.indexOf(QStringLiteral("+    bb := 55;"))), G,
                                                G + 1}));
        QCOMPARE(Session.Compare->Text().Layout().Hunks,
                 (std::vector<std::int32_t>{Y, std::int32_t(int(Lines.indexOf(QStringLiteral("+    bb := 55;")))),
                                            std::int32_t(G)}));
        // The words that differ are marked past the marker.
        QStringList Words;
        for (const QTextEdit::ExtraSelection& Selection : View.extraSelections())
            if (!Selection.format.boolProperty(QTextFormat::FullWidthSelection))
                Words << Selection.cursor.selectedText();
        QCOMPARE(Words, QStringList({QStringLiteral("2"), QStringLiteral("20"), QStringLiteral("10"),
                                     QStringLiteral("11")}));
        // Back side by side.
        Component<QCheckBox>(*Session.Compare, "chkUnified")->setChecked(false);
        QVERIFY(Session.Compare->Text().NewView().isVisible());
        QCOMPARE(View.blockCount(), SideBySideLines);
        QCOMPARE(Session.Compare->Text().NewView().blockCount(), SideBySideLines);
    }

    // Runs of changed lines are marked whole, the text's last line included
    // (an empty filler line there has no line after it).
    void LineMarks_data()
    {
        QTest::addColumn<QString>("Old");
        QTest::addColumn<QString>("New");
        QTest::addColumn<QList<int>>("Marked");
        QTest::newRow("lines added at the end") << "a\nb\n" << "a\nb\nc\nd\n" << QList<int>{2, 3};
        QTest::newRow("lines deleted at the start") << "x\ny\na\n" << "a\n" << QList<int>{0, 1};
        QTest::newRow("a run between kept lines") << "a\nb\nc\nd\n" << "a\nB\nC\nd\n" << QList<int>{1, 2};
        QTest::newRow("last line without a break") << "a\nb" << "a\nc" << QList<int>{1};
    }
    void LineMarks()
    {
        QFETCH(QString, Old);
        QFETCH(QString, New);
        QFETCH(QList<int>, Marked);
        TCompareText Text;
        Text.ShowDiff(TTextDiff(Old.toStdString(), New.toStdString()), TDisplayEncoding::Latin1,
                      TDisplayEncoding::Latin1, true, true);
        QCOMPARE(Text.OldView().blockCount(), Text.NewView().blockCount());
        QCOMPARE(MarkedLines(Text.OldView()), Marked);
        QCOMPARE(MarkedLines(Text.NewView()), Marked);
        // Shown again, as when another object is chosen: the marks are the new text's.
        Text.ShowDiff(TTextDiff(Old.toStdString(), Old.toStdString()), TDisplayEncoding::Latin1,
                      TDisplayEncoding::Latin1, true, true);
        QCOMPARE(MarkedLines(Text.OldView()), QList<int>());
    }

    // An added object shows its one text.
    void AddedObject()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        Session.Compare->show();
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(RowOf(*Session.Compare, otReport, 5), 0));
        QVERIFY(Session.Compare->Text().OldView().isHidden());
        QVERIFY(Session.Compare->Text().NewView().toPlainText().startsWith(QStringLiteral("OBJECT Report 5 Statement")));
        QVERIFY(MarkedLines(Session.Compare->Text().NewView()).isEmpty());
    }

    // F8 from change to change, then on to the next changed object; Shift+F8 back.
    void StepThroughDifferences()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        Component<QCheckBox>(*Session.Compare, "chkStrict")->setChecked(true);
        QTRY_VERIFY(!Session.Compare->Running());
        Session.Compare->show();
        const int Form = RowOf(*Session.Compare, otForm, 21);
        Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(Form, 0));
        const std::vector<std::int32_t> Hunks = Session.Compare->Text().Layout().Hunks;
        QCOMPARE(int(Hunks.size()), 3);
        const auto Line = [&] { return Session.Compare->Text().NewView().textCursor().blockNumber(); };
        QCOMPARE(Line(), Hunks[0]);
        auto* Next = Component<QAction>(*Session.Compare, "actCompareNextDifference");
        auto* Previous = Component<QAction>(*Session.Compare, "actComparePreviousDifference");
        QCOMPARE(Next->shortcut(), QKeySequence(Qt::Key_F8));
        QCOMPARE(Previous->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F8));
        // F8 itself, as the window's shortcut.
        Session.Compare->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Session.Compare));
        QTest::keyClick(&Session.Compare->List(), Qt::Key_F8);
        QCOMPARE(Line(), Hunks[1]);
        QCOMPARE(Session.Compare->Text().OldView().textCursor().blockNumber(), Hunks[1]);
        Next->trigger();
        QCOMPARE(Line(), Hunks[2]);
        Previous->trigger();
        QCOMPARE(Line(), Hunks[1]);
        Next->trigger();
        // Past the last change, on through every object that differs: an
        // added or deleted one as a whole, then Codeunit 81, changed under a
        // strict comparison; back again to the last change of the form.
        const auto ShownID = [&] {
            const TCompareEntry* Shown =
                Session.Compare->Model().EntryAt(Session.Compare->List().currentIndex().row());
            return Shown ? Shown->ID : -1;
        };
        QList<int> Visited;
        for (int Press = 0; Press < 3; ++Press) {
            Next->trigger();
            Visited << ShownID();
        }
        QCOMPARE(Visited, QList<int>({5, 80, 81}));
        for (int Press = 0; Press < 3; ++Press)
            Previous->trigger();
        QCOMPARE(ShownID(), 21);
        QCOMPARE(Line(), Hunks[2]);
    }

    // The filter fields narrow the list as the main window's do, reading the
    // new version of an object (the old one of a deleted object); a column
    // header sorts it, no column keeps the order kind then number.
    void FilterAndSort_data()
    {
        QTest::addColumn<QString>("Field");
        QTest::addColumn<QString>("Expression");
        QTest::addColumn<int>("SortColumn");
        QTest::addColumn<int>("Order");
        QTest::addColumn<QList<int>>("IDs");
        const int Entries = -1;
        QTest::newRow("everything") << "Name" << "" << Entries << int(Qt::AscendingOrder) << QList<int>{18, 21, 5, 80, 81};
        QTest::newRow("kind") << "Type" << "codeunit" << Entries << int(Qt::AscendingOrder) << QList<int>{80, 81};
        QTest::newRow("deleted by name") << "Name" << "Sales*" << Entries << int(Qt::AscendingOrder)
                                         << QList<int>{80, 81};
        QTest::newRow("range") << "ID" << "20..80" << Entries << int(Qt::AscendingOrder) << QList<int>{21, 80};
        QTest::newRow("malformed filters nothing") << "ID" << "1|x" << Entries << int(Qt::AscendingOrder)
                                                   << QList<int>{18, 21, 5, 80, 81};
        QTest::newRow("by ID") << "Name" << "" << int(TCompareListModel::colID) << int(Qt::AscendingOrder)
                               << QList<int>{5, 18, 21, 80, 81};
        QTest::newRow("by ID, descending") << "ID" << "<81" << int(TCompareListModel::colID)
                                           << int(Qt::DescendingOrder) << QList<int>{80, 21, 18, 5};
        QTest::newRow("by name") << "Name" << "" << int(TCompareListModel::colName) << int(Qt::AscendingOrder)
                                 << QList<int>{18, 21, 80, 81, 5};
        // Status: added, deleted, changed, identical; ties in kind then number.
        QTest::newRow("by status") << "Name" << "" << int(TCompareListModel::colStatus) << int(Qt::DescendingOrder)
                                   << QList<int>{18, 81, 21, 80, 5};
    }
    void FilterAndSort()
    {
        QFETCH(QString, Field);
        QFETCH(QString, Expression);
        QFETCH(int, SortColumn);
        QFETCH(int, Order);
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        QAbstractItemModelTester Tester(&Session.Compare->Model());
        Component<QCheckBox>(*Session.Compare, "chkShowIdentical")->setChecked(true);
        Session.Compare->List().sortByColumn(SortColumn, Qt::SortOrder(Order));
        auto* Edit = Component<QLineEdit>(Session.Compare->FilterFields(), qPrintable("edtFilter" + Field));
        QTest::keyClicks(Edit, Expression);
        QTest::keyClick(Edit, Qt::Key_Return);
        QList<int> IDs;
        for (int Row = 0; Row < Session.Compare->Model().rowCount(); ++Row)
            IDs << Session.Compare->Model().EntryAt(Row)->ID;
        QTEST(IDs, "IDs");
        // The current row follows its object through the sort.
        if (!IDs.isEmpty()) {
            const int Last = IDs.size() - 1;
            Session.Compare->List().setCurrentIndex(Session.Compare->Model().index(Last, 0));
            Session.Compare->List().sortByColumn(-1, Qt::AscendingOrder);
            QCOMPARE(Session.Compare->Model().EntryAt(Session.Compare->List().currentIndex().row())->ID, IDs[Last]);
        }
    }

    // A sort carries the current row far from where it was: the list follows it.
    void SortKeepsTheCurrentRowInView_data()
    {
        QTest::addColumn<int>("Column");
        QTest::addColumn<int>("Order");
        QTest::newRow("by ID, descending") << int(TCompareListModel::colID) << int(Qt::DescendingOrder);
        QTest::newRow("by name, descending") << int(TCompareListModel::colName) << int(Qt::DescendingOrder);
    }
    void SortKeepsTheCurrentRowInView()
    {
        QFETCH(int, Column);
        QFETCH(int, Order);
        std::string Old, New;
        for (int ID = 1; ID <= 200; ++ID) {
            const std::string Header = "Codeunit " + std::to_string(ID) + " Unit " + std::to_string(1000 + ID);
            Old += Stamped(Header, "01.07.10", "12:00:00", "    x := 1;\r\n");
            New += Stamped(Header, "01.07.10", "12:00:00", "    x := 2;\r\n");
        }
        TSession Session;
        Open(Session, Old, New);
        if (!Session.Compare)
            return;
        Session.Compare->show();
        Session.Compare->resize(600, 500);
        QTreeView& List = Session.Compare->List();
        QTRY_VERIFY(List.viewport()->height() > 0);
        QCOMPARE(List.currentIndex().row(), 0);
        List.sortByColumn(Column, Qt::SortOrder(Order));
        QCOMPARE(List.currentIndex().row(), 199);
        QVERIFY(List.viewport()->rect().intersects(List.visualRect(List.currentIndex())));
        QVERIFY(!List.viewport()->rect().intersects(List.visualRect(Session.Compare->Model().index(0, 0))));
    }

    // The compare window reads both files as the main window does: in the
    // encoding chosen in View > Encoding, or each object in its own.
    // A folder of one object per file against the export it was split from.
    void FolderAgainstItsExportIsIdentical()
    {
        TSession Session;
        const std::string Old = OldFile();
        Session.Window = MakeWindow(Session.Folder, {Session.Folder.Write(QStringLiteral("old.txt"), Old)});
        QDir(Session.Folder.Root()).mkpath(QStringLiteral("split/Codeunit"));
        std::size_t Start = 0;
        int File = 0;
        while (Start < Old.size()) {
            const std::size_t Next = Old.find("OBJECT ", Start + 1);
            const std::size_t End = Next == std::string::npos ? Old.size() : Next;
            Session.Folder.Write(QStringLiteral("split/Codeunit/%1.txt").arg(File++), Old.substr(Start, End - Start));
            Start = End;
        }
        Session.Window->findChild<TCompareCommand*>()->CompareWith(Session.Folder.Path(QStringLiteral("split")));
        auto* Compare = Session.Window->findChild<TCompareWindow*>();
        QVERIFY(Compare);
        QTRY_VERIFY(!Compare->Running());
        QCOMPARE(File, 4);
        QCOMPARE(int(Compare->Entries().size()), File);
        for (const TCompareEntry& Entry : Compare->Entries())
            QCOMPARE(Entry.Status, TCompareStatus::Identical);
    }

    void FollowsTheChosenEncoding_data()
    {
        QTest::addColumn<QString>("Encoding");
        QTest::addColumn<QString>("Name");
        QTest::newRow("automatic") << "auto" << QStringLiteral(u"Periodelængde");
        QTest::newRow("one character per byte") << "latin1" << QStringLiteral(u"Periodel\u0091ngde");
        QTest::newRow("Windows 1252") << "cp1252" << QStringLiteral(u"Periodel\u2018ngde");
    }
    void FollowsTheChosenEncoding()
    {
        QFETCH(QString, Encoding);
        // DOS 850: æ and ø.
        const std::string Danish =
            ObjectText("Table 3 Periodel\x91ngde", "  PROPERTIES\r\n  {\r\n    CaptionML=DAN=Bel\x9B" "b;\r\n  }\r\n");
        TSession Session;
        Session.Window = MakeWindow(Session.Folder, {Session.Folder.Write(QStringLiteral("old.txt"), Danish)});
        Session.Window->SetEncoding(Encoding);
        Session.Window->findChild<TCompareCommand*>()->CompareWith(
            Session.Folder.Write(QStringLiteral("new.txt"), Danish + ObjectText("Report 5 Statement")));
        auto* Compare = Session.Window->findChild<TCompareWindow*>();
        QVERIFY(Compare);
        QTRY_VERIFY(!Compare->Running());
        Component<QCheckBox>(*Compare, "chkShowIdentical")->setChecked(true);
        const QModelIndex Name = Compare->Model().index(RowOf(*Compare, otTable, 3), TCompareListModel::colName);
        QTEST(Name.data().toString(), "Name");
    }

    // Enter or a double click on a row shows its object in the main window,
    // which holds the old file: the caret on the first line that differs
    // from the new version, at the start of a deleted object; an added
    // object is not there, and the compare window says so.
    void RowOpensInTheMainWindow_data()
    {
        QTest::addColumn<bool>("DoubleClick");
        QTest::addColumn<bool>("Strict");
        QTest::addColumn<int>("Kind");
        QTest::addColumn<int>("ID");
        QTest::addColumn<int>("TreeRow"); // -1: the tree stays as it was
        QTest::addColumn<QString>("CaretLine");
        QTest::addColumn<QString>("Message");
        QTest::newRow("changed, by Enter") << false << false << int(otForm) << 21 << 1 << "    y := 2;" << "";
        QTest::newRow("changed, by double click") << true << false << int(otForm) << 21 << 1 << "    y := 2;" << "";
        QTest::newRow("stamped again, every byte")
            << false << true << int(otCodeunit) << 81 << 3 << "    Date=01.07.10;" << "";
        QTest::newRow("deleted") << false << false << int(otCodeunit) << 80 << 2 << "OBJECT Codeunit 80 Sales-Post"
                                 << "";
        QTest::newRow("added") << false << false << int(otReport) << 5 << -1 << ""
                               << "Report 5 Statement is only in new.txt; the main window shows old.txt.";
    }
    void RowOpensInTheMainWindow()
    {
        QFETCH(bool, DoubleClick);
        QFETCH(bool, Strict);
        QFETCH(int, Kind);
        QFETCH(int, ID);
        QFETCH(int, TreeRow);
        QFETCH(QString, CaretLine);
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        Session.Compare->show();
        Component<QCheckBox>(*Session.Compare, "chkStrict")->setChecked(Strict);
        QTRY_VERIFY(!Session.Compare->Running());
        const auto* Tree = Component<QTreeView>(*Session.Window, "tvwMain");
        const auto* Text = Component<QPlainTextEdit>(*Session.Window, "memMain");
        const QModelIndex TreeBefore = Tree->currentIndex();
        QTreeView& List = Session.Compare->List();
        const QModelIndex Row = Session.Compare->Model().index(RowOf(*Session.Compare, TObjectType(Kind), ID), 0);
        QVERIFY(Row.isValid());
        List.setCurrentIndex(Row);
        if (DoubleClick) {
            List.scrollTo(Row);
            const QPoint At = List.visualRect(Row).center();
            // A double click as the system delivers it: the first click, then the second.
            QTest::mouseClick(List.viewport(), Qt::LeftButton, {}, At);
            QTest::mouseDClick(List.viewport(), Qt::LeftButton, {}, At);
        } else {
            QTest::keyClick(&List, Qt::Key_Return);
        }
        QTEST(Session.Compare->StatusMessage(), "Message");
        if (TreeRow < 0) {
            QCOMPARE(Tree->currentIndex(), TreeBefore);
            return;
        }
        QCOMPARE(Tree->currentIndex().row(), TreeRow);
        QVERIFY(Text->isVisibleTo(Session.Window.get()));
        QCOMPARE(Text->textCursor().block().text(), CaretLine);
    }

    // The check boxes' choices go to the next compare window.
    void ChoicesGoToTheNextWindow()
    {
        TSession Session;
        Open(Session, OldFile(), NewFile());
        if (!Session.Compare)
            return;
        Component<QCheckBox>(*Session.Compare, "chkUnified")->setChecked(true);
        auto* Command = Session.Window->findChild<TCompareCommand*>();
        Command->CompareWith(Session.Folder.Path(QStringLiteral("new.txt")));
        auto* Again = Session.Window->findChild<TCompareWindow*>();
        QVERIFY(Again);
        QVERIFY(Component<QCheckBox>(*Again, "chkUnified")->isChecked());
        QVERIFY(!Component<QCheckBox>(*Again, "chkStrict")->isChecked());
    }
};

QTEST_MAIN(TTestCompareView)
#include "test_compareview.moc"
