// The outline of an object's text: its parts in order, the lines they start
// on as the text view numbers its blocks, and the part a line belongs to.
#include "core/objectoutline.h"
#include "core/quibfile.h"
#include "platform/filestream.h"
#include "ui/views/textviewmap.h"

#include <QPlainTextDocumentLayout>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace {

// "F 1 No." ... as kind letter and caption.
QString Describe(const TOutlineEntry& Entry)
{
    static const char Letters[] = {'F', 'K', 'T', 'P', 'D', 'C', 'E'};
    return QString(QLatin1Char(Letters[int(Entry.Kind)])) + QLatin1Char(' ') + QString::fromLatin1(Entry.Caption);
}

std::string SampleObject(const std::string& HeaderStart)
{
    TObjectTextFile File;
    // Read without a hold: other tests, and this one's second run, read the sample at once.
    const std::string Path = qEnvironmentVariable("ORVANTA_SAMPLES").toStdString() + "/sample.txt";
    std::ifstream In(Path, std::ios::binary);
    File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(std::string(std::istreambuf_iterator<char>(In), {})), Path);
    for (int Index = 0; Index < File.Count(); ++Index) {
        std::string Text = File.Objects(Index).GetText();
        if (Text.rfind(HeaderStart, 0) == 0)
            return Text;
    }
    return {};
}

// The text as the view holds it: one block per line.
QStringList ViewLines(const std::string& Text)
{
    return ToViewText(Text).Text.split(QLatin1Char('\n'));
}

// A table of Fields fields, every seventh with a trigger that holds what
// could be taken for rows or procedures, three keys, and Procedures
// procedures (every third LOCAL), its lines ended by LineBreak.
std::string GeneratedTable(int Fields, int Procedures, const std::string& LineBreak)
{
    std::string Text = "OBJECT Table 50100 Generated\n{\n  PROPERTIES\n  {\n    OnInsert=BEGIN\n             END;\n\n"
                       "  }\n  FIELDS\n  {\n";
    for (int Field = 1; Field <= Fields; ++Field) {
        Text += "    { " + std::to_string(Field) + "   ;   ;Field " + std::to_string(Field) + "    ;Decimal       ";
        Text += Field % 7 ? "}\n"
                          : ";OnValidate=BEGIN\n                 { 2 ;   ;Not a field ;Code10 }\n"
                            "                 IF Text = '{ 3 ; ;Neither }' THEN // PROCEDURE Nope@9();\n"
                            "                   EXIT;\n               END;\n\n"
                            "                                                  CaptionML=[ENU=Field;\n"
                            "                                                             DEU=Feld] }\n";
    }
    Text += "  }\n  KEYS\n  {\n";
    for (int Key = 1; Key <= 3; ++Key)
        Text += "    {    ;Field " + std::to_string(Key) + "                          ;Clustered=Yes }\n";
    Text += "  }\n  CODE\n  {\n    VAR\n      Text000@1000 : TextConst 'ENU=PROCEDURE Nope@9();';\n";
    for (int Procedure = 1; Procedure <= Procedures; ++Procedure)
        Text += std::string("\n    ") + (Procedure % 3 == 0 ? "LOCAL " : "") + "PROCEDURE Proc" +
                std::to_string(Procedure) + "@" + std::to_string(Procedure) + "(Amount@1000 : Decimal) : Boolean;\n" +
                "    BEGIN\n      { PROCEDURE Nope@9();\n        LOCAL PROCEDURE Nope@10(); }\n      EXIT(Amount > 0);\n"
                "    END;\n";
    Text += "\n    BEGIN\n    END.\n  }\n}\n";
    std::string Result;
    for (char C : Text)
        Result += C == '\n' ? LineBreak : std::string(1, C);
    return Result;
}

}  // namespace

