// The reference scanner on objects written for each form a reference takes,
// and the where-used index over a small file of them.
#include "core/objectsyntax.h"
#include "core/references/referenceindex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace {

using namespace references;

// Every reference but definitions: [?]Kind Number-or-'Name'[.Member]=marked bytes
// ("?": an unqualified name, a member only if its record has one so called).
std::string Found(std::string_view Text, TObjectType Type, std::int32_t ID)
{
    TReferenceScanner Scanner;
    std::string Out;
    for (const TReference& R : Scanner.Scan(Text, Type, ID, TScanDepth::Members)) {
        if (R.Definition)
            continue;
        Out += Out.empty() ? "" : " ";
        Out += (R.Implicit ? "?" : "") + ObjectTypeNames[R.Type] +
               (R.Name.empty() ? std::to_string(R.ID) : "'" + std::string(R.Name) + "'");
        if (!R.Member.empty())
            Out += "." + std::string(R.Member);
        Out += "=" + std::string(Text.substr(std::size_t(R.MarkOffset), std::size_t(R.MarkLength)));
    }
    return Out;
}

// A codeunit with global VARs and one procedure's code.
std::string Codeunit(const std::string& Globals, const std::string& Code, const std::string& Locals = "")
{
    return "OBJECT Codeunit 50000 Test\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n  CODE\r\n  {\r\n    VAR\r\n" + Globals +
           "\r\n    PROCEDURE Run@1();\r\n" + (Locals.empty() ? "" : "    VAR\r\n" + Locals + "\r\n") +
           "    BEGIN\r\n" + Code + "\r\n    END;\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n";
}

struct TScanCase {
    const char* Name;
    std::string Text;
    TObjectType Type;
    std::int32_t ID;
    const char* Expected;
};

class ReferenceScanner : public testing::TestWithParam<TScanCase> {};

TEST_P(ReferenceScanner, FindsEachForm)
{
    const TScanCase& C = GetParam();
    EXPECT_EQ(C.Expected, Found(C.Text, C.Type, C.ID));
}

// A scan for one member finds what the full scan finds of it.
TEST_P(ReferenceScanner, FindsOneMemberAsAllOfThem)
{
    const TScanCase& C = GetParam();
    TReferenceScanner Scanner;
    std::vector<std::string> Members;
    for (const TReference& R : Scanner.Scan(C.Text, C.Type, C.ID, TScanDepth::Members))
        if (!R.Member.empty())
            Members.emplace_back(R.Member);
    const auto Of = [&](std::string_view Member, std::string_view Wanted) {
        std::vector<std::int32_t> Marks;
        for (const TReference& R : Scanner.Scan(C.Text, C.Type, C.ID, TScanDepth::Members, Wanted))
            if (SameName(R.Member, Member))
                Marks.push_back(R.MarkOffset);
        return Marks;
    };
    for (const std::string& Member : Members)
        EXPECT_EQ(Of(Member, ""), Of(Member, Member)) << Member;
}

const std::string CustVar = "      Cust@1000 : Record 18;\r\n";

