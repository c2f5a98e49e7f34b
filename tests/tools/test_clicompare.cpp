// orvanta-cli compare on generated pairs of exports with known edits: the
// status lines, and the unified diff applied with patch to the old file's
// objects as export writes them, which must then be the new file's.
#include "testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

struct TRun {
    int Status;
    std::string Out;
};

// Runs a shell command; standard error comes back with standard output.
TRun Shell(const std::string& Command)
{
    TRun Result{-1, {}};
    FILE* Pipe = popen((Command + " 2>&1").c_str(), "r");
    if (!Pipe)
        return Result;
    char Buffer[4096];
    std::size_t N;
    while ((N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0)
        Result.Out.append(Buffer, N);
    const int Status = pclose(Pipe);
    Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    return Result;
}

std::string Quoted(const std::filesystem::path& Path) { return "'" + Path.string() + "'"; }

TRun Cli(const std::string& Arguments) { return Shell(std::string("\"") + ORVANTA_CLI + "\" " + Arguments); }

struct TObject {
    std::string Kind;
    int ID;
    std::string Name;
    std::string Date = "01.07.10";
    std::string Time = "12:00:00";
    std::string Modified = "Yes";
    std::vector<std::string> Code;
};

// Code that differs from object to object and repeats lines within one, as
// real triggers do.
TObject Generated(const std::string& Kind, int ID, const std::string& Name)
{
    TObject Object;
    Object.Kind = Kind;
    Object.ID = ID;
    Object.Name = Name;
    for (int I = 0; I < 20 + ID % 17; ++I)
        Object.Code.push_back(I % 5 == 4 ? "    END;"
                              : I % 5 == 0 ? "    BEGIN"
                                           : "      Field" + std::to_string((ID * 7 + I) % 23) + " := " +
                                                 std::to_string(I) + ";");
    return Object;
}

struct TExport {
    std::vector<TObject> Objects;
    std::string Break = "\r\n";
    bool FinalBreak = true;

    TObject& operator[](int ID)
    {
        return *std::find_if(Objects.begin(), Objects.end(), [ID](const TObject& O) { return O.ID == ID; });
    }

    std::string Text() const
    {
        std::string T = "// exported for the test" + Break;
        for (const TObject& O : Objects) {
            T += "OBJECT " + O.Kind + " " + std::to_string(O.ID) + " " + O.Name + Break + "{" + Break +
                 "  OBJECT-PROPERTIES" + Break + "  {" + Break + "    Date=" + O.Date + ";" + Break + "    Time=" +
                 O.Time + ";" + Break + "    Modified=" + O.Modified + ";" + Break + "    Version List=ORV6.00;" +
                 Break + "  }" + Break + "  CODE" + Break + "  {" + Break;
            for (const std::string& Line : O.Code)
                T += Line + Break;
            T += "  }" + Break + "}" + Break + Break;
        }
        return FinalBreak ? T : T.substr(0, T.size() - 2 * Break.size());
    }
};

TExport Base()
{
    return {{Generated("Table", 3, "Payment Terms"), Generated("Table", 18, "Customer"),
             Generated("Form", 21, "Customer Card"), Generated("Codeunit", 80, "Sales-Post"),
             Generated("Report", 111, "Customer - Top 10 List"), Generated("Table", 27, "Item"),
             Generated("Dataport", 50010, "Item Price Import"), Generated("XMLport", 5050, "Contact Import"),
             Generated("Page", 42, "Sales Order"), Generated("MenuSuite", 1010, "Dept - Sales"),
             Generated("Codeunit", 50003, "Text Utilities"), Generated("Form", 22, "Customer List")}};
}

void AddObject(TExport& File) { File.Objects.insert(File.Objects.begin() + 4, Generated("Codeunit", 50000, "New\tCodeunit")); }
void DeleteObject(TExport& File) { File.Objects.erase(File.Objects.begin() + 2); } // Form 21
void ChangeOneLine(TExport& File) { File[80].Code[6] += " // checked"; }
void ChangeDatesOnly(TExport& File)
{
    File[18].Date = "24.12.21";
    File[18].Time = "9:41:07";
    File[111].Time = "12:00:01";
    File[27].Modified = "No";
}

struct TPairCase {
    const char* Name;
    std::function<void(TExport& Old, TExport& New)> Edit;
    std::string Changes;       // compare
    std::string StrictChanges; // compare --strict
    bool OwnExportNames = true; // no two objects share a kind and number
};

const std::string SAllChangedStrictly = "changed\tTable\t3\tPayment Terms\n"
                                        "changed\tTable\t18\tCustomer\n"
                                        "changed\tTable\t27\tItem\n"
                                        "changed\tForm\t21\tCustomer Card\n"
                                        "changed\tForm\t22\tCustomer List\n"
                                        "changed\tReport\t111\tCustomer - Top 10 List\n"
                                        "changed\tDataport\t50010\tItem Price Import\n"
                                        "changed\tCodeunit\t80\tSales-Post\n"
                                        "changed\tCodeunit\t50003\tText Utilities\n"
                                        "changed\tXMLport\t5050\tContact Import\n"
                                        "changed\tMenuSuite\t1010\tDept - Sales\n"
                                        "changed\tPage\t42\tSales Order\n";

const TPairCase SPairCases[] = {
    {"Identical", [](TExport&, TExport&) {}, "", ""},
    {"Added", [](TExport&, TExport& New) { AddObject(New); }, "added\tCodeunit\t50000\tNew\\tCodeunit\n",
     "added\tCodeunit\t50000\tNew\\tCodeunit\n"},
    {"Deleted", [](TExport&, TExport& New) { DeleteObject(New); }, "deleted\tForm\t21\tCustomer Card\n",
     "deleted\tForm\t21\tCustomer Card\n"},
    {"OneLineChanged", [](TExport&, TExport& New) { ChangeOneLine(New); }, "changed\tCodeunit\t80\tSales-Post\n",
     "changed\tCodeunit\t80\tSales-Post\n"},
    {"DatesAndTimesOnly", [](TExport&, TExport& New) { ChangeDatesOnly(New); }, "",
     "changed\tTable\t18\tCustomer\nchanged\tTable\t27\tItem\nchanged\tReport\t111\tCustomer - Top 10 List\n"},
    {"Reordered", [](TExport&, TExport& New) { std::reverse(New.Objects.begin(), New.Objects.end()); }, "", ""},
    {"LineFeedsAgainstCrLf", [](TExport&, TExport& New) { New.Break = "\n"; }, "", SAllChangedStrictly},
    {"CrLfAgainstLineFeeds", [](TExport& Old, TExport&) { Old.Break = "\n"; }, "", SAllChangedStrictly},
    {"NoFinalBreak", [](TExport&, TExport& New) { New.FinalBreak = false; }, "changed\tForm\t22\tCustomer List\n",
     "changed\tForm\t22\tCustomer List\n"},
    {"LastLineChangedWithoutFinalBreak",
     [](TExport& Old, TExport& New) {
         Old.FinalBreak = New.FinalBreak = false;
         New[22].Code.back() = "    END; // last";
     },
     "changed\tForm\t22\tCustomer List\n", "changed\tForm\t22\tCustomer List\n"},
    {"PageGoneBesideAQueryOfItsNumber",
     [](TExport& Old, TExport& New) {
         for (TExport* File : {&Old, &New})
             File->Objects.push_back(Generated("Query", 42, "Sales Order"));
         New.Objects.erase(std::find_if(New.Objects.begin(), New.Objects.end(),
                                        [](const TObject& O) { return O.Kind == "Page"; }));
     },
     "deleted\tPage\t42\tSales Order\n", "deleted\tPage\t42\tSales Order\n"},
    {"DuplicatedNumbers",
     [](TExport& Old, TExport& New) {
         for (TExport* File : {&Old, &New})
             File->Objects.push_back(Generated("Table", 18, "Customer Copy"));
         New.Objects.back().Code[0] = "    BEGIN // copy";
         New.Objects.push_back(Generated("Table", 18, "Customer Third"));
     },
     // The first Table 18 of each file goes with the other's first, and so
     // on: the first two are kept and changed, the third is added.
     "changed\tTable\t18\tCustomer Copy\nadded\tTable\t18\tCustomer Third\n",
     "changed\tTable\t18\tCustomer Copy\nadded\tTable\t18\tCustomer Third\n", false},
    {"Everything",
     [](TExport&, TExport& New) {
         AddObject(New);
         DeleteObject(New);
         ChangeOneLine(New);
         ChangeDatesOnly(New);
         std::rotate(New.Objects.begin(), New.Objects.begin() + 5, New.Objects.end());
         New.Break = "\n";
     },
     "deleted\tForm\t21\tCustomer Card\nchanged\tCodeunit\t80\tSales-Post\nadded\tCodeunit\t50000\tNew\\tCodeunit\n",
     "changed\tTable\t3\tPayment Terms\n"
     "changed\tTable\t18\tCustomer\n"
     "changed\tTable\t27\tItem\n"
     "deleted\tForm\t21\tCustomer Card\n"
     "changed\tForm\t22\tCustomer List\n"
     "changed\tReport\t111\tCustomer - Top 10 List\n"
     "changed\tDataport\t50010\tItem Price Import\n"
     "changed\tCodeunit\t80\tSales-Post\n"
     "added\tCodeunit\t50000\tNew\\tCodeunit\n"
     "changed\tCodeunit\t50003\tText Utilities\n"
     "changed\tXMLport\t5050\tContact Import\n"
     "changed\tMenuSuite\t1010\tDept - Sales\n"
     "changed\tPage\t42\tSales Order\n"},
};

// A text as a comparison that is not strict sees it, restated: the values
// of Date, Time and Modified blanked, CRs gone (the generated code has no
// such keys).
std::string Loosely(const std::string& Text)
{
    std::string Result;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t End = Text.find('\n', Start);
        End = End == std::string::npos ? Text.size() : End + 1;
        std::string Line = Text.substr(Start, End - Start);
        Line.erase(std::remove(Line.begin(), Line.end(), '\r'), Line.end());
        for (const char* Key : {"    Date=", "    Time=", "    Modified="})
            if (Line.rfind(Key, 0) == 0)
                Line = Key;
        Result += Line;
        Start = End;
    }
    return Result;
}

