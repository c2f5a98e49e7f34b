// The syntax colours of the text view: what the line scanner makes of tricky
// texts, and the highlighter that carries its states through a document in
// slices.
#include "core/objectsyntax.h"
#include "core/quibfile.h"
#include "platform/filestream.h"
#include "ui/views/objecthighlighter.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <cmath>
#include <utility>
#include <vector>

using objectsyntax::TCategory;

namespace {

QString Lines(std::initializer_list<const char*> Items)
{
    QStringList List;
    for (const char* Item : Items)
        List << QString::fromLatin1(Item);
    return List.join(QLatin1Char('\n'));
}

// A table with code in a property, in a field and in the CODE section.
const QString TableText = Lines({
    "OBJECT Table 50000 Test Table",
    "{",
    "  OBJECT-PROPERTIES",
    "  {",
    "    Version List=ORV6.00;",
    "  }",
    "  PROPERTIES",
    "  {",
    "    OnInsert=BEGIN",
    "               IF Name = 'a{b' THEN",
    "                 Found := TRUE;",
    "               Url := 'http://x'; Count := 1;",
    "               { a comment that",
    "                 runs on: BEGIN 'x' }",
    "               EXIT(FALSE);",
    "             END;",
    "",
    "    CaptionML=[ENU=If Begin;",
    "               DEU=Wenn];",
    "    Description=Customer's list;",
    "    LookupFormID=Form22;",
    "  }",
    "  FIELDS",
    "  {",
    "    { 1   ;   ;No.                 ;Code20        ;OnValidate=BEGIN",
    "                                                               Rec.\"Customer's No.\" := '';",
    "                                                               IF Date = 0D THEN Date := 123199D;",
    "                                                             END;",
    "",
    "                                                  CaptionML=[ENU=No.] }",
    "    { 2   ;   ;Case                ;Text50        }",
    "  }",
    "  CODE",
    "  {",
    "    VAR",
    "      Text000@1000 : TextConst 'ENU=It''s done; // {really}';",
    "",
    "    LOCAL PROCEDURE Check@1(Amount@1000 : Decimal) : Boolean;",
    "    begin",
    "      // while a comment runs, END is no keyword",
    "      Exit(Amount > 12.5);",
    "    END;",
    "",
    "    BEGIN",
    "    {",
    "      ORV6.00 changed",
    "    }",
    "    END.",
    "  }",
    "}",
});

// A layout holding what would be code anywhere else; a page with a trigger
// with declarations, one without BEGIN and actions; an XMLport whose rows and
// values hold braces in brackets.
const QString OtherText = Lines({
    "OBJECT Report 50001 Test Report",
    "{",
    "  RDLDATA",
    "  {",
    "    <?xml version=\"1.0\" encoding=\"utf-8\"?>",
    "<Report><Code>IF x THEN BEGIN // { 'open</Code>",
    "  <Value>=Fields!Name.Value</Value></Report>",
    "    END_OF_RDLDATA",
    "  }",
    "  CODE",
    "  {",
    "    BEGIN",
    "    END.",
    "  }",
    "}",
    "OBJECT Page 50002 Test Card",
    "{",
    "  PROPERTIES",
    "  {",
    "    OnOpenPage=VAR",
    "                 Cust@1000 : Record 18;",
    "               BEGIN",
    "                 CASE Cust.Type OF",
    "                   1: Cust.GET;",
    "                 END;",
    "                 Cust.INIT;",
    "               END;",
    "",
    "    OnClosePage=MESSAGE('Bye; then');",
    "    SourceTable=Table18;",
    "  }",
    "  CONTROLS",
    "  {",
    "    { 1   ;0   ;Container ;",
    "                ActionList=ACTIONS",
    "                {",
    "                  { 7       ;1   ;Action    ;",
    "                                  OnAction=BEGIN",
    "                                             PostLine;",
    "                                           END;",
    "                                            }",
    "                }",
    "                 }",
    "    { 3   ;1   ;Field     ;",
    "                SourceExpr=STRSUBSTNO('%1; %2 }',\"No.\",Name) }",
    "  }",
    "}",
    "OBJECT XMLport 50003 Test Import",
    "{",
    "  ELEMENTS",
    "  {",
    "    { [{D29B8652-DB47-179A-9A9E-7F65ABC703CC}];  ;Contacts            ;Element ;Text    }",
    "    { [{69248F67-154B-041E-88C9-6E053F3A2987}];1 ;Contact             ;Element ;Table   ;",
    "                                                  LinkFields=[{5B2CBB81-8161-EBBB-A4C1-B5DA82883D80}];",
    "                                                  Import::OnBeforeInsertRecord=BEGIN",
    "                                                                                 Count := Count + 1;",
    "                                                                               END;",
    "                                                                                }",
    "  }",
    "}",
});

std::u16string_view Utf16(const QString& Text)
{
    return std::u16string_view(QStringView(Text).utf16(), std::size_t(Text.size()));
}

const char* CategoryName(TCategory Category)
{
    static const char* const Names[] = {"Plain", "Brace",  "Section", "Property", "Value",   "Cell",  "Keyword",
                                        "String", "Name",  "Number",  "Date",     "Comment", "Layout"};
    return Names[int(Category)];
}

// Per character, the category the highlighter's formats in the block say.
std::vector<TCategory> FormattedCategories(const QTextBlock& Block)
{
    std::vector<TCategory> Categories(std::size_t(Block.length() - 1), TCategory::Plain);
    for (const QTextLayout::FormatRange& Range : Block.layout()->formats())
        std::fill_n(Categories.begin() + Range.start, Range.length, TObjectHighlighter::CategoryOf(Range.format));
    return Categories;
}

// The first of blocks First to Last that does not show what the scan of the
// whole text says (categories drawn without a format as plain), or -1.
int FirstWrongBlock(const TObjectHighlighter& Highlighter, const QTextDocument& Document, int First, int Last)
{
    std::vector<TCategory> Expected = objectsyntax::Categorize(Utf16(Document.toPlainText()));
    for (TCategory& Category : Expected)
        Category = TObjectHighlighter::CategoryOf(Highlighter.Format(Category));
    for (QTextBlock Block = Document.findBlockByNumber(First); Block.isValid() && Block.blockNumber() <= Last;
         Block = Block.next()) {
        const std::vector<TCategory> Shown = FormattedCategories(Block);
        if (!std::equal(Shown.begin(), Shown.end(), Expected.begin() + Block.position()))
            return Block.blockNumber();
    }
    return -1;
}

bool HasFormats(const QTextDocument& Document, int BlockNumber)
{
    return !Document.findBlockByNumber(BlockNumber).layout()->formats().isEmpty();
}

double Contrast(const QColor& A, const QColor& B)
{
    const auto Luminance = [](const QColor& C) {
        const auto Channel = [](double V) { return V <= 0.03928 ? V / 12.92 : std::pow((V + 0.055) / 1.055, 2.4); };
        return 0.2126 * Channel(C.redF()) + 0.7152 * Channel(C.greenF()) + 0.0722 * Channel(C.blueF());
    };
    const double La = Luminance(A), Lb = Luminance(B);
    return (std::max(La, Lb) + 0.05) / (std::min(La, Lb) + 0.05);
}

QPalette MakePalette(const char* Base, const char* Text, const char* Link, const char* Visited, const char* Highlight)
{
    QPalette Palette;
    const std::pair<QPalette::ColorRole, const char*> Roles[] = {{QPalette::Base, Base}, {QPalette::Text, Text},
        {QPalette::Link, Link}, {QPalette::LinkVisited, Visited}, {QPalette::Highlight, Highlight}};
    for (const auto& [Role, Name] : Roles)
        Palette.setColor(Role, QColor(QLatin1String(Name)));
    QColor Placeholder = Palette.color(QPalette::Text);
    Placeholder.setAlpha(128);
    Palette.setColor(QPalette::PlaceholderText, Placeholder);
    return Palette;
}

QPalette LightPalette() { return MakePalette("#ffffff", "#000000", "#0000ff", "#ff00ff", "#308cc6"); }
QPalette DarkPalette() { return MakePalette("#1e1f22", "#dcdcdc", "#4aa3ff", "#c77dff", "#2d5a88"); }

// Count tables in a row, for what happens lazily.
QString ManyTables(int Count)
{
    return QStringList(Count, TableText).join(QLatin1Char('\n'));
}

// The line of the first trigger's IF in table Index of ManyTables.
int IfLine(int Index)
{
    return Index * int(TableText.count(QLatin1Char('\n')) + 1) + 9;
}

// A document laid out as the text view lays out its own.
class TPlainDocument : public QTextDocument {
public:
    TPlainDocument() { setDocumentLayout(new QPlainTextDocumentLayout(this)); }
};

}  // namespace