class TestOutline : public QObject {
    Q_OBJECT

private slots:
    // The parts of each kind of object, in order, each on the first line at
    // or after the one before that holds its text.
    void parts_data()
    {
        QTest::addColumn<QByteArray>("Text");
        QTest::addColumn<QStringList>("Expected");
        const auto Sample = [](const char* Name, const char* Header, QStringList Expected) {
            QTest::newRow(Name) << QByteArray::fromStdString(SampleObject(Header)) << Expected;
        };
        Sample("table with triggers", "OBJECT Table 3 ",
               {"T OnDelete @ OnDelete=VAR", "F 1 Code @ { 1 ", "F 2 Due Date Calculation @ { 2 ", "F 4 Discount % @ { 4 ",
                "F 5 Description @ { 5 ", "K Code @ {    ;Code"});
        Sample("form", "OBJECT Form 22 ",
               {"T OnOpenForm @ OnOpenForm=", "C TableBox 1 @ { 1 ", "C TextBox \"No.\" @ { 2 ", "C Label 3 @ { 3 ",
                "C TextBox Name @ { 4 ", "C Label 5 @ { 5 ", "C TextBox \"Balance (LCY)\" @ { 6 ", "C Label 7 @ { 7 ",
                "C CommandButton Customer @ { 8 ", "T Customer - OnPush @ OnPush=",
                "P GetSelectionFilter @ PROCEDURE GetSelectionFilter"});
        Sample("page", "OBJECT Page 21 ",
               {"T OnOpenPage @ OnOpenPage=", "C Container 1900000001 @ { 1900000001", "C Group General @ { 1 ",
                "C Field \"No.\" @ { 2 ", "T \"No.\" - OnAssistEdit @ OnAssistEdit=", "C Field Name @ { 4 ",
                "C Field Address @ { 6 ", "C Field City @ { 8 ", "C Field \"Phone No.\" @ { 10 ",
                "C Field \"Balance (LCY)\" @ { 12 ", "C Field Blocked @ { 14 ", "P LOCAL ActivateFields @ LOCAL PROCEDURE"});
        Sample("report", "OBJECT Report 120 ",
               {"T OnPreReport @ OnPreReport=", "D Table18 @ { PROPERTIES", "T Table18 - OnPreDataItem @ OnPreDataItem=",
                "T Table18 - OnAfterGetRecord @ OnAfterGetRecord=", "C Label Customer Balance Summary @ { 1 ",
                "C TextBox CustFilter @ { 4 ", "C TextBox \"No.\" @ { 5 ", "C TextBox Name @ { 6 ",
                "C TextBox \"Phone No.\" @ { 7 ", "C TextBox \"Balance (LCY)\" @ { 8 "});
        Sample("dataport", "OBJECT Dataport 50010 ",
               {"T OnPreDataport @ OnPreDataport=", "T OnPostDataport @ OnPostDataport=", "D Table7002 @ { PROPERTIES",
                "T Table7002 - OnAfterImportRecord @ OnAfterImportRecord=", "F \"Item No.\" @ ;\"Item No.\"",
                "F \"Starting Date\" @ ;\"Starting Date\"", "F \"Unit Price\" @ ;\"Unit Price\"",
                "F \"Currency Code\" @ ;\"Currency Code\"", "F \"Unit of Measure Code\" @ ;\"Unit of Measure Code\""});
        Sample("codeunit", "OBJECT Codeunit 80 ",
               {"T OnRun @ OnRun=", "P SetPostingDate @ PROCEDURE SetPostingDate", "P LOCAL PostLines @ LOCAL PROCEDURE PostLines"});
        Sample("xmlport", "OBJECT XMLport 5050 ",
               {"T OnPostXMLport @ OnPostXMLport=", "E Contacts @ ;Contacts", "E Contact @ ;Contact ",
                "T Contact - Import::OnBeforeInsertRecord @ Import::OnBeforeInsertRecord=", "E No @ ;No ", "E Name @ ;Name ",
                "E City @ ;City "});
        Sample("menu suite", "OBJECT MenuSuite 1010 ", {});
        // A layout full of what looks like rows and procedures adds nothing.
        QTest::newRow("report with a layout and a dataset")
            << QByteArray("OBJECT Report 50001 Layout\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n  DATASET\r\n  {\r\n"
                          "    { 1   ;    ;DataItem;                    ;\r\n"
                          "               DataItemTable=Table18;\r\n"
                          "               DataItemVarName=Customer;\r\n"
                          "               OnAfterGetRecord=BEGIN\r\n"
                          "                                END;\r\n"
                          "                                 }\r\n"
                          "    { 2   ;1   ;Column  ;No_Customer         ;\r\n"
                          "               SourceExpr=\"No.\" }\r\n"
                          "  }\r\n  RDLDATA\r\n  {\r\n"
                          "    <Report><Code>PROCEDURE X@1();</Code>\r\n"
                          "    { 1   ;   ;Not a field ;Code10 }\r\n"
                          "    </Report>\r\n    END_OF_RDLDATA\r\n  }\r\n  CODE\r\n  {\r\n"
                          "    PROCEDURE Real@1();\r\n    BEGIN\r\n    END;\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n")
            << QStringList{"D Customer @ { 1 ", "T Customer - OnAfterGetRecord @ OnAfterGetRecord=",
                           "P Real @ PROCEDURE Real"};
    }

    void parts()
    {
        QFETCH(QByteArray, Text);
        QFETCH(QStringList, Expected);
        QVERIFY(!Text.isEmpty());
        const TObjectOutline Outline(Text.toStdString());
        const QStringList Lines = ViewLines(Text.toStdString());
        QStringList Found;
        for (const TOutlineEntry& Entry : Outline.Entries())
            Found << Describe(Entry);
        QStringList Wanted;
        for (const QString& Item : Expected)
            Wanted << Item.section(QStringLiteral(" @ "), 0, 0);
        QCOMPARE(Found, Wanted);

        int From = 0;
        for (int I = 0; I < Expected.size(); ++I) {
            const QString LineText = Expected[I].section(QStringLiteral(" @ "), 1);
            int Line = From;
            while (Line < Lines.size() && !Lines[Line].contains(LineText))
                ++Line;
            QVERIFY2(Line < Lines.size(), qPrintable(Expected[I]));
            QCOMPARE(Outline.Entries()[std::size_t(I)].Line, Line);
            From = Line;
        }
    }