INSTANTIATE_TEST_SUITE_P(
    Forms, ReferenceScanner,
    testing::Values(
        TScanCase{"Declarations",
                  Codeunit("      Cust@1000 : Record 18;\r\n      Lines@1001 : TEMPORARY Record 37;\r\n"
                           "      Heads@1002 : ARRAY [2] OF Record 36;\r\n      Post@1003 : Codeunit 80;\r\n"
                           "      Card@1004 : Page 21;\r\n      Old@1005 : Form 22;\r\n      Q@1006 : Query 5;\r\n",
                           ""),
                  otCodeunit, 50000,
                  "Table18=Record 18 Table37=Record 37 Table36=Record 36 Codeunit80=Codeunit 80 Page21=Page 21 "
                  "Form22=Form 22 Query5=Query 5"},
        TScanCase{"KindColonName",
                  Codeunit("", "      X := DATABASE::Customer;\r\n      PAGE.RUNMODAL(PAGE::\"Customer List\");\r\n"
                               "      Y := database::\"sales header\";"),
                  otCodeunit, 50000,
                  "Table'Customer'=Customer Page'Customer List'=\"Customer List\" Table'sales header'=\"sales header\""},
        TScanCase{"NotInStringsOrComments",
                  Codeunit(CustVar, "      MESSAGE('DATABASE::Item, X : Record 27, Cust.Name');\r\n"
                                    "      // DATABASE::Item Cust.Name\r\n      { DATABASE::Item\r\n  Cust.\"No.\" }"),
                  otCodeunit, 50000, "Table18=Record 18"},
        TScanCase{"MembersThroughVariables",
                  Codeunit(CustVar + "      Post@1001 : Codeunit 80;\r\n",
                           "      Cust.\"No.\" := '';\r\n      cust.Name := CUST.\"Search Name\";\r\n      Post.RUN(Cust);\r\n"
                           "      Cust.SETRANGE(\"Balance (LCY)\",0);\r\n      Cust.CALCFIELDS(Balance,\"Net Change\");"),
                  otCodeunit, 50000,
                  "Table18=Record 18 Codeunit80=Codeunit 80 Table18.No.=\"No.\" Table18.Name=Name "
                  "Table18.Search Name=\"Search Name\" Codeunit80.RUN=RUN Table18.SETRANGE=SETRANGE "
                  "Table18.Balance (LCY)=\"Balance (LCY)\" Table18.CALCFIELDS=CALCFIELDS Table18.Balance=Balance "
                  "Table18.Net Change=\"Net Change\""},
        TScanCase{"LocalBeforeGlobal",
                  Codeunit(CustVar, "      Cust.Name := '';", "      Cust@1001 : Record 36;"), otCodeunit, 50000,
                  "Table18=Record 18 Table36=Record 36 Table36.Name=Name"},
        TScanCase{"WithBlock",
                  Codeunit(CustVar, "      WITH Cust DO BEGIN\r\n        \"No.\" := '';\r\n        VALIDATE(Name);\r\n"
                                    "      END;\r\n      Amount := 0;",
                           "      Amount@1001 : Decimal;"),
                  otCodeunit, 50000, "Table18=Record 18 ?Table18.No.=\"No.\" ?Table18.VALIDATE=VALIDATE ?Table18.Name=Name"},
        TScanCase{"RecInTable",
                  "OBJECT Table 18 Customer\r\n{\r\n  PROPERTIES\r\n  {\r\n    OnInsert=BEGIN\r\n"
                  "               Rec.\"No.\" := xRec.\"No.\";\r\n               \"Search Name\" := Name;\r\n"
                  "             END;\r\n\r\n  }\r\n  FIELDS\r\n  {\r\n    { 1   ;   ;No.                 ;Code20 }\r\n"
                  "  }\r\n  KEYS\r\n  {\r\n    {    ;No.,Name                   ;Clustered=Yes }\r\n  }\r\n}\r\n",
                  otTable, 18,
                  "Table18.No.=\"No.\" Table18.No.=\"No.\" ?Table18.Search Name=\"Search Name\" ?Table18.Name=Name "
                  "Table18.No.=No. Table18.Name=Name"},
        TScanCase{"RecInPage",
                  "OBJECT Page 21 Card\r\n{\r\n  PROPERTIES\r\n  {\r\n    SourceTable=Table18;\r\n"
                  "    OnOpenPage=BEGIN\r\n                 Rec.Name := '';\r\n               END;\r\n\r\n  }\r\n"
                  "  CONTROLS\r\n  {\r\n    { 2   ;2   ;Field     ;\r\n                SourceExpr=\"No.\" }\r\n  }\r\n}\r\n",
                  otPage, 21, "Table18=Table18 Table18.Name=Name ?Table18.No.=\"No.\""},
        TScanCase{"TableRelationAlternatives",
                  "OBJECT Table 37 Line\r\n{\r\n  FIELDS\r\n  {\r\n    { 6   ;   ;No.   ;Code20  ;"
                  "TableRelation=IF (Type=CONST(Item)) Item\r\n"
                  "                                   ELSE IF (Type=CONST(Resource)) Resource.\"No.\" WHERE (Blocked=CONST(No))\r\n"
                  "                                   ELSE \"G/L Account\" }\r\n  }\r\n}\r\n",
                  otTable, 37,
                  "Table37.Type=Type Table'Item'=Item Table37.Type=Type Table'Resource'.No.=\"No.\" "
                  "Table'Resource'.Blocked=Blocked Table'G/L Account'=\"G/L Account\""},
        TScanCase{"CalcFormula",
                  "OBJECT Table 18 Customer\r\n{\r\n  FIELDS\r\n  {\r\n    { 59  ;   ;Balance   ;Decimal ;"
                  "CalcFormula=Sum(\"Cust. Ledger Entry\".Amount WHERE (Customer No.=FIELD(No.),\r\n"
                  "                                                  Date=FIELD(UPPERLIMIT(Date Filter)))) }\r\n  }\r\n}\r\n",
                  otTable, 18,
                  "Table'Cust. Ledger Entry'.Amount=Amount Table'Cust. Ledger Entry'.Customer No.=Customer No. "
                  "Table18.No.=No. Table'Cust. Ledger Entry'.Date=Date Table18.Date Filter=Date Filter"},
        TScanCase{"DataItems",
                  "OBJECT Report 6 R\r\n{\r\n  DATAITEMS\r\n  {\r\n    { PROPERTIES\r\n      {\r\n"
                  "        DataItemTable=Table18;\r\n        DataItemTableView=SORTING(No.) ORDER(Ascending) "
                  "WHERE(Blocked=CONST(No));\r\n      }\r\n       }\r\n    { PROPERTIES\r\n      {\r\n"
                  "        DataItemIndent=1;\r\n        DataItemTable=Table21;\r\n"
                  "        DataItemTableView=SORTING(Customer No.,Posting Date);\r\n"
                  "        DataItemLink=Customer No.=FIELD(No.),Currency Code=FIELD(Currency Code);\r\n      }\r\n"
                  "       }\r\n  }\r\n}\r\n",
                  otReport, 6,
                  "Table18=Table18 Table18.No.=No. Table18.Blocked=Blocked Table21=Table21 Table21.Customer No.=Customer No. "
                  "Table21.Posting Date=Posting Date Table21.Customer No.=Customer No. Table18.No.=No. "
                  "Table21.Currency Code=Currency Code Table18.Currency Code=Currency Code"},
        TScanCase{"DataItemCodeWorksOnItsRecord",
                  "OBJECT Report 7 R\r\n{\r\n  PROPERTIES\r\n  {\r\n    OnPreReport=BEGIN\r\n"
                  "                  Amount := 1;\r\n                END;\r\n\r\n  }\r\n  DATAITEMS\r\n  {\r\n"
                  "    { PROPERTIES\r\n      {\r\n        DataItemTable=Table18;\r\n"
                  "        OnAfterGetRecord=BEGIN\r\n                           CALCFIELDS(Balance);\r\n"
                  "                         END;\r\n\r\n      }\r\n      SECTIONS\r\n      {\r\n"
                  "        { PROPERTIES\r\n          {\r\n            SectionType=Body;\r\n          }\r\n"
                  "          CONTROLS\r\n          {\r\n            { 1   ;TextBox      ;0    ;0    ;1650 ;423  ;"
                  "SourceExpr=\"No.\" }\r\n          }\r\n           }\r\n      }\r\n       }\r\n  }\r\n"
                  "  CODE\r\n  {\r\n    PROCEDURE P@1();\r\n    BEGIN\r\n      Total := 0;\r\n    END;\r\n\r\n"
                  "    BEGIN\r\n    END.\r\n  }\r\n}\r\n",
                  otReport, 7, "Table18=Table18 ?Table18.CALCFIELDS=CALCFIELDS ?Table18.Balance=Balance ?Table18.No.=\"No.\""},
        TScanCase{"NamingProperties",
                  "OBJECT Page 22 List\r\n{\r\n  PROPERTIES\r\n  {\r\n    Permissions=TableData 17=r,\r\n"
                  "                TableData 21=rimd;\r\n    CardPageID=Customer Card;\r\n  }\r\n  CONTROLS\r\n  {\r\n"
                  "    { 3   ;1   ;Action    ;\r\n                      RunObject=Report 6 }\r\n  }\r\n}\r\n",
                  otPage, 22, "Table17=17 Table21=21 Page'Customer Card'=Customer Card Report6=Report 6"}),
    [](const testing::TestParamInfo<TScanCase>& Info) { return std::string(Info.param.Name); });