class TestHighlighter : public QObject {
    Q_OBJECT

private slots:
    // The needle (the first after Context) is of one category in every
    // character but spaces.
    void categories_data()
    {
        QTest::addColumn<QString>("Context");
        QTest::addColumn<QString>("Needle");
        QTest::addColumn<int>("Category");
        const auto Row = [](const char* Name, const char* Context, const char* Needle, TCategory Category) {
            QTest::newRow(Name) << QString::fromLatin1(Context) << QString::fromLatin1(Needle) << int(Category);
        };
        Row("object line", "", "OBJECT Table 50000 Test Table", TCategory::Section);
        Row("property name with a space", "", "Version List=", TCategory::Property);
        Row("row number", "{ 2", "2", TCategory::Number);
        Row("keyword as a cell", "", "Case", TCategory::Cell);
        Row("keyword in a caption", "", "If Begin", TCategory::Value);
        Row("brace in a string", "", "'a{b'", TCategory::String);
        Row("code after a brace in a string", "", "TRUE", TCategory::Keyword);
        Row("slashes in a string", "", "'http://x'", TCategory::String);
        Row("code after slashes in a string", "", "Count", TCategory::Plain);
        Row("comment over lines", "", "{ a comment that\n                 runs on: BEGIN 'x' }", TCategory::Comment);
        Row("code after the comment", "", "EXIT", TCategory::Keyword);
        Row("property after the trigger", "", "CaptionML=", TCategory::Property);
        Row("apostrophe in a value", "", "Customer's list", TCategory::Value);
        Row("property after an apostrophe", "", "LookupFormID=", TCategory::Property);
        Row("quote in a name", "", "\"Customer's No.\"", TCategory::Name);
        Row("code after a quote in a name", "Customer's No.", "''", TCategory::String);
        Row("date", "", "0D", TCategory::Date);
        Row("brace closing a row after code", "CaptionML=[ENU=No.]", "}", TCategory::Brace);
        Row("doubled quote, slashes, braces in a string", "", "'ENU=It''s done; // {really}'", TCategory::String);
        Row("code after that string", "", "LOCAL", TCategory::Keyword);
        Row("variable number", "", "Amount@1000", TCategory::Plain);
        Row("keyword in lower case", "", "begin", TCategory::Keyword);
        Row("line comment", "", "// while a comment runs, END is no keyword", TCategory::Comment);
        Row("decimal", "", "12.5", TCategory::Number);
        Row("comment in the CODE section", "ORV6.00", "ORV6.00 changed\n    }", TCategory::Comment);
        Row("brace closing the CODE section", "END.", "}", TCategory::Brace);
        Row("layout", "", "<Report><Code>IF x THEN BEGIN // { 'open</Code>\n  <Value>=Fields!Name.Value</Value>",
            TCategory::Layout);
        Row("section after the layout", "END_OF", "CODE", TCategory::Section);
        Row("code after declarations", "Record 18;", "BEGIN", TCategory::Keyword);
        Row("code after a CASE's END", "", "Cust.INIT", TCategory::Plain);
        Row("string in a trigger without BEGIN", "", "'Bye; then'", TCategory::String);
        Row("property after a trigger without BEGIN", "", "SourceTable=", TCategory::Property);
        Row("section word as a value", "", "ACTIONS", TCategory::Section);
        Row("trigger in a row of a row", "", "OnAction=", TCategory::Property);
        Row("semicolon and brace in a value's string", "", "STRSUBSTNO('%1; %2 }',\"No.\",Name)", TCategory::Value);
        Row("brace after a value's string", "Name)", "}", TCategory::Brace);
        Row("GUID in a cell", "", "[{D29B8652-DB47-179A-9A9E-7F65ABC703CC}]", TCategory::Cell);
        Row("GUID in a value", "", "[{5B2CBB81-8161-EBBB-A4C1-B5DA82883D80}]", TCategory::Value);
        Row("qualified trigger", "", "Import::OnBeforeInsertRecord=", TCategory::Property);
        Row("brace closing an element after code", "Count + 1", "}", TCategory::Brace);
    }

