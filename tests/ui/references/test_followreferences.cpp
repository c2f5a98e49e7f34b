// Following references in the window: Go to Definition onto an object and
// onto a field, a target missing from the file, Find References on a
// field's definition and Where Used on the tree's object, asked before and
// after the index is built.
#include "guitest.h"
#include "ui/find/findall.h"
#include "ui/references/referencecommands.h"

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QTextBlock>
#include <QTreeView>
#include <QtTest>

namespace {

const std::string STable = ObjectText("Table 18 Customer", "  PROPERTIES\r\n  {\r\n  }\r\n  FIELDS\r\n  {\r\n"
                                                           "    { 1   ;   ;No.                 ;Code20        }\r\n"
                                                           "    { 2   ;   ;Name                ;Text50        }\r\n"
                                                           "  }\r\n");
const std::string SCodeunit =
    ObjectText("Codeunit 80 Sales-Post", "  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n    VAR\r\n"
                                         "      Cust@1000 : Record 18;\r\n"
                                         "      Missing@1001 : Record 99;\r\n\r\n"
                                         "    PROCEDURE Post@1();\r\n    BEGIN\r\n"
                                         "      Cust.\"No.\" := 'C1';\r\n"
                                         "      Cust.VALIDATE(Name);\r\n"
                                         "      // Cust.\"No.\" in a comment\r\n"
                                         "      MESSAGE('Cust.\"No.\"');\r\n"
                                         "      Cust.TESTFIELD(\"No.\");\r\n"
                                         "    END;\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n");
const std::string SPage = ObjectText("Page 21 Customer Card", "  PROPERTIES\r\n  {\r\n    SourceTable=Table18;\r\n  }\r\n");

QAction* Action(TfrmMain& Window, const char* Name)
{
    return Component<QAction>(Window, Name);
}

// The caret on the first occurrence of Text after Before in the shown object.
void PutCaret(TfrmMain& Window, const QString& Text, int Into = 1)
{
    TObjectTextView& View = *Views(Window).Text;
    QTextCursor Cursor = View.document()->find(Text);
    QVERIFY2(!Cursor.isNull(), qPrintable(Text));
    Cursor.setPosition(Cursor.selectionStart() + Into);
    View.setTextCursor(Cursor);
    View.setFocus();
}

void GoTo(TfrmMain& Window, int AbsoluteIndex)
{
    auto* Model = static_cast<TObjectTreeModel*>(Views(Window).Tree->model());
    Views(Window).Tree->setCurrentIndex(Model->NodeAt(AbsoluteIndex));
    WaitForChangeReport();
}

int ShownObject(TfrmMain& Window)
{
    return Views(Window).Tree->currentIndex().row();
}

// The Where Used panel's rows as "object label:line".
QStringList Rows(TfrmMain& Window)
{
    auto& Results = *static_cast<TFindAllModel*>(Component<QTreeView>(Window, "tvwWhereUsed")->model());
    QStringList Found;
    for (int Row = 0; Row < Results.rowCount(); ++Row)
        Found << Results.ObjectOf(Row)->Label + u':' + QString::number(Results.Hit(Row)->Line);
    return Found;
}

} // namespace

class TestFollowReferences : public QObject {
    Q_OBJECT

private slots:
    void goToDefinition()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        int Beeps = 0;
        Window->SetBeepSink([&Beeps] { ++Beeps; });
        Window->OpenFile(Folder.Write("three.txt", STable + SCodeunit + SPage));
        GoTo(*Window, 2);
        // Asked at once: it runs when the index is built, if it is not yet.
        PutCaret(*Window, QStringLiteral("Record 18"));
        Action(*Window, "actEditGoToDefinition")->trigger();
        QTRY_COMPARE(ShownObject(*Window), 0);
        QCOMPARE(Views(*Window).Text->textCursor().selectedText(), QStringLiteral("OBJECT Table 18 Customer"));
        // Back where it came from.
        Action(*Window, "actEditBack")->trigger();
        QTRY_COMPARE(ShownObject(*Window), 1);

        // Onto the field, its row selected.
        PutCaret(*Window, QStringLiteral("VALIDATE(Name)"), 10);
        Action(*Window, "actEditGoToDefinition")->trigger();
        QTRY_COMPARE(ShownObject(*Window), 0);
        QVERIFY(Views(*Window).Text->textCursor().selectedText().contains(QStringLiteral(";Name ")));

        // The tooltip names the target, and a field's type.
        GoTo(*Window, 2);
        auto& Commands = *Window->findChild<TReferenceCommands*>();
        const std::string& Text = Views(*Window).Text->ObjectText();
        QCOMPARE(Commands.Describe(std::int32_t(Text.find("VALIDATE(Name)") + 9)),
                 QStringLiteral("Table 18 Customer: Name (Text50)"));
        QCOMPARE(Commands.Describe(std::int32_t(Text.find("Record 99"))), QStringLiteral("Table 99 (not in this file)"));
        QCOMPARE(Commands.Describe(std::int32_t(Text.find("comment"))), QString());

        // Nowhere to go: a beep and why.
        GoTo(*Window, 2);
        PutCaret(*Window, QStringLiteral("Record 99"));
        Action(*Window, "actEditGoToDefinition")->trigger();
        QTRY_COMPARE(Beeps, 1);
        QCOMPARE(Window->StatusText(), QStringLiteral("Table 99 is not in this file."));
        QCOMPARE(ShownObject(*Window), 1);
    }

    void findReferencesAndWhereUsed()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("three.txt", STable + SCodeunit + SPage));
        // A field's definition: the lines that use it, none in a comment or a string.
        GoTo(*Window, 1);
        PutCaret(*Window, QStringLiteral(";No. "), 2);
        Action(*Window, "actEditFindReferences")->trigger();
        auto* Note = Component<QLabel>(*Window, "lblWhereUsed");
        QTRY_VERIFY(Note->text().contains(QStringLiteral("line(s)")));
        QCOMPARE(Rows(*Window), (QStringList{"Codeunit 80 Sales-Post:14", "Codeunit 80 Sales-Post:18"}));
        QVERIFY(Note->text().contains(QStringLiteral("Table 18 Customer, \"No.\"")));

        // The tree's object: the declaration and the page's source table.
        GoTo(*Window, 1);
        Views(*Window).Tree->setFocus();
        Action(*Window, "actWhereUsed")->trigger();
        QTRY_VERIFY(Note->text().contains(QStringLiteral("Where used: Table 18 Customer:")));
        QCOMPARE(Rows(*Window), (QStringList{"Codeunit 80 Sales-Post:9", "Page 21 Customer Card:5"}));
        // A row goes to its line.
        auto* Results = Component<QTreeView>(*Window, "tvwWhereUsed");
        emit Results->activated(Results->model()->index(1, 0));
        QTRY_COMPARE(ShownObject(*Window), 2);
        QCOMPARE(Views(*Window).Text->CaretPlace().Line, 5);
    }
};

QTEST_MAIN(TestFollowReferences)
#include "test_followreferences.moc"