// What names objects, as the index reads it (lines of code passed over but
// where a colon may declare one), and as the full scan for members finds it.
std::pair<std::string, std::string> ObjectsBothWays(std::string_view Text, TObjectType Type, std::int32_t ID)
{
    std::string Depths[2];
    TReferenceScanner Scanner;
    for (const TScanDepth Depth : {TScanDepth::Objects, TScanDepth::Members})
        for (const TReference& R : Scanner.Scan(Text, Type, ID, Depth))
            if (!R.Definition && !R.Implicit && R.Member.empty())
                Depths[Depth == TScanDepth::Members] += ObjectTypeNames[R.Type] +
                                                        (R.Name.empty() ? std::to_string(R.ID) : "'" + std::string(R.Name) + "'") +
                                                        "@" + std::to_string(R.Line) + " ";
    return {Depths[0], Depths[1]};
}

class ObjectsOnly : public testing::TestWithParam<TScanCase> {};

TEST_P(ObjectsOnly, FindsWhatTheFullScanFinds)
{
    const TScanCase& C = GetParam();
    const auto [Objects, Members] = ObjectsBothWays(C.Text, C.Type, C.ID);
    EXPECT_EQ(C.Expected, Objects);
    EXPECT_EQ(Members, Objects);
}

INSTANTIATE_TEST_SUITE_P(
    LinesPassedOver, ObjectsOnly,
    testing::Values(
        TScanCase{"DeclarationsOverLines",
                  Codeunit("      Cust@1000 :\r\n        Record 18;\r\n      Lines@1001 : ARRAY [10] OF\r\n"
                           "        TEMPORARY Record 37;\r\n      Count@1002 : Integer;",
                           "      x := 1;"),
                  otCodeunit, 50000, "Table18@10 Table37@12 "},
        TScanCase{"OptionsAreNoObjects",
                  Codeunit("      Kind@1000 : 'Order,Invoice';",
                           "      CASE Kind OF\r\n        Kind::Order:\r\n          PAGE.RUN(PAGE::\"Customer List\");\r\n"
                           "        \"Kind\"::Invoice:\r\n          x := 0DATABASE::Item;\r\n      END;"),
                  otCodeunit, 50000, "Page'Customer List'@14 Table'Item'@16 "},
        TScanCase{"CommentsAndStrings",
                  Codeunit("      Text@1000 : TextConst 'ENU=x : Record 98';\r\n      { Old@1001 : Record 99;\r\n"
                           "        Older@1002 : Record 97; }\r\n      New@1003 : Record 96; // y : Record 95",
                           "      x := 'DATABASE::Customer'; // CODEUNIT::Post\r\n      y := CODEUNIT::Post;"),
                  otCodeunit, 50000, "Table96@12 Codeunit'Post'@16 "},
        TScanCase{"TriggersEndWhereTheirBlocksDo",
                  "OBJECT Table 5 T\r\n{\r\n  FIELDS\r\n  {\r\n    { 1   ;   ;No.       ;Code20        ;"
                  "OnValidate=VAR\r\n                                                                C@1 : Record 18;\r\n"
                  "                                                              BEGIN\r\n"
                  "                                                                CASE x OF 1: BEGIN END; END;\r\n"
                  "                                                                // END;\r\n"
                  "                                                              END;\r\n"
                  "                                                   TableRelation=Vendor }\r\n  }\r\n}\r\n",
                  otTable, 5, "Table18@6 Table'Vendor'@11 "}),
    [](const testing::TestParamInfo<TScanCase>& Info) { return std::string(Info.param.Name); });