    // The part the caret's line is in.
    void entryAt_data()
    {
        QTest::addColumn<QString>("LineText");
        QTest::addColumn<QString>("Expected");  // empty: before the first part
        QTest::newRow("before the first trigger") << QStringLiteral("DataCaptionFields=") << QStringLiteral("");
        QTest::newRow("first trigger's line") << QStringLiteral("OnInsert=BEGIN") << QStringLiteral("T OnInsert");
        QTest::newRow("field's first line holds its trigger") << QStringLiteral("{ 1   ;") << QStringLiteral("T No. - OnValidate");
        QTest::newRow("inside a field trigger") << QStringLiteral("\"No. Series\" := '';") << QStringLiteral("T No. - OnValidate");
        QTest::newRow("a field's caption lines") << QStringLiteral("TableRelation=Currency") << QStringLiteral("F 22 Currency Code");
        QTest::newRow("after the last key") << QStringLiteral("FIELDGROUPS") << QStringLiteral("K Currency Code");
        QTest::newRow("inside a procedure") << QStringLiteral("EXIT(TRUE);") << QStringLiteral("P AssistEdit");
        QTest::newRow("last line") << QStringLiteral("\n}") << QStringLiteral("P AssistEdit");
    }

    void entryAt()
    {
        QFETCH(QString, LineText);
        QFETCH(QString, Expected);
        const std::string Text = SampleObject("OBJECT Table 18 ");
        const TObjectOutline Outline(Text);
        const QString ViewText = ToViewText(Text).Text;
        const int At = ViewText.indexOf(LineText);
        QVERIFY(At >= 0);
        const int Line = ViewText.left(At + LineText.size()).count(QLatin1Char('\n'));
        const int Index = Outline.EntryAt(Line);
        QCOMPARE(Index < 0 ? QString() : Describe(Outline.Entries()[std::size_t(Index)]), Expected);
    }

    void entryAtEnds()
    {
        const TObjectOutline Empty("");
        QVERIFY(Empty.Entries().empty());
        QCOMPARE(Empty.EntryAt(0), -1);
        const TObjectOutline Outline(SampleObject("OBJECT Table 3 "));
        QCOMPARE(Outline.EntryAt(-1), -1);
        QCOMPARE(Outline.EntryAt(1 << 30), int(Outline.Entries().size()) - 1);
    }

    // A big generated table, with every kind of line break: every part and no
    // other, each on the block of the view that shows it.
    void bigObject_data()
    {
        QTest::addColumn<QByteArray>("LineBreak");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("\r");
    }

    void bigObject()
    {
        QFETCH(QByteArray, LineBreak);
        constexpr int Fields = 6000, Procedures = 3000;
        const std::string Text = GeneratedTable(Fields, Procedures, LineBreak.toStdString());
        QVERIFY(Text.size() > 1000000);
        const TObjectOutline Outline(Text);

        QTextDocument Document;
        Document.setDocumentLayout(new QPlainTextDocumentLayout(&Document));
        Document.setPlainText(ToViewText(Text).Text);
        int Counts[7] = {};
        for (const TOutlineEntry& Entry : Outline.Entries()) {
            ++Counts[int(Entry.Kind)];
            const QString Block = Document.findBlockByNumber(Entry.Line).text();
            const QString Caption = QString::fromLatin1(Entry.Caption);
            switch (Entry.Kind) {
            case TOutlineKind::Field:
                QVERIFY2(Block.startsWith(QStringLiteral("    { %1 ").arg(Caption.section(QLatin1Char(' '), 0, 0))),
                         qPrintable(Caption));
                break;
            case TOutlineKind::Procedure:
                QVERIFY2(Block.contains(QStringLiteral("PROCEDURE %1@").arg(Caption.section(QLatin1Char(' '), -1))),
                         qPrintable(Caption));
                QCOMPARE(Caption.startsWith(QLatin1String("LOCAL ")), Block.trimmed().startsWith(QLatin1String("LOCAL ")));
                break;
            default: QVERIFY2(Block.contains(Caption.section(QLatin1String(" - "), -1)), qPrintable(Caption));
            }
        }
        QCOMPARE(Counts[int(TOutlineKind::Field)], Fields);
        QCOMPARE(Counts[int(TOutlineKind::Key)], 3);
        QCOMPARE(Counts[int(TOutlineKind::Trigger)], 1 + Fields / 7);
        QCOMPARE(Counts[int(TOutlineKind::Procedure)], Procedures);
        QCOMPARE(Outline.Entries().back().Caption, "LOCAL Proc" + std::to_string(Procedures));

        // Every line of the last procedure belongs to it.
        const int LastLine = Document.blockCount() - 1;
        const int Last = int(Outline.Entries().size()) - 1;
        for (int Line = Outline.Entries().back().Line; Line <= LastLine; ++Line)
            QCOMPARE(Outline.EntryAt(Line), Last);
        QCOMPARE(Outline.EntryAt(Outline.Entries().back().Line - 1), Last - 1);
    }
};

QTEST_MAIN(TestOutline)
#include "test_outline.moc"