    void categories()
    {
        QFETCH(QString, Context);
        QFETCH(QString, Needle);
        QFETCH(int, Category);
        const QString Text = TableText + QLatin1Char('\n') + OtherText;
        const int At = Text.indexOf(Needle, Context.isEmpty() ? 0 : Text.indexOf(Context));
        QVERIFY(At >= 0);
        // Bytes and UTF-16 read the same.
        const std::vector<TCategory> Categories = objectsyntax::Categorize(Utf16(Text));
        QVERIFY(Categories == objectsyntax::Categorize(Text.toStdString()));
        for (int I = At; I < At + Needle.size(); ++I) {
            const TCategory Found = Categories[std::size_t(I)];
            QVERIFY2(Text[I].isSpace() || Found == TCategory(Category),
                     qPrintable(QStringLiteral("'%1' at %2 is %3").arg(Text[I]).arg(I - At).arg(CategoryName(Found))));
        }
    }

    // Every object of the sample file leaves the scanner where it began: no
    // brace taken for structure that was none, no code left open.
    void sampleObjectsClose()
    {
        TObjectTextFile File;
        // Read without a hold: other tests, and this one's second run, read the sample at once.
        const std::string Path = qEnvironmentVariable("ORVANTA_SAMPLES").toStdString() + "/sample.txt";
        std::ifstream In(Path, std::ios::binary);
        File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(std::string(std::istreambuf_iterator<char>(In), {})), Path);
        QVERIFY(File.Count() >= 8);
        std::vector<objectsyntax::TSpan> Spans;
        for (int Index = 0; Index < File.Count(); ++Index) {
            const QStringList Lines = QString::fromLatin1(File.Objects(Index).GetText()).split(QStringLiteral("\r\n"));
            objectsyntax::TState State = objectsyntax::StartState;
            for (const QString& Line : Lines)
                State = objectsyntax::ScanLine(Utf16(Line), State, Spans);
            QVERIFY2(State == objectsyntax::StartState, File.Objects(Index).GetDisplayText().c_str());
        }
    }

    // Highlighted in a document, every block shows what the whole text's scan
    // says, which needs each block's state to come through from the one before.
    void documentShowsTheScan()
    {
        TPlainDocument Document;
        TObjectHighlighter Highlighter(&Document, LightPalette());
        Document.setPlainText(TableText + QLatin1Char('\n') + OtherText);
        QTRY_VERIFY(Highlighter.IsComplete());
        QCOMPARE(FirstWrongBlock(Highlighter, Document, 0, Document.blockCount() - 1), -1);
        QVERIFY(HasFormats(Document, IfLine(0)));
    }

    // A new text is highlighted at the top at once, the rest later.
    void restIsLazy()
    {
        TPlainDocument Document;
        TObjectHighlighter Highlighter(&Document, LightPalette());
        Document.setPlainText(ManyTables(400));
        QCOMPARE(FirstWrongBlock(Highlighter, Document, 0, TObjectHighlighter::EagerBlocks - 1), -1);
        QVERIFY(HasFormats(Document, IfLine(0)));
        QVERIFY(!HasFormats(Document, IfLine(399)));
        QVERIFY(!Highlighter.IsComplete());

        // Blocks far down, asked for, come out as the whole scan says before
        // the pass has reached what lies between; the first of them is the
        // second line of a comment in a trigger.
        const int Last = Document.blockCount() - 1;
        Highlighter.HighlightBlocks(IfLine(398) + 4, Last);
        QCOMPARE(FirstWrongBlock(Highlighter, Document, IfLine(398) + 4, Last), -1);
        QVERIFY(!HasFormats(Document, IfLine(200)));

        // Another text before the pass is through: highlighted as a whole.
        QSignalSpy Completed(&Highlighter, &TObjectHighlighter::Completed);
        Document.setPlainText(OtherText + QLatin1Char('\n') + ManyTables(100));
        QVERIFY(Completed.wait());
        QVERIFY(Highlighter.IsComplete());
        QCOMPARE(FirstWrongBlock(Highlighter, Document, 0, Document.blockCount() - 1), -1);
    }

    // The view's first paint already shows the colours of what it shows.
    void firstPaintIsHighlighted()
    {
        class TView : public QPlainTextEdit {
        public:
            int Coloured = -1;  // at the first paint of a long text

        protected:
            void paintEvent(QPaintEvent* Event) override
            {
                if (Coloured < 0 && document()->blockCount() > IfLine(0))
                    Coloured = HasFormats(*document(), IfLine(0));
                QPlainTextEdit::paintEvent(Event);
            }
        };
        TView View;
        View.resize(600, 400);
        TObjectHighlighter Highlighter(View.document(), View.palette());
        View.show();
        QVERIFY(QTest::qWaitForWindowExposed(&View));
        View.setPlainText(ManyTables(300));
        QTRY_VERIFY(View.Coloured >= 0);
        QCOMPARE(View.Coloured, 1);
    }

    // Switched off, the text is plain, a new one too; on again, coloured again.
    void switchOffAndOn()
    {
        TPlainDocument Document;
        TObjectHighlighter Highlighter(&Document, LightPalette());
        Document.setPlainText(ManyTables(50));
        QTRY_VERIFY(Highlighter.IsComplete());

        Highlighter.SetEnabled(false);
        QVERIFY(!HasFormats(Document, IfLine(0)));
        QTRY_VERIFY(Highlighter.IsComplete());
        for (QTextBlock Block = Document.begin(); Block.isValid(); Block = Block.next())
            QVERIFY2(Block.layout()->formats().isEmpty(), qPrintable(Block.text()));
        Document.setPlainText(ManyTables(2));
        QVERIFY(Highlighter.IsComplete());
        QVERIFY(!HasFormats(Document, IfLine(0)));

        Highlighter.SetEnabled(true);
        QVERIFY(HasFormats(Document, IfLine(0)));
        QTRY_VERIFY(Highlighter.IsComplete());
        QCOMPARE(FirstWrongBlock(Highlighter, Document, 0, Document.blockCount() - 1), -1);
    }

    // The colours stand out from the base on light and dark themes, the
    // layout's least, and the kinds of code can be told apart.
    void coloursRead_data()
    {
        QTest::addColumn<QPalette>("Palette");
        QTest::newRow("light") << LightPalette();
        QTest::newRow("dark") << DarkPalette();
        // Links nearly the colour of the base: the mixes must still read.
        QTest::newRow("pale link on light") << MakePalette("#ffffff", "#202020", "#d8e8ff", "#f0d8ff", "#e0e0e0");
        QTest::newRow("dim link on dark") << MakePalette("#101010", "#e0e0e0", "#202a40", "#302030", "#202020");
    }

    void coloursRead()
    {
        QFETCH(QPalette, Palette);
        TPlainDocument Document;
        const TObjectHighlighter Highlighter(&Document, Palette);
        const QColor Base = Palette.color(QPalette::Base);
        const auto Color = [&](TCategory Category) { return Highlighter.Format(Category).foreground().color(); };
        for (int Category = int(TCategory::Section); Category < int(TCategory::Layout); ++Category)
            if (Category != int(TCategory::Value))
                QVERIFY2(Contrast(Color(TCategory(Category)), Base) >= 3.0, CategoryName(TCategory(Category)));
        const double Layout = Contrast(Color(TCategory::Layout), Base);
        QVERIFY(Layout >= 1.5);
        QVERIFY(Layout < Contrast(Color(TCategory::Comment), Base));

        const TCategory Distinct[] = {TCategory::Keyword, TCategory::String, TCategory::Number, TCategory::Comment,
                                      TCategory::Property};
        for (TCategory A : Distinct)
            for (TCategory B : Distinct)
                QVERIFY2(A == B || Color(A) != Color(B), CategoryName(A));
    }

    // A new palette recolours the document: the keywords read on the new base.
    void paletteChangeRecolours()
    {
        TPlainDocument Document;
        TObjectHighlighter Highlighter(&Document, LightPalette());
        Document.setPlainText(TableText);
        const QColor DarkBase = DarkPalette().color(QPalette::Base);
        const auto KeywordContrast = [&] {
            for (const QTextLayout::FormatRange& Range : Document.findBlockByNumber(IfLine(0)).layout()->formats())
                if (TObjectHighlighter::CategoryOf(Range.format) == TCategory::Keyword)
                    return Contrast(Range.format.foreground().color(), DarkBase);
            return 0.0;
        };
        QVERIFY(KeywordContrast() > 0 && KeywordContrast() < 3.0);
        Highlighter.SetPalette(DarkPalette());
        QTRY_VERIFY(Highlighter.IsComplete());
        QVERIFY(KeywordContrast() >= 3.0);
        QCOMPARE(FirstWrongBlock(Highlighter, Document, 0, Document.blockCount() - 1), -1);
    }
};

QTEST_MAIN(TestHighlighter)
#include "test_highlighter.moc"