// The positions of a reference on a later line count every kind of line break.
TEST(ReferenceScanner, CountsLinesAsTheView)
{
    const std::string Text = "OBJECT Codeunit 1 A\r{\n  CODE\r\n  {\r\r    VAR\n      C@1 : Record 18;\r\n  }\n}\n";
    TReferenceScanner Scanner;
    const std::vector<TReference>& Found = Scanner.Scan(Text, otCodeunit, 1, TScanDepth::Objects);
    ASSERT_EQ(1u, Found.size());
    EXPECT_EQ(7, Found[0].Line);
    EXPECT_EQ(Text.find("Record 18"), std::size_t(Found[0].MarkOffset));
}

// The structure's fast line scan, which the scanner uses on lines without
// references, leaves each line in the state the full scan does and finds the
// same spans of the structure; and the pass over the CODE section's lines
// stops where the full scan finds a colon or the section's end, in the state
// the full scan has there.
TEST(StructureScan, AgreesWithTheFullScan)
{
    using namespace objectsyntax;
    const std::string Text =
        "OBJECT Page 1 A\n{\n  PROPERTIES\n  {\n    OnOpenPage=VAR\n                 x@1 : Integer;\n"
        "               begin IF x THEN BEGIN x := 1; END; case x OF 1: ; end; x@12END; END;\n"
        "    CaptionML=[ENU=a;b}c];\n    OnInit=BEGIN { END; } 'END;}' \"x;}\" // END;\n"
        "             EndX := Ending; END;\n  }\n  CONTROLS\n  {\n    { 1 ;0 ;Container ;[{A;B}] ;\"q;}\" }\n  }\n"
        "  CODE\n  {\n    VAR\n      V@1 : Record 18;\n    PROCEDURE P@2();\n    BEGIN\n      { a\n   } END'\n"
        "      IF 1.5END THEN;\n      x := '{:''}' + \"a}:\"; // }:\n      { x : Record 1;\r\n } y := 1; {\n\n"
        "   }  z := 2 / 3;\r      a := 'no close\n      b := \"no close\n    END;\n\n    BEGIN\n    END.\n  }\n"
        "  RDLDATA\n  {\n  <x>\n  END_OF_RDLDATA\n  }\n}\n";
    struct TLine {
        std::size_t Start;
        TState State;  // at its start
        bool Colon;    // outside strings and comments, not ":="
        bool Structure;
    };
    std::vector<TLine> Lines;
    std::vector<TSpan> Full, Structure;
    TState State = StartState;
    for (std::size_t Start = 0; Start < Text.size();) {
        const std::size_t End = Text.find_first_of("\r\n", Start);
        const std::string_view Line(Text.data() + Start, End - Start);
        const TState After = ScanLine(Line, State, Full);
        EXPECT_EQ(After, ScanStructure(Line, State, Structure)) << Line;
        bool Colon = false;
        for (std::size_t I = Line.find(':'); I != std::string_view::npos; I = Line.find(':', I + 1))
            Colon |= (I + 1 == Line.size() || Line[I + 1] != '=') &&
                     std::none_of(Full.begin(), Full.end(), [I](const TSpan& S) {
                         return I >= std::size_t(S.Start) && I < std::size_t(S.Start + S.Length);
                     });
        Full.erase(std::remove_if(Full.begin(), Full.end(), [](const TSpan& S) { return S.Category > TCategory::Cell; }),
                   Full.end());
        ASSERT_EQ(Full.size(), Structure.size()) << Line;
        for (std::size_t I = 0; I < Full.size(); ++I)
            EXPECT_TRUE(Full[I].Start == Structure[I].Start && Full[I].Length == Structure[I].Length &&
                        Full[I].Category == Structure[I].Category)
                << Line << " span " << I;
        Lines.push_back({Start, State, Colon, !Structure.empty()});
        State = After;
        Start = End + (Text[End] == '\r' && Text[End + 1] == '\n' ? 2 : 1);
    }
    const auto EveryColon = [](std::string_view, std::size_t, const char*) { return true; };
    std::size_t Passed = 0;
    for (std::size_t I = 0; I + 1 < Lines.size(); ++I) {
        TState At = Lines[I].State;
        std::int32_t Count = 0;
        const std::size_t Stop = SkipCodeLines(Text, Lines[I].Start, At, Count, EveryColon);
        ASSERT_LT(I + std::size_t(Count), Lines.size());
        const TLine& Next = Lines[I + std::size_t(Count)];
        EXPECT_EQ(Next.Start, Stop) << "from line " << I + 1;
        EXPECT_EQ(Next.State, At) << "from line " << I + 1;
        for (std::size_t J = I; J < I + std::size_t(Count); ++J)
            EXPECT_FALSE(Lines[J].Colon || Lines[J].Structure) << "line " << J + 1 << " passed over";
        Passed += std::size_t(Count);
    }
    EXPECT_GT(Passed, 10u);  // the CODE section's lines are passed over
}

