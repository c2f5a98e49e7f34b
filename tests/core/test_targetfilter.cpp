// The look for objects that may refer to a target, taken as the file loads:
// it must never rule out an object the look over its text lets through,
// wherever the load's read windows cut the numbers and names.
#include "core/references/targetfilter.h"

#include <gtest/gtest.h>

namespace {

using namespace references;

std::string Object(const std::string& Line, const std::string& Body)
{
    return "OBJECT " + Line + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=12.12.18;\r\n    Time=18:12:00;\r\n  }\r\n" +
           Body + "}\r\n";
}

std::string Code(const std::string& Lines)
{
    return "  CODE\r\n  {\r\n    VAR\r\n" + Lines + "\r\n    BEGIN\r\n    END.\r\n  }\r\n";
}

std::string OnRun(const std::string& Statement)
{
    return "  PROPERTIES\r\n  {\r\n    OnRun=BEGIN\r\n            " + Statement + "\r\n          END;\r\n  }\r\n";
}

// Table 18 is in the file, Table 12 is not; both numbers stand in every
// object's stamps, a kind word lies far before its number, the name comes
// before the object named, a value names both across two lines, and the
// file ends in a number.
const std::string FileText =
    Object("Codeunit 1 Before", Code("      X@1 : Integer;\r\n      { customer 218 180 120 }")) +
    Object("Table 18 Customer", "  FIELDS\r\n  {\r\n    { 1   ;   ;Name                ;Text50        }\r\n  }\r\n") +
    Object("Codeunit 2 ByNumber",
           OnRun("C.Name := '';") + Code("      C@1 : Record 0018;\r\n      D@2 : Record\r\n        12;")) +
    Object("Codeunit 3 ByName", OnRun("MESSAGE(FORMAT(DATABASE::customer));")) +
    Object("Codeunit 4 Neither", Code("      Y@1 : Decimal;")) +
    Object("Codeunit 5 FarWord", Code("      E@1 : Record" + std::string(252, ' ') + "12;")) +
    Object("Codeunit 6 Permits", "  PROPERTIES\r\n  {\r\n    Permissions=TableData 18=r,\r\n"
                                 "                TableData 12=rimd;\r\n  }\r\n") +
    "OBJECT Codeunit 7 Last\r\n{\r\n  PROPERTIES\r\n  {\r\n    TableNo=12";

class LoadFilter : public testing::TestWithParam<std::int64_t> {
protected:
    void Load(TLoadFilter& Filter)
    {
        const auto Saved = TObjectTextFile::LoadWindowSize;
        TObjectTextFile::LoadWindowSize = GetParam();
        File.SetOnRead([&Filter](const char* Bytes, std::int64_t Position, std::int64_t Length) {
            Filter.Read(Bytes, Position, Length);
        });
        File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(FileText), "filter.txt");
        File.SetOnRead({});
        TObjectTextFile::LoadWindowSize = Saved;
        Filter.Finish();
        Reader = File.SecondReader();
    }
    std::vector<TPlace> Scanned(const TTarget& Target, std::string_view Member, const TLoadFilter* Filter)
    {
        std::vector<TPlace> Places;
        const auto Found = [&](const TPlace& Place, std::string_view) { Places.push_back(Place); };
        const TReferenceIndex Index(File);
        if (Filter)
            Index.ScanFor(Target, Member, *Reader, Found, *Filter);
        else
            Index.ScanFor(Target, Member, *Reader, Found);
        return Places;
    }

    TObjectTextFile File;
    std::unique_ptr<platform::TStream> Reader;
};

TEST_P(LoadFilter, RulesOutOnlyWhatTheTextFilterRulesOut)
{
    struct TCase {
        std::optional<TObjectType> Type;
        std::int32_t ID;
        std::int32_t Target;  // its object; -1: missing
    };
    for (const TCase& Case : {TCase{otTable, 18, 1}, TCase{otTable, 12, -1}, TCase{std::nullopt, 18, 1}}) {
        TLoadFilter Filter(File, Case.Type, Case.ID);
        Load(Filter);
        const TTarget Target = Case.Target >= 0 ? TReferenceIndex(File).TargetOf(Case.Target)
                                                : TTarget{-1, *Case.Type, Case.ID, {}};
        const std::vector<TVerdict> Verdicts = Filter.Verdicts(Target);
        ASSERT_EQ(std::size_t(File.Count()), Verdicts.size());
        const TTargetFilter TextFilter(Target);
        std::string Buffer;
        // The name is looked for from the window after the one that ends the target's object line.
        const std::int64_t Decided = Case.Target < 0 ? 0 : File.Objects(Case.Target + 1).Offset() + GetParam();
        for (std::int32_t I = 0; I < File.Count(); ++I) {
            const bool Passes = TextFilter.Passes(ReadObject(File, I, *Reader, Buffer), File.Objects(I));
            const TVerdict Verdict = Verdicts[std::size_t(I)];
            const bool Said = Verdict == TVerdict::Yes || Verdict == TVerdict::No;
            if (Said) {
                EXPECT_EQ(Passes, Verdict == TVerdict::Yes) << Case.ID << " object " << I;
            }
            if (Verdict == TVerdict::ByName) {
                EXPECT_EQ(Passes, TextFilter.Spells(ReadObject(File, I, *Reader, Buffer))) << Case.ID << " object " << I;
            }
            if (File.Objects(I).Offset() >= Decided) {
                EXPECT_TRUE(Said) << Case.ID << " object " << I;
            }
        }
        // The index scans every object whole.
        TReferenceIndex Index(File);
        ASSERT_TRUE(Index.Build(*Reader));
        EXPECT_EQ(Index.RefsTo(Target), Scanned(Target, "", &Filter)) << Case.ID;
        for (const char* Member : {"", "Name"})
            EXPECT_EQ(Scanned(Target, Member, nullptr), Scanned(Target, Member, &Filter)) << Case.ID << Member;
        File.Close();
    }
}

// Without the load's bytes the filter cannot rule anything out.
TEST_P(LoadFilter, WithoutTheLoadRulesOutNothing)
{
    TLoadFilter Seen(File, otTable, 12), Unseen(File, otTable, 12);
    Load(Seen);
    Unseen.Finish();
    const TTarget Target{-1, otTable, 12, {}};
    EXPECT_EQ(std::vector<TVerdict>(std::size_t(File.Count()), TVerdict::Unknown), Unseen.Verdicts(Target));
    // Nor for another target than the one it looked for.
    EXPECT_EQ(std::vector<TVerdict>(std::size_t(File.Count()), TVerdict::Unknown),
              Seen.Verdicts(TTarget{-1, otTable, 13, {}}));
    const std::vector<TVerdict> Verdicts = Seen.Verdicts(Target);
    EXPECT_EQ((std::vector<TVerdict>{TVerdict::No, TVerdict::No, TVerdict::Yes, TVerdict::No, TVerdict::No,
                                     TVerdict::Yes, TVerdict::Yes, TVerdict::Yes}),
              Verdicts);  // not the stamps' numbers, nor 120
}

INSTANTIATE_TEST_SUITE_P(Windows, LoadFilter, testing::Values(1, 2, 3, 5, 7, 11, 16, 29, 64, 250, 1 << 18));

}  // namespace