std::vector<std::string> FileNames(const std::filesystem::path& Folder)
{
    std::vector<std::string> Names;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

void PrintTo(const TPairCase& Case, std::ostream* Out) { *Out << Case.Name; }

// In the diff of an object that both files hold, no Date, Time or Modified
// line is marked changed (an added or deleted object's diff holds them all).
void ExpectNoIgnoredLineReported(const std::string& Hunks)
{
    bool BothSides = true;
    std::size_t Start = 0;
    while (Start < Hunks.size()) {
        const std::size_t End = std::min(Hunks.find('\n', Start), Hunks.size());
        const std::string Line = Hunks.substr(Start, End - Start);
        if (Line.rfind("--- ", 0) == 0)
            BothSides = true;
        if (Line.rfind("--- ", 0) == 0 || Line.rfind("+++ ", 0) == 0)
            BothSides = BothSides && Line.find("\t1970-01-01") == std::string::npos;
        else if (BothSides && (Line[0] == '-' || Line[0] == '+')) {
            for (const char* Key : {"    Date=", "    Time=", "    Modified="})
                EXPECT_NE(0, Line.compare(1, std::strlen(Key), Key)) << "reported: " << Line;
        }
        Start = End + 1;
    }
}

class ComparePair : public testing::TestWithParam<TPairCase> {
protected:
    void SetUp() override
    {
        TExport OldExport = Base(), NewExport = Base();
        GetParam().Edit(OldExport, NewExport);
        WriteFileBytes(Old.string(), OldExport.Text());
        WriteFileBytes(New.string(), NewExport.Text());
    }

    // The unified diff applied to OLD's objects gives NEW's, byte for byte
    // when strict, else as a loose comparison sees them.
    void ExpectPatchTurnsOldIntoNew(bool Strict)
    {
        const std::filesystem::path Patched = Dir.Path() / "patched", Wanted = Dir.Path() / "wanted";
        std::filesystem::create_directory(Patched);
        std::filesystem::create_directory(Wanted);
        ASSERT_EQ(0, Cli("export " + Quoted(Old) + " " + Quoted(Patched)).Status);
        ASSERT_EQ(0, Cli("export " + Quoted(New) + " " + Quoted(Wanted)).Status);
        const std::filesystem::path Diff = Dir.Path() / "objects.diff";
        const TRun Written = Shell(std::string("\"") + ORVANTA_CLI + "\" compare --unified " +
                                 (Strict ? "--strict " : "") + Quoted(Old) + " " + Quoted(New) + " >" + Quoted(Diff));
        EXPECT_EQ((Strict ? GetParam().StrictChanges : GetParam().Changes).empty() ? 0 : 1, Written.Status)
            << Written.Out;
        const std::string Hunks = ReadFileBytes(Diff.string());
        if (!Strict)
            ExpectNoIgnoredLineReported(Hunks);
        const TRun Patch = Shell("cd " + Quoted(Patched) + " && patch -p1 -s --no-backup-if-mismatch <" + Quoted(Diff));
        ASSERT_EQ(0, Patch.Status) << Patch.Out << Hunks;
        ASSERT_EQ(FileNames(Wanted), FileNames(Patched));
        for (const std::string& Name : FileNames(Wanted)) {
            const std::string Got = ReadFileBytes((Patched / Name).string());
            const std::string Expected = ReadFileBytes((Wanted / Name).string());
            EXPECT_EQ(Strict ? Expected : Loosely(Expected), Strict ? Got : Loosely(Got)) << Name;
        }
    }

    TTempDir Dir;
    std::filesystem::path Old = Dir.Path() / "old.txt", New = Dir.Path() / "new.txt";
};

TEST_P(ComparePair, ListsWhatDiffers)
{
    const TRun Loose = Cli("compare " + Quoted(Old) + " " + Quoted(New));
    EXPECT_EQ(GetParam().Changes, Loose.Out);
    EXPECT_EQ(GetParam().Changes.empty() ? 0 : 1, Loose.Status);
    const TRun Strict = Cli("compare --strict " + Quoted(Old) + " " + Quoted(New));
    EXPECT_EQ(GetParam().StrictChanges, Strict.Out);
    EXPECT_EQ(GetParam().StrictChanges.empty() ? 0 : 1, Strict.Status);
}

INSTANTIATE_TEST_SUITE_P(Edits, ComparePair, testing::ValuesIn(SPairCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// Objects that share a kind and number share an export file too: a folder
// of them cannot be patched.
class PatchPair : public ComparePair {};

TEST_P(PatchPair, UnifiedDiffTurnsTheOldObjectsIntoTheNew) { ExpectPatchTurnsOldIntoNew(false); }

TEST_P(PatchPair, StrictUnifiedDiffTurnsTheOldObjectsIntoTheNewByteForByte) { ExpectPatchTurnsOldIntoNew(true); }

std::vector<TPairCase> WithOwnExportNames()
{
    std::vector<TPairCase> Cases;
    std::copy_if(std::begin(SPairCases), std::end(SPairCases), std::back_inserter(Cases),
                 [](const TPairCase& Case) { return Case.OwnExportNames; });
    return Cases;
}

INSTANTIATE_TEST_SUITE_P(Edits, PatchPair, testing::ValuesIn(WithOwnExportNames()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

class Compare : public testing::Test {
protected:
    void SetUp() override
    {
        TExport NewExport = Base();
        ChangeOneLine(NewExport);
        ChangeDatesOnly(NewExport);
        WriteFileBytes(Old.string(), Base().Text());
        WriteFileBytes(New.string(), NewExport.Text());
    }
    TTempDir Dir;
    std::filesystem::path Old = Dir.Path() / "old.txt", New = Dir.Path() / "new.txt";
};

TEST_F(Compare, AllListsTheIdenticalObjectsToo)
{
    const TRun R = Cli("compare --all " + Quoted(Old) + " " + Quoted(New));
    EXPECT_EQ(1, R.Status);
    EXPECT_EQ("identical\tTable\t3\tPayment Terms\n"
              "identical\tTable\t18\tCustomer\n"
              "identical\tTable\t27\tItem\n"
              "identical\tForm\t21\tCustomer Card\n"
              "identical\tForm\t22\tCustomer List\n"
              "identical\tReport\t111\tCustomer - Top 10 List\n"
              "identical\tDataport\t50010\tItem Price Import\n"
              "changed\tCodeunit\t80\tSales-Post\n"
              "identical\tCodeunit\t50003\tText Utilities\n"
              "identical\tXMLport\t5050\tContact Import\n"
              "identical\tMenuSuite\t1010\tDept - Sales\n"
              "identical\tPage\t42\tSales Order\n",
              R.Out);
}

TEST_F(Compare, AFileGivenTwiceIsTheSame)
{
    const TRun R = Cli("compare --all " + Quoted(Old) + " " + Quoted(Dir.Path() / "." / "old.txt"));
    EXPECT_EQ(0, R.Status) << R.Out;
    EXPECT_EQ(12, std::count(R.Out.begin(), R.Out.end(), '\n'));
}

TEST_F(Compare, FailsWithTwoAsDiffDoes)
{
    const struct {
        std::string Arguments;
        std::string Message; // the first line
    } Cases[] = {
        {"compare " + Quoted(Old) + " " + Quoted(Dir.Path() / "none.txt"),
         "Cannot open file \"" + (Dir.Path() / "none.txt").string() + "\". No such file or directory"},
        {"compare " + Quoted(Old), "NEW is required"},
        {"compare --all --unified " + Quoted(Old) + " " + Quoted(New), "--all excludes --unified"},
    };
    for (const auto& Case : Cases) {
        const TRun R = Cli(Case.Arguments);
        EXPECT_EQ(2, R.Status) << Case.Arguments;
        EXPECT_EQ(Case.Message, R.Out.substr(0, R.Out.find('\n'))) << Case.Arguments;
    }
}

TEST_F(Compare, HelpNamesBothForms)
{
    const TRun R = Cli("compare --help");
    EXPECT_EQ(0, R.Status);
    EXPECT_EQ(0u, R.Out.find("Usage: orvanta-cli compare [--strict] [--all] OLD NEW\n"
                             "       orvanta-cli compare --unified [--strict] OLD NEW\n"));
}

} // namespace