const char* const FileText =
    "OBJECT Table 18 Customer\r\n{\r\n  FIELDS\r\n  {\r\n    { 1   ;   ;No.                 ;Code20 }\r\n"
    "    { 2   ;   ;Name                ;Text50 }\r\n  }\r\n  CODE\r\n  {\r\n    PROCEDURE Check@1();\r\n"
    "    BEGIN\r\n      TESTFIELD(Name);\r\n    END;\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n"
    "OBJECT Codeunit 80 Post\r\n{\r\n  PROPERTIES\r\n  {\r\n    TableNo=18;\r\n  }\r\n  CODE\r\n  {\r\n    VAR\r\n"
    "      Cust@1000 : Record 18;\r\n      Gone@1001 : Record 99;\r\n\r\n    PROCEDURE Go@1();\r\n    BEGIN\r\n"
    "      Cust.Name := 'x';\r\n      Cust.Check;\r\n      MESSAGE(FORMAT(DATABASE::customer));\r\n    END;\r\n\r\n"
    "    BEGIN\r\n    END.\r\n  }\r\n}\r\n";

class ReferenceIndex : public testing::Test {
protected:
    void SetUp() override
    {
        File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(FileText), "refs.txt");
        Reader = File.SecondReader();
        ASSERT_TRUE(Index.Build(*Reader));
    }
    std::vector<TPlace> Scanned(const TTarget& Target, std::string_view Member)
    {
        std::vector<TPlace> Places;
        Index.ScanFor(Target, Member, *Reader, [&](const TPlace& Place, std::string_view) { Places.push_back(Place); });
        return Places;
    }

    TObjectTextFile File;
    std::unique_ptr<platform::TStream> Reader;
    TReferenceIndex Index{File};
};

TEST_F(ReferenceIndex, ObjectReferencesAgreeWithTheScanForOne)
{
    const std::vector<TPlace> Places = Index.RefsTo(Index.TargetOf(0));
    ASSERT_EQ(3u, Places.size());  // TableNo, the variable, DATABASE::customer
    EXPECT_EQ(5, Places[0].Line);
    EXPECT_EQ(10, Places[1].Line);
    EXPECT_EQ(17, Places[2].Line);
    EXPECT_EQ(Places, Scanned(Index.TargetOf(0), ""));
}

TEST_F(ReferenceIndex, MemberReferencesAgreeWithTheScanForOne)
{
    const std::pair<const char*, std::size_t> Members[] = {{"name", 2}, {"Check", 1}, {"No.", 0}};
    for (const auto& [Member, Count] : Members) {
        const std::vector<TPlace> Places = Index.RefsTo(Index.TargetOf(0), Member, *Reader);
        EXPECT_EQ(Places, Scanned(Index.TargetOf(0), Member)) << Member;
        EXPECT_EQ(Count, Places.size()) << Member;
    }
}

TEST_F(ReferenceIndex, DependenciesMarkMissingObjects)
{
    const std::vector<TDependency> Deps = Index.DepsOf(1);
    ASSERT_EQ(2u, Deps.size());
    EXPECT_EQ(0, Deps[0].Target.Object);
    EXPECT_EQ(3, Deps[0].Count);
    EXPECT_EQ(-1, Deps[1].Target.Object);
    EXPECT_EQ(99, Deps[1].Target.ID);
    const std::vector<TDependency> Scanned = Index.ScanDepsOf(1, *Reader);
    ASSERT_EQ(Deps.size(), Scanned.size());
    for (std::size_t I = 0; I < Deps.size(); ++I)
        EXPECT_EQ(Deps[I].Count, Scanned[I].Count);
    EXPECT_TRUE(Index.RefsTo(TTarget{-1, otTable, 98, {}}).empty());
}

TEST_F(ReferenceIndex, GoesToTheMemberUnderTheCaret)
{
    std::string Buffer;
    const std::string Text(ReadObject(File, 1, *Reader, Buffer));
    const auto At = [&](std::string_view Word) { return std::int32_t(Text.find(Word) + 1); };
    const std::optional<TResolved> Name = Index.ReferenceAt(1, Text, At("Name :="), Reader.get());
    ASSERT_TRUE(Name);
    EXPECT_EQ("Name", Name->Reference.Member);
    EXPECT_EQ((TDefinition{0, 6}.Line), Index.Definition(*Name, *Reader).Line);
    const std::optional<TResolved> Proc = Index.ReferenceAt(1, Text, At("Check;"), Reader.get());
    ASSERT_TRUE(Proc);
    EXPECT_EQ(10, Index.Definition(*Proc, *Reader).Line);
    const std::optional<TResolved> Missing = Index.ReferenceAt(1, Text, At("Record 99"), Reader.get());
    ASSERT_TRUE(Missing);
    EXPECT_EQ(-1, Index.Definition(*Missing, *Reader).Object);
    EXPECT_FALSE(Index.ReferenceAt(1, Text, At("MESSAGE"), Reader.get()));

    const std::string Table(ReadObject(File, 0, *Reader, Buffer));
    const std::optional<TResolved> Field = Index.MemberAt(0, Table, std::int32_t(Table.find("Name   ")));
    ASSERT_TRUE(Field);
    EXPECT_EQ("Name", Field->Reference.Member);
    // Unqualified in its own table: a member only if the table has it.
    EXPECT_TRUE(Index.ReferenceAt(0, Table, std::int32_t(Table.find("Name);")), Reader.get()));
    EXPECT_FALSE(Index.ReferenceAt(0, Table, std::int32_t(Table.find("TESTFIELD")), Reader.get()));
}

// Enough objects for the build to share them between two threads: the index
// still answers what the one-target scans answer, missing objects included.
TEST(ReferenceIndexOnTwoThreads, AgreesWithTheScanForOne)
{
    std::string Text;
    for (int I = 1; I <= 300; ++I)
        Text += "OBJECT Codeunit " + std::to_string(I) + " C" + std::to_string(I) +
                "\r\n{\r\n  CODE\r\n  {\r\n    VAR\r\n      A@1 : Record " + std::to_string(1000 + I % 17) +
                ";\r\n      B@2 : Codeunit " + std::to_string(I % 29 + 1) + ";\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n";
    TObjectTextFile File;
    File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(Text), "many.txt");
    const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    TReferenceIndex Index(File);
    std::vector<std::int32_t> Progress;
    ASSERT_TRUE(Index.Build(*Reader, [&](std::int32_t Done, std::int32_t) { Progress.push_back(Done); }));
    EXPECT_TRUE(std::is_sorted(Progress.begin(), Progress.end()));
    EXPECT_EQ(300, Progress.back());
    std::vector<TTarget> Targets{TTarget{-1, otTable, 1000, {}}, TTarget{-1, otTable, 1016, {}}};
    for (std::int32_t Object : {0, 12, 28})
        Targets.push_back(Index.TargetOf(Object));
    for (const TTarget& Target : Targets) {
        std::vector<TPlace> Scanned;
        Index.ScanFor(Target, "", *Reader, [&](const TPlace& Place, std::string_view) { Scanned.push_back(Place); });
        EXPECT_EQ(Scanned, Index.RefsTo(Target)) << Target.ID;
        EXPECT_EQ(Target.Type == otTable ? 17u : 10u, Scanned.size()) << Target.ID;
    }
    for (std::int32_t Object = 0; Object < 300; Object += 37) {
        const std::vector<TDependency> Deps = Index.DepsOf(Object), Scanned = Index.ScanDepsOf(Object, *Reader);
        ASSERT_EQ(Scanned.size(), Deps.size());
        for (std::size_t I = 0; I < Deps.size(); ++I)
            EXPECT_TRUE(Deps[I].Target.Object == Scanned[I].Target.Object && Deps[I].Target.ID == Scanned[I].Target.ID &&
                        Deps[I].Count == Scanned[I].Count);
    }
}

// The companion's quick look before its scan lets through every spelling of
// a reference by number, and only those.
TEST(ReferenceScanForOne, FindsEveryReferenceByNumber)
{
    // One spelling to an object, so that none passes for another's sake.
    const auto Object = [](int ID, const std::string& Properties, const std::string& Code) {
        return "OBJECT Codeunit " + std::to_string(ID) + " C\r\n{\r\n  PROPERTIES\r\n  {\r\n" + Properties +
               "  }\r\n  CODE\r\n  {\r\n" + Code + "    BEGIN\r\n    END.\r\n  }\r\n}\r\n";
    };
    const std::string Text = "OBJECT Table 18 Customer\r\n{\r\n}\r\n" + Object(1, "    TableNo=0018;\r\n", "") +
                             Object(2, "", "    VAR\r\n      B@1 : Record { old } 18;\r\n\r\n") +
                             Object(3, "", "    VAR\r\n      C@2 : Record\r\n        18;\r\n\r\n") +
                             Object(4, "    Permissions=TableData 18=r;\r\n", "") +
                             Object(5, "", "    PROCEDURE P@1();\r\n    BEGIN\r\n      X := DATABASE::18;\r\n    END;\r\n\r\n") +
                             Object(6, "", "    PROCEDURE P@1();\r\n    BEGIN\r\n      X := 18; Y := 'Record 18'; Z := 218;\r\n"
                                           "    END;\r\n\r\n");
    TObjectTextFile File;
    File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(Text), "numbers.txt");
    const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    TReferenceIndex Index(File);
    ASSERT_TRUE(Index.Build(*Reader));
    std::vector<TPlace> Scanned;
    Index.ScanFor(Index.TargetOf(0), "", *Reader, [&](const TPlace& Place, std::string_view) { Scanned.push_back(Place); });
    EXPECT_EQ(Index.RefsTo(Index.TargetOf(0)), Scanned);
    EXPECT_EQ(5u, Scanned.size());
}

TEST_F(ReferenceIndex, CancelledBuildLeavesItEmpty)
{
    std::atomic<bool> Cancel{true};
    EXPECT_FALSE(Index.Build(*Reader, {}, &Cancel));
    EXPECT_TRUE(Index.RefsTo(Index.TargetOf(0)).empty());
}

}  // namespace
