// Drives orvanta-cli as users script it.
#include "core/codepages.h"
#include "core/quibfile.h"
#include "platform/filestream.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

struct TRun {
    int Status;
    std::string Out;
};

// Standard error and standard output both come back, unless Output sends the
// latter elsewhere (a redirection such as ">/dev/full").
std::string Quote(const std::string& Text)
{
    std::string Quoted = "'";
    for (const char C : Text)
        Quoted += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Quoted + "'";
}

// Before: shell commands run first (in bash), ending where the companion's
// command line begins.
TRun RunCli(const std::string& Arguments, const std::string& Output = "", const std::string& Before = "")
{
    std::string Command = Before + "\"" + ORVANTA_CLI + "\" " + Arguments + " 2>&1 " + Output;
    if (!Before.empty())
        Command = "bash -c " + Quote(Command);
    TRun Result{-1, {}};
    FILE* Pipe = popen(Command.c_str(), "r");
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

std::string Quoted(const std::string& Path) { return "'" + Path + "'"; }

class Cli : public testing::Test {
protected:
    void SetUp() override
    {
        File = Dir.File("objects.txt");
        WriteFileBytes(File, "pre\r\nOBJECT Table 18 Customer\r\nName Needle\r\nOBJECT Page 21 Card\r\nneedle "
                             "NEEDLE\r\nOBJECT Codeunit -5 Neg\r\naaaa\r\n");
    }
    TTempDir Dir;
    std::string File;
};

// find looks for its text while the file loads, a piece at a time: what it
// prints must be what successive Find Next presses find, however the
// occurrences lie against the pieces and the objects.
TEST_F(Cli, FindWhileLoadingFindsWhatFindNextFinds)
{
    std::mt19937 Random(5);
    const char Letters[] = {'a', 'A', 'b', ' ', '\r', '\n'};
    std::string Text = "ab\r\n";
    const auto AddObjects = [&](std::size_t Until) {
        while (Text.size() < Until) {
            Text += "OBJECT Table " + std::to_string(Text.size()) + " T\r\n";
            for (int K = int(Random() % (Random() % 8 == 0 ? 20000 : 300)); K > 0; --K)
                Text += Letters[Random() % sizeof Letters];
        }
    };
    // About four load windows' worth of objects, most of them small, and one
    // occurrence across the end of the first piece the load reads.
    const auto FirstPiece = std::size_t(TObjectTextFile::LoadWindowSize) + 8;
    AddObjects(FirstPiece - 1000);
    Text += "OBJECT Table 1 Seam\r\n" + std::string(2000, 'x');
    Text.replace(FirstPiece - 5, 10, "aaaaaaaaab");
    AddObjects(4 * FirstPiece);
    WriteFileBytes(File, Text);
    struct TCase {
        std::string Needle;
        bool MatchCase;
        std::string Want;
    };
    std::vector<TCase> Cases;
    {
        TObjectTextFile Model;  // let go of the file before the companion opens it
        Model.LoadFromFile(File);
        for (const std::string Needle : {"a", "ab", "aAb", "bb a", "b\r\nOBJECT", "aaaaaaaaab"})
            for (const bool MatchCase : {false, true}) {
                std::string Want;
                std::int32_t Object = 0, Position = 1;
                while (Model.FindNext(Object, Position, Needle, MatchCase)) {
                    Want += std::to_string(Object) + "\t" + std::to_string(Position) + "\t" +
                            Model.Objects(Object).GetDisplayText() + "\n";
                    Position += std::int32_t(Needle.size());
                }
                Cases.push_back({Needle, MatchCase, Want});
            }
    }
    for (const TCase& Case : Cases) {
        // Inside single quotes the shell passes CR and LF as they are.
        const TRun Run = RunCli(std::string("find ") + (Case.MatchCase ? "--match-case " : "") + "-- " +
                                Quoted(Case.Needle) + " " + Quoted(File));
        EXPECT_EQ(Case.Want.empty() ? 1 : 0, Run.Status) << Case.Needle;
        EXPECT_EQ(Case.Want, Run.Out) << Case.Needle << (Case.MatchCase ? " case" : "");
    }
}

// The line of Position in Text, counted byte by byte: CR LF, CR and LF each end one.
int LineOf(const std::string& Text, std::size_t Position)
{
    int Line = 1;
    for (std::size_t I = 0; I < Position; ++I)
        Line += Text[I] == '\n' || (Text[I] == '\r' && (I + 1 >= Text.size() || Text[I + 1] != '\n'));
    return Line;
}

// The lines are read while the load still reads ahead on its own thread,
// which it does over a file of many more windows than it keeps ahead: they
// must come from the object found, each run alike.
TEST_F(Cli, FindLinesOnAFileOfManyLoadWindowsIsWhatFindNextFinds)
{
    std::mt19937 Random(11);
    std::string Text;
    while (Text.size() < std::size_t(48 * TObjectTextFile::LoadWindowSize)) {
        Text += "OBJECT Codeunit " + std::to_string(Text.size()) + " C\r\n";
        for (int Line = int(Random() % 400); Line > 0; --Line)
            Text += Random() % 50 == 0 ? "  x := Needle;\r\n" : Random() % 2 ? "  BEGIN\n" : "  END;\r";
    }
    WriteFileBytes(File, Text);
    std::string Want;
    {
        TObjectTextFile Model;
        Model.LoadFromFile(File);
        std::int32_t Object = 0, Position = 1, TextOf = -1;
        std::string ObjectText;
        while (Model.FindNext(Object, Position, "needle", false)) {
            if (std::exchange(TextOf, Object) != Object)
                ObjectText = Model.Objects(Object).GetText();
            Want += std::to_string(Object) + "\t" + std::to_string(Position) + "\t" +
                    Model.Objects(Object).GetDisplayText() + "\t" +
                    std::to_string(LineOf(ObjectText, std::size_t(Position - 1))) +
                    "\t  x := Needle;\n";
            Position += 6;
        }
    } // the model lets go of the file before the companion opens it
    for (int Run = 0; Run < 2; ++Run)
        EXPECT_EQ(Want, RunCli("find --lines needle " + Quoted(File)).Out) << "run " << Run;
}

// A pipe, a FIFO or standard input is read to its end as cat reads it, not
// taken for an empty file.
TEST_F(Cli, PipesAndStandardInputAreReadToTheirEnd)
{
    const std::string Listed = RunCli("list " + Quoted(File)).Out;
    ASSERT_NE("", Listed);
    EXPECT_EQ(Listed, RunCli("list - < " + Quoted(File)).Out);
    EXPECT_EQ(Listed, RunCli("list /dev/stdin < " + Quoted(File), "", "cat " + Quoted(File) + " | ").Out);
    const std::string Fifo = Dir.File("fifo");
    ASSERT_EQ(0, ::mkfifo(Fifo.c_str(), 0600));
    EXPECT_EQ(Listed, RunCli("list " + Quoted(Fifo), "", "cat " + Quoted(File) + " > " + Quoted(Fifo) + " & ").Out);
    const TRun Same = RunCli("compare " + Quoted(File) + " - < " + Quoted(File));
    EXPECT_EQ(0, Same.Status);
    EXPECT_EQ("", Same.Out);
}

// Companions only read: several read one file side by side.
TEST_F(Cli, CompanionsReadOneFileSideBySide)
{
    const std::string Find = "find --lines needle " + Quoted(File);
    const TRun Both = RunCli("", "", "diff <(\"" ORVANTA_CLI "\" " + Find + ") <(\"" ORVANTA_CLI "\" " + Find +
                                         ") && echo same; true ");
    EXPECT_EQ("same\n", Both.Out.substr(Both.Out.size() - std::min<std::size_t>(Both.Out.size(), 5)));
}

TEST_F(Cli, SaysWhenAFileLooksLikeUtf16)
{
    std::string Utf16 = "\xff\xfe";
    for (const char C : std::string("OBJECT Table 18 Customer\r\n"))
        Utf16 += std::string{C, '\0'};
    WriteFileBytes(File, Utf16);
    const TRun R = RunCli("list " + Quoted(File));
    EXPECT_EQ(0, R.Status);
    EXPECT_EQ(File + " looks like UTF-16 text: no object was found in it.\n", R.Out);
}

// A write that fails part-way names the file and the system's reason, and
// leaves nothing of that file.
TEST_F(Cli, AFailedExportWriteNamesTheFileAndWhy)
{
    WriteFileBytes(File, "OBJECT Table 1 Small\r\n" "OBJECT Table 2 Big\r\n" + std::string(8192, 'x'));
    const std::string Out = (Dir.Path() / "out").string();
    std::filesystem::create_directory(Out);
    // Files of at most 1,024 bytes: the second one fails with EFBIG.
    const TRun R = RunCli("export " + Quoted(File) + " " + Quoted(Out), "", "trap '' XFSZ; ulimit -f 2; ");
    EXPECT_EQ(2, R.Status);
    EXPECT_EQ("Cannot write file \"" + Out + "/tab2.txt\". " + std::strerror(EFBIG) + ".\n", R.Out);
    EXPECT_TRUE(std::filesystem::exists(Out + "/tab1.txt"));
    EXPECT_FALSE(std::filesystem::exists(Out + "/tab2.txt"));
}

TEST_F(Cli, FindLinesAddsTheLineAsTheViewNumbersIt)
{
    // CR, LF and CR LF each end a line; the line's text is escaped as names are.
    WriteFileBytes(File, "OBJECT Table 1 A\rx\tneedle\nline3 needle\r\nOBJECT Table 2 B\r\nneedle");
    EXPECT_EQ("0\t20\tTable 1 A\t2\tx\\tneedle\n0\t33\tTable 1 A\t3\tline3 needle\n"
              "1\t19\tTable 2 B\t2\tneedle\n",
              RunCli("find --lines NEEDLE " + Quoted(File)).Out);
}

TEST_F(Cli, ListsOneTabSeparatedLinePerObject)
{
    const TRun R = RunCli("list " + Quoted(File));
    EXPECT_EQ(0, R.Status);
    EXPECT_EQ("0\tTable\t18\tCustomer\t5\t39\n"
              "1\tPage\t21\tCard\t44\t36\n"
              "2\tCodeunit\t-5\tNeg\t80\t30\n",
              R.Out);
    EXPECT_EQ("1\tPage\t21\tCard\t44\t36\n", RunCli("list --filter type=page " + Quoted(File)).Out);
}

TEST_F(Cli, FindsEveryOccurrenceAsSuccessiveFindNextPresses)
{
    EXPECT_EQ("1\t29\tPage 21 Card\n", RunCli("find --match-case NEEDLE " + Quoted(File)).Out);
    EXPECT_EQ("0\t32\tTable 18 Customer\n1\t22\tPage 21 Card\n1\t29\tPage 21 Card\n",
              RunCli("find Needle " + Quoted(File)).Out);
    // Occurrences do not overlap: "aa" in "aaaa" is found at 1 and 3 of the line.
    EXPECT_EQ("2\t25\tCodeunit -5 Neg\n2\t27\tCodeunit -5 Neg\n", RunCli("find aa " + Quoted(File)).Out);
    const TRun None = RunCli("find zzz " + Quoted(File));
    EXPECT_EQ(1, None.Status);
    EXPECT_EQ("", None.Out);
}

TEST_F(Cli, ExportsUnderTheDefaultNames)
{
    const std::string Out = (Dir.Path() / "out").string();
    std::filesystem::create_directory(Out);
    EXPECT_EQ(0, RunCli("export " + Quoted(File) + " " + Quoted(Out)).Status);
    EXPECT_EQ("OBJECT Table 18 Customer\r\nName Needle\r\n", ReadFileBytes(Out + "/tab18.txt"));
    EXPECT_EQ("OBJECT Page 21 Card\r\nneedle NEEDLE\r\n", ReadFileBytes(Out + "/pag21.txt"));
    EXPECT_EQ("OBJECT Codeunit -5 Neg\r\naaaa\r\n", ReadFileBytes(Out + "/cod-5.txt"));

    const TRun Again = RunCli("export " + Quoted(File) + " " + Quoted(Out) + " 2");
    EXPECT_EQ(2, Again.Status);
    EXPECT_EQ(Out + "/cod-5.txt already exists.\n", Again.Out);
    EXPECT_EQ(0, RunCli("export --force " + Quoted(File) + " " + Quoted(Out) + " 2").Status);
}

TEST_F(Cli, FailuresGoToStandardErrorWithExitCodeTwo)
{
    const TRun Missing = RunCli("list " + Quoted(Dir.File("none.txt")));
    EXPECT_EQ(2, Missing.Status);
    EXPECT_EQ("Cannot open file \"" + Dir.File("none.txt") + "\". No such file or directory\n", Missing.Out);
    const TRun BadIndex = RunCli("export " + Quoted(File) + " " + Quoted(Dir.Path().string()) + " 7");
    EXPECT_EQ(2, BadIndex.Status);
    EXPECT_EQ("List index out of bounds (7)\n", BadIndex.Out);
    EXPECT_EQ(2, RunCli("frobnicate").Status);
    const TRun Help = RunCli("--help");
    EXPECT_EQ(0, Help.Status);
    EXPECT_NE(std::string::npos, Help.Out.find("Usage: orvanta-cli list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE"));
}

TEST_F(Cli, EscapesWhatWouldBreakALineInNames)
{
    WriteFileBytes(File, "OBJECT Table 1 Tab\there\r\n"
                         "OBJECT Table 2 Back\\slash\r\n"
                         "OBJECT Table 3 Not a tab: \\t\r\n");
    EXPECT_EQ("0\tTable\t1\tTab\\there\t0\t25\n"
              "1\tTable\t2\tBack\\\\slash\t25\t27\n"
              "2\tTable\t3\tNot a tab: \\\\t\t52\t30\n",
              RunCli("list " + Quoted(File)).Out);
    EXPECT_EQ("0\t20\tTable 1 Tab\\there\n", RunCli("find here " + Quoted(File)).Out);
    EXPECT_EQ("1\t21\tTable 2 Back\\\\slash\n", RunCli("find slash " + Quoted(File)).Out);
}

TEST_F(Cli, ExportChecksEveryIndexAndEveryFileBeforeWritingAny)
{
    struct {
        const char* Indexes;
        const char* Existing; // a file already in the folder, or nullptr
        std::string Message;  // after the folder's path, or whole
    } const Cases[] = {
        {"0 99", nullptr, "List index out of bounds (99)\n"},
        {"1 -1", nullptr, "List index out of bounds (-1)\n"},
        {"0 x", nullptr, "'x' is not a valid integer value\n"},
        {"2 0", "tab18.txt", "/tab18.txt already exists.\n"},
    };
    int Round = 0;
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Indexes);
        const std::filesystem::path Out = Dir.Path() / ("out" + std::to_string(Round++));
        std::filesystem::create_directory(Out);
        if (Case.Existing)
            WriteFileBytes((Out / Case.Existing).string(), "mine");
        const TRun R = RunCli("export " + Quoted(File) + " " + Quoted(Out.string()) + " " + Case.Indexes);
        EXPECT_EQ(2, R.Status);
        EXPECT_EQ(Case.Existing ? Out.string() + Case.Message : Case.Message, R.Out);
        std::vector<std::string> Names;
        for (const auto& Entry : std::filesystem::directory_iterator(Out))
            Names.push_back(Entry.path().filename().string());
        EXPECT_EQ(Case.Existing ? std::vector<std::string>{Case.Existing} : std::vector<std::string>{}, Names);
        if (Case.Existing) {
            EXPECT_EQ("mine", ReadFileBytes((Out / Case.Existing).string()));
        }
    }
}

// Objects duplicated in one file would overwrite each other's file, forced or not.
TEST_F(Cli, ExportRefusesObjectsThatShareAFileName)
{
    WriteFileBytes(File, "OBJECT Table 18 A\r\na\r\nOBJECT Page 21 P\r\np\r\nOBJECT Query 21 Q\r\nq\r\n"
                         "OBJECT Table 18 B\r\nb\r\nOBJECT Bogus 3 X\r\nx\r\nOBJECT Other 3 Y\r\ny\r\n");
    const std::string Refusal = "More than one object would be written to each of these files; none was written:\n";
    struct {
        const char* Arguments; // before FILE DIR; after them
        const char* Indexes;
        int Status;
        std::string Out;
        std::vector<std::string> Written;
    } const Cases[] = {
        {"", "", 2, Refusal + "tab18.txt\nunk3.txt\n", {}},
        {"--force", "", 2, Refusal + "tab18.txt\nunk3.txt\n", {}},
        {"--force", "3 1 0", 2, Refusal + "tab18.txt\n", {}},
        {"", "1 2 4", 0, "", {"pag21.txt", "que21.txt", "unk3.txt"}},
        {"", "3 3", 0, "", {"tab18.txt"}}, // one object named twice is written once
    };
    int Round = 0;
    for (const auto& Case : Cases) {
        SCOPED_TRACE(std::string(Case.Arguments) + " / " + Case.Indexes);
        const std::filesystem::path Out = Dir.Path() / ("out" + std::to_string(Round++));
        std::filesystem::create_directory(Out);
        const TRun R = RunCli("export " + std::string(Case.Arguments) + " " + Quoted(File) + " " +
                              Quoted(Out.string()) + " " + Case.Indexes);
        EXPECT_EQ(Case.Status, R.Status);
        EXPECT_EQ(Case.Out, R.Out);
        std::vector<std::string> Names;
        for (const auto& Entry : std::filesystem::directory_iterator(Out))
            Names.push_back(Entry.path().filename().string());
        std::sort(Names.begin(), Names.end());
        EXPECT_EQ(Case.Written, Names);
    }
    EXPECT_EQ("OBJECT Table 18 B\r\nb\r\n", ReadFileBytes((Dir.Path() / "out4" / "tab18.txt").string()));
}

// The command line: help on standard output with exit code 0, usage errors on
// standard error with exit code 2, options before the arguments they qualify.
struct TCommandLineCase {
    const char* Arguments; // FILE stands for the test's file
    int Status;
    const char* Out;       // the start of standard output
    const char* Error;     // the start of standard error
};

class CliCommandLine : public Cli {
protected:
    std::string WithFile(std::string Arguments) const
    {
        if (const std::size_t At = Arguments.find("FILE"); At != std::string::npos)
            Arguments.replace(At, 4, Quoted(File));
        return Arguments;
    }
};

TEST_F(CliCommandLine, HelpGoesToStandardOutputAndUsageErrorsToStandardError)
{
    const TCommandLineCase Cases[] = {
        {"--help", 0,
         "Usage: orvanta-cli list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE\n       orvanta-cli find [--lines] [--match-case] [--encoding NAME] TEXT FILE\n", ""},
        {"-h", 0, "Usage: orvanta-cli list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE\n", ""},
        {"list --help", 0, "Usage: orvanta-cli list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE\n\n", ""},
        {"show --help", 0, "Usage: orvanta-cli show [--encoding NAME] FILE INDEX...\n\n", ""},
        {"encodings --help", 0, "Usage: orvanta-cli encodings FILE\n\n", ""},
        {"find --help", 0, "Usage: orvanta-cli find [--lines] [--match-case] [--encoding NAME] TEXT FILE\n\n", ""},
        {"export --help", 0, "Usage: orvanta-cli export [--force] [--tree] FILE DIR [INDEX...]\n\n", ""},
        {"find -h FILE", 0, "Usage: orvanta-cli find ", ""}, // help wins over missing arguments
        {"", 2, "", "A subcommand is required\nUsage: orvanta-cli list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE\n"},
        {"frobnicate", 2, "", "The following argument was not expected: frobnicate\n"},
        {"list", 2, "",
         "FILE is required\nUsage: orvanta-cli list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE\nRun \"orvanta-cli list --help\""},
        {"list FILE FILE", 2, "", "The following argument was not expected: "},
        {"find NEEDLE", 2, "", "FILE is required\nUsage: orvanta-cli find [--lines] [--match-case] [--encoding NAME] TEXT FILE\n"},
        {"export FILE", 2, "", "DIR is required\n"},
        {"list --force FILE", 2, "", "Unknown option --force (an argument that begins with - goes after --)\n"},
        {"find -x FILE", 2, "", "Unknown option -x "},
        // After the first argument, or after --, everything is an argument.
        {"find -- -x FILE", 1, "", ""},
        {"find -- --match-case FILE", 1, "", ""},
        {"find aa FILE --match-case", 2, "", "The following argument was not expected: --match-case\n"},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Arguments);
        const std::string Arguments = WithFile(Case.Arguments);
        const TRun Out = RunCli(Arguments, "2>/dev/null");
        const TRun Error = RunCli(Arguments, ">/dev/null");
        EXPECT_EQ(Case.Status, Out.Status);
        EXPECT_EQ(Case.Status, Error.Status);
        EXPECT_EQ(0u, Out.Out.rfind(Case.Out, 0)) << Out.Out;
        EXPECT_EQ(0u, Error.Out.rfind(Case.Error, 0)) << Error.Out;
        EXPECT_EQ(*Case.Out == '\0', Out.Out.empty()) << Out.Out;
        EXPECT_EQ(*Case.Error == '\0', Error.Out.empty()) << Error.Out;
    }
}

TEST_F(Cli, ANegativeNumberIsAnArgument)
{
    EXPECT_EQ("2\t17\tCodeunit -5 Neg\n", RunCli("find -5 " + Quoted(File)).Out);
    EXPECT_EQ("List index out of bounds (-2)\n",
              RunCli("export " + Quoted(File) + " " + Quoted(Dir.Path().string()) + " -2").Out);
    // A -- after an argument ends the options there too, as the usage hints say.
    EXPECT_EQ("List index out of bounds (-1)\n", RunCli("show " + Quoted(File) + " -- -1").Out);
    EXPECT_EQ("OBJECT Codeunit -5 Neg\r\naaaa\r\n", RunCli("show " + Quoted(File) + " -- 2").Out);
    EXPECT_EQ("2\t17\tCodeunit -5 Neg\n", RunCli("find --match-case -5 -- " + Quoted(File)).Out);
}

// Objects in a DOS code page (850), in UTF-8 and in plain ASCII, with CR LF
// and lone LF line breaks. The DOS object holds only letters at the same
// place in every Latin DOS code page (ü, é, ß), so that it reads the same
// whichever of them detection settles on.
const char* const SObject0Bytes = "OBJECT Table 5 Kunde M\x81ller\r\nStra\xe1" "e Caf\x82\r\n";
const char* const SObject0 = "OBJECT Table 5 Kunde Müller\r\nStraße Café\r\n";
const char* const SObject1 = "OBJECT Table 6 Straße\r\nGrüße ärger\nend\r\n";
const char* const SObject2 = "OBJECT Codeunit 7 Plain\\Text\r\nabc\n";

// The name of what is detected in Bytes: "ascii" when nothing is.
std::string Detected(std::string_view Bytes)
{
    const std::optional<codepages::TEncoding> Encoding = codepages::Detect(Bytes);
    return Encoding ? std::string(codepages::Name(*Encoding)) : "ascii";
}

class CliEncodings : public CliCommandLine {
protected:
    void SetUp() override
    {
        CliCommandLine::SetUp();
        WriteFileBytes(File, std::string("pre\r\n") + SObject0Bytes + SObject1 + SObject2);
    }
    // Standard output exactly, and the start of standard error.
    void Check(const TCommandLineCase& Case)
    {
        SCOPED_TRACE(Case.Arguments);
        const std::string Arguments = WithFile(Case.Arguments);
        const TRun Out = RunCli(Arguments, "2>/dev/null");
        const TRun Error = RunCli(Arguments, ">/dev/null");
        EXPECT_EQ(Case.Status, Out.Status);
        EXPECT_EQ(Case.Out, Out.Out);
        EXPECT_EQ(0u, Error.Out.rfind(Case.Error, 0)) << Error.Out;
        EXPECT_EQ(*Case.Error == '\0', Error.Out.empty()) << Error.Out;
    }
};

TEST_F(CliEncodings, ShowWritesTheObjectsInUtf8)
{
    const std::string Object0 = SObject0, Object1 = SObject1, Object2 = SObject2;
    const std::string All = Object1 + Object0 + Object2;
    const TCommandLineCase Cases[] = {
        {"show FILE 0", 0, SObject0, ""},
        {"show FILE 1", 0, SObject1, ""},
        {"show FILE 2", 0, SObject2, ""},
        {"show FILE 1 0 2", 0, All.c_str(), ""}, // in the order asked for
        {"show --encoding auto FILE 0", 0, SObject0, ""},
        {"show --encoding none FILE 0", 0, SObject0Bytes, ""},
        {"show --encoding cp850 FILE 0", 0, SObject0, ""},
        {"show --encoding=CP1252 FILE 1", 0, "OBJECT Table 6 StraÃŸe\r\nGrÃ¼ÃŸe Ã¤rger\nend\r\n", ""},
        {"show --encoding Latin1 FILE 2", 0, SObject2, ""},
        {"show --encoding klingon FILE 0", 2, "",
         "Unknown encoding \"klingon\"; the names are auto, none, latin1, utf-8, cp437, "},
        {"show --encoding '' FILE 0", 2, "", "Unknown encoding \"\"; "},
        {"show --encoding auto FILE 0 3", 2, "", "List index out of bounds (3)\n"},
        {"show FILE 0 -1", 2, "", "List index out of bounds (-1)\n"},
        {"show FILE 0 x", 2, "", "'x' is not a valid integer value\n"},
        {"show FILE", 2, "", "INDEX is required\n"},
        {"show --encoding", 2, "", "--encoding: "},
    };
    for (const auto& Case : Cases)
        Check(Case);
}

TEST_F(CliEncodings, ListWritesTheNamesInUtf8OnlyWhenAsked)
{
    const char* const Bytes = "0\tTable\t5\tKunde M\x81ller\t5\t42\n1\tTable\t6\tStra\xc3\x9f" "e\t47\t44\n"
                              "2\tCodeunit\t7\tPlain\\\\Text\t91\t34\n";
    const TCommandLineCase Cases[] = {
        {"list FILE", 0, Bytes, ""},
        {"list --encoding none FILE", 0, Bytes, ""},
        {"list --encoding AUTO FILE", 0, "0\tTable\t5\tKunde Müller\t5\t42\n1\tTable\t6\tStraße\t47\t44\n"
                                         "2\tCodeunit\t7\tPlain\\\\Text\t91\t34\n", ""},
        // 0x81 is no character in Windows 1252.
        {"list --encoding cp1252 FILE", 0, "0\tTable\t5\tKunde M\uFFFDller\t5\t42\n1\tTable\t6\tStraÃŸe\t47\t44\n"
                                           "2\tCodeunit\t7\tPlain\\\\Text\t91\t34\n", ""},
        {"list --encoding bogus FILE", 2, "", "Unknown encoding \"bogus\"; the names are auto, none, "},
    };
    for (const auto& Case : Cases)
        Check(Case);
}

TEST_F(CliEncodings, FindWritesTheTextIntoEachObjectsEncodingWhenAsked)
{
    // With --encoding the names are written in UTF-8, as list writes them.
    const std::string Dos = "0\t30\tTable 5 Kunde M\xc3\xbcller\n", Utf8 = "1\t16\tTable 6 Stra\xc3\x9f" "e\n";
    const std::string Both = Dos + Utf8;
    const std::string DosLines = "0\t30\tTable 5 Kunde M\xc3\xbcller\t2\tStra\xc3\x9f" "e Caf\xc3\xa9\n";
    const TCommandLineCase Cases[] = {
        {"find --encoding cp850 --lines STRAßE FILE", 0, DosLines.c_str(), ""},
        {"find --encoding auto STRASSE FILE", 1, "", ""},
        {"find --encoding auto straße FILE", 0, Both.c_str(), ""},
        {"find --encoding auto --match-case straße FILE", 1, "", ""},
        {"find --encoding cp850 STRAßE FILE", 0, Dos.c_str(), ""},
        // The file's bytes: the UTF-8 object only.
        {"find STRAßE FILE", 0, Utf8.c_str(), ""},
        {"find --encoding none straße FILE", 0, Utf8.c_str(), ""},
        {"find --encoding bogus straße FILE", 2, "", "Unknown encoding \"bogus\"; the names are auto, none, "},
    };
    for (const auto& Case : Cases)
        Check(Case);
}

TEST_F(CliEncodings, EncodingsNamesWhatIsDetectedInEachObject)
{
    // Which Latin DOS code page the object is taken for is detection's business.
    const std::string Dos = Detected(SObject0Bytes);
    ASSERT_EQ("cp", Dos.substr(0, 2));
    const std::string Mixed = "0\t" + Dos + "\n1\tutf-8\n2\tascii\n3 objects: 1 ascii, 1 utf-8, 1 " + Dos + "\n";
    struct {
        std::string Bytes;
        const char* Out;
    } const Cases[] = {
        {std::string("pre\r\n") + SObject0Bytes + SObject1 + SObject2, Mixed.c_str()},
        {std::string(SObject1) + SObject2 + SObject1, "0\tutf-8\n1\tascii\n2\tutf-8\n3 objects: 1 ascii, 2 utf-8\n"},
        {"", "0 objects\n"},
        {"no object here\r\n", "0 objects\n"},
        {SObject2, "0\tascii\n1 object: 1 ascii\n"},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Out);
        WriteFileBytes(File, Case.Bytes);
        Check({"encodings FILE", 0, Case.Out, ""});
    }
    Check({"encodings", 2, "", "FILE is required\n"});
}

// Objects with and without an OBJECT-PROPERTIES block; the last in DOS 850,
// with a tab and a backslash in its Version List.
const char* const SPropertiesFile =
    "pre\r\nOBJECT Table 18 Customer\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=14.03.11;\r\n"
    "    Time=09:42:17;\r\n    Modified=Yes;\r\n    Version List=ORV6.00,ORV-DE;\r\n  }\r\n}\r\n"
    "OBJECT Codeunit 80 Sales-Post\r\n{\r\n}\r\n"
    "OBJECT Form 21 Kunde M\x81ller\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n"
    "    Version List=Stra\xe1" "e\tCaf\x82\\;\r\n  }\r\n}\r\n";

class CliProperties : public CliEncodings {
protected:
    void SetUp() override
    {
        CliEncodings::SetUp();
        WriteFileBytes(File, SPropertiesFile);
    }
};

const char* const SRow0 = "0\tTable\t18\tCustomer\t5\t156";
const char* const SRow1 = "1\tCodeunit\t80\tSales-Post\t161\t37";
const char* const SRow2Bytes = "2\tForm\t21\tKunde M\x81ller\t198\t118";
const char* const SRow2 = "2\tForm\t21\tKunde Müller\t198\t118";

TEST_F(CliProperties, ListWritesTheValuesAsColumnsSevenToTen)
{
    const std::string Row0 = SRow0 + "\tYes\tORV6.00,ORV-DE\t14.03.11\t09:42:17\n"s;
    const std::string Row1 = SRow1 + "\t\t\t\t\n"s;
    const std::string Bytes = Row0 + Row1 + SRow2Bytes + "\t\tStra\xe1" "e\\tCaf\x82\\\\\t01.07.10\t\n";
    const std::string Utf8 = Row0 + Row1 + SRow2 + "\t\tStraße\\tCafé\\\\\t01.07.10\t\n";
    const TCommandLineCase Cases[] = {
        {"list --properties FILE", 0, Bytes.c_str(), ""},
        {"list --properties --encoding cp850 FILE", 0, Utf8.c_str(), ""},
        {"list --properties --encoding auto FILE", 0, Utf8.c_str(), ""},
    };
    for (const auto& Case : Cases)
        Check(Case);
}

TEST_F(CliProperties, ListWritesOnlyTheObjectsThatPassEveryFilter)
{
    const std::string Row0 = SRow0 + "\n"s, Row1 = SRow1 + "\n"s, Row2 = SRow2Bytes + "\n"s;
    const std::string Row2Utf8 = SRow2 + "\n"s, Row01 = Row0 + Row1, Row12 = Row1 + Row2;
    const std::string Modified = SRow0 + "\tYes\tORV6.00,ORV-DE\t14.03.11\t09:42:17\n"s;
    const TCommandLineCase Cases[] = {
        {"list --filter type=table FILE", 0, Row0.c_str(), ""},
        {"list --filter 'ID=18|80' FILE", 0, Row01.c_str(), ""},
        {"list --filter 'id=<80' --filter 'id=>18' FILE", 0, Row2.c_str(), ""}, // the same field twice
        {"list --filter 'name=*e*' --filter 'type=<>Table' FILE", 0, Row12.c_str(), ""},
        {"list --properties --filter modified=Yes FILE", 0, Modified.c_str(), ""},
        {"list --filter modified=No FILE", 0, "", ""},
        {"list --filter \"version=''\" FILE", 0, Row1.c_str(), ""},
        {"list --filter 'date=01.07.10..14.03.11' --filter 'time=<>09*' FILE", 0, Row2.c_str(), ""},
        // The file's bytes unless an encoding is given; then also the letters of its code page fold.
        {"list --filter 'name=@*MÜLLER' FILE", 0, "", ""},
        {"list --filter 'name=@*MÜLLER' --encoding cp850 FILE", 0, Row2Utf8.c_str(), ""},
        {"list --encoding auto --filter 'version=*Café*' FILE", 0, Row2Utf8.c_str(), ""},
        // A character the code page does not have: the values are compared in UTF-8.
        {"list --encoding cp850 --filter 'name=@*müller|*€*' FILE", 0, Row2Utf8.c_str(), ""},
    };
    for (const auto& Case : Cases)
        Check(Case);
}

TEST_F(CliProperties, ABadFilterEndsListBeforeTheFileIsRead)
{
    const TCommandLineCase Cases[] = {
        {"list --filter id=x FILE", 2, "", "Bad filter for id: 'x' is not a number\n"},
        {"list --filter 'name=a|' --filter id=1 FILE", 2, "", "Bad filter for name: A value is missing at the end\n"},
        {"list --filter id=x none.txt", 2, "", "Bad filter for id: 'x' is not a number\n"},
        {"list --filter idx=1 FILE", 2, "",
         "Unknown filter field \"idx\"; the fields are type, id, name, version, modified, date, time.\n"},
        {"list --filter name FILE", 2, "", "A filter is FIELD=EXPR, not \"name\"; the fields are type, "},
        {"list --filter", 2, "", "--filter: "},
    };
    for (const auto& Case : Cases)
        Check(Case);
}

// However little there is to write, a failure to write it is a failure.
struct TOutputCase {
    const char* Name;
    const char* Arguments; // FILE stands for the test's file
    int Objects;           // objects in that file: a big one fills the output buffer
};

class CliOutput : public Cli, public testing::WithParamInterface<TOutputCase> {
protected:
    std::string Arguments()
    {
        const TOutputCase& Case = GetParam();
        if (Case.Objects > 0) {
            std::string Text;
            for (int I = 0; I < Case.Objects; ++I)
                Text += "OBJECT Table " + std::to_string(I) + " Customer\r\n";
            WriteFileBytes(File, Text);
        }
        std::string Result = Case.Arguments;
        if (const std::size_t At = Result.find("FILE"); At != std::string::npos)
            Result.replace(At, 4, Quoted(File));
        return Result;
    }
};

TEST_P(CliOutput, FullDiskEndsWithExitCodeTwo)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    const TRun R = RunCli(Arguments(), ">/dev/full");
    EXPECT_EQ(2, R.Status);
    EXPECT_EQ("Cannot write to standard output: " + std::string(std::strerror(ENOSPC)) + "\n", R.Out);
}

TEST_P(CliOutput, ClosedOutputEndsWithExitCodeTwo)
{
    const TRun R = RunCli(Arguments(), ">&-");
    EXPECT_EQ(2, R.Status);
    EXPECT_EQ(0u, R.Out.rfind("Cannot write to standard output", 0)) << R.Out;
}

INSTANTIATE_TEST_SUITE_P(Commands, CliOutput, testing::Values(
    TOutputCase{"Help", "--help", 0},
    TOutputCase{"CommandHelp", "export --help", 0},
    TOutputCase{"ListOfThree", "list FILE", 0},
    TOutputCase{"OneFind", "find --match-case NEEDLE FILE", 0},
    TOutputCase{"OneShow", "show FILE 0", 0},
    TOutputCase{"Encodings", "encodings FILE", 0},
    TOutputCase{"ListOfMoreThanABuffer", "list FILE", 40000}),
    [](const testing::TestParamInfo<TOutputCase>& Info) { return std::string(Info.param.Name); });

TEST_F(Cli, NoOutputNeedsNoOutputToWriteTo)
{
    const std::string Out = (Dir.Path() / "out").string();
    std::filesystem::create_directory(Out);
    EXPECT_EQ(0, RunCli("export " + Quoted(File) + " " + Quoted(Out), ">&-").Status);
    EXPECT_EQ(1, RunCli("find zzz " + Quoted(File), ">/dev/null").Status);
}

TEST(CliSample, ListsTheSampleFile)
{
    const TRun R = RunCli(std::string("list '") + ORVANTA_SAMPLES + "/sample.txt'");
    EXPECT_EQ(0, R.Status);
    EXPECT_NE(std::string::npos, R.Out.find("\tTable\t")) << R.Out;
    EXPECT_NE(std::string::npos, R.Out.find("\tPage\t")) << R.Out;
}

TEST(CliSample, NamesWhatIsDetectedInEachObjectOfTheSampleFile)
{
    const std::string FileName = std::string(ORVANTA_SAMPLES) + "/sample.txt";
    std::string Expected;
    int Ascii = 0;
    {
        TObjectTextFile File; // read beside the tool, as other tests read the sample too
        File.LoadFromHeld(platform::TFileStream::OpenRead(FileName, platform::THold::Shared), FileName);
        ASSERT_EQ(10, File.Count());
        for (std::int32_t I = 0; I < File.Count(); ++I) {
            const std::string Name = Detected(File.Objects(I).GetText());
            Ascii += Name == "ascii";
            Expected += std::to_string(I) + "\t" + Name + "\n";
        }
    }
    ASSERT_EQ(1, Ascii);
    const TRun R = RunCli("encodings " + Quoted(FileName));
    EXPECT_EQ(0, R.Status);
    EXPECT_EQ(0u, R.Out.rfind(Expected + "10 objects: 1 ascii, ", 0)) << R.Out;
}

// An export in the folders' path order (Codeunit < Page < Table), LF and CR LF
// objects, the last without a final break.
class CliFolder : public testing::Test {
protected:
    TTempDir Dir;
    const std::string Export = "OBJECT Codeunit 80 Sales-Post\nneedle\n"
                               "OBJECT Page 21 Customer Card\r\nNeedle\r\n"
                               "OBJECT Table 18 Customer\r\n{ needle }";
    std::string Path(const std::string& Name) const { return Quoted(Dir.File(Name)); }
    void SetUp() override { WriteFileBytes(Dir.File("export.txt"), Export); }
};

TEST_F(CliFolder, SplitThenJoinGivesTheExportByteForByte)
{
    ASSERT_EQ(0, RunCli("export --tree " + Path("export.txt") + " " + Path("tree")).Status);
    EXPECT_EQ("OBJECT Page 21 Customer Card\r\nNeedle\r\n",
              ReadFileBytes(Dir.File("tree/Page/000/Page_0021_Customer_Card.txt")));
    // An editor's byte order mark and a file that is no object change nothing.
    WriteFileBytes(Dir.File("tree/Table/000/Table_0018_Customer.txt"), "\xEF\xBB\xBFOBJECT Table 18 Customer\r\n{ needle }");
    WriteFileBytes(Dir.File("tree/README.md"), "Objects\n");
    ASSERT_EQ(0, RunCli("join -o " + Path("joined.txt") + " " + Path("tree")).Status);
    EXPECT_EQ(Export, ReadFileBytes(Dir.File("joined.txt")));
    EXPECT_EQ(Export, RunCli("join " + Path("tree"), "2>/dev/null").Out);
}

TEST_F(CliFolder, AFolderListsFindsAndComparesAsItsExport)
{
    ASSERT_EQ(0, RunCli("export --tree " + Path("export.txt") + " " + Path("tree")).Status);
    for (const std::string Command : {"list ", "find needle ", "find --lines --encoding auto needle "})
        EXPECT_EQ(RunCli(Command + Path("export.txt")).Out, RunCli(Command + Path("tree")).Out) << Command;
    const TRun Same = RunCli("compare --strict " + Path("tree") + " " + Path("export.txt"));
    EXPECT_EQ(0, Same.Status);
    EXPECT_EQ("", Same.Out);
}

TEST_F(CliFolder, AFailedJoinLeavesNothingAtItsOutput)
{
    ASSERT_EQ(0, RunCli("export --tree " + Path("export.txt") + " " + Path("tree")).Status);
    const TRun Missing = RunCli("join -o " + Path("out.txt") + " " + Path("tree") + " " + Path("none.txt"));
    EXPECT_EQ(2, Missing.Status);
    EXPECT_NE(std::string::npos, Missing.Out.find("none.txt")) << Missing.Out;
    // Written in full, then refused the rename: the temporary file goes too.
    const TRun OntoFolder = RunCli("join -o " + Path("tree") + " " + Path("export.txt"));
    EXPECT_EQ(2, OntoFolder.Status);
    EXPECT_NE(std::string::npos, OntoFolder.Out.find("Cannot write file")) << OntoFolder.Out;
    EXPECT_EQ(std::vector<std::string>({"export.txt", "tree"}), [this] {
        std::vector<std::string> Names;
        for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
            Names.push_back(Entry.path().filename().string());
        std::sort(Names.begin(), Names.end());
        return Names;
    }());
}

} // namespace

namespace {

const char* const RefsFile =
    "OBJECT Table 18 Customer\r\n{\r\n  FIELDS\r\n  {\r\n    { 1   ;   ;No.   ;Code20 }\r\n  }\r\n}\r\n"
    "OBJECT Page 21 Card\r\n{\r\n  PROPERTIES\r\n  {\r\n    SourceTable=Table18;\r\n  }\r\n  CODE\r\n  {\r\n"
    "    VAR\r\n      C@1 : Record 18;\tD@2 : Record 18;\r\n      X@3 : Codeunit 77;\r\n\r\n"
    "    PROCEDURE P@1();\r\n    BEGIN\r\n      C.\"No.\" := '';\r\n    END;\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n";

class CliRefs : public testing::Test {
protected:
    void SetUp() override { WriteFileBytes(File, RefsFile); }
    TTempDir Dir;
    std::string File = Dir.File("refs.txt");
};

} // namespace

TEST_F(CliRefs, OneLinePerReferringLineWithExitCodes)
{
    const TRun Refs = RunCli("refs " + Quoted(File) + " t18");
    EXPECT_EQ(0, Refs.Status);
    EXPECT_EQ("1\tPage\t21\tCard\t5\t    SourceTable=Table18;\n"
              "1\tPage\t21\tCard\t10\t      C@1 : Record 18;\\tD@2 : Record 18;\n",
              Refs.Out);
    EXPECT_EQ("1\tPage\t21\tCard\t15\t      C.\"No.\" := '';\n", RunCli("refs --member no. " + Quoted(File) + " " + Quoted("Table 18")).Out);
    EXPECT_EQ(1, RunCli("refs " + Quoted(File) + " p21").Status);
    EXPECT_EQ(1, RunCli("refs --member Name " + Quoted(File) + " 18").Status);
    EXPECT_EQ(2, RunCli("refs " + Quoted(File) + " tabel18").Status);
}

TEST_F(CliRefs, DepsCountsAndMarksMissingObjects)
{
    const TRun Deps = RunCli("deps " + Quoted(File) + " p21");
    EXPECT_EQ(0, Deps.Status);
    EXPECT_EQ("Table\t18\tCustomer\t3\nCodeunit\t77\t\t1\tmissing\n", Deps.Out);
    EXPECT_EQ(1, RunCli("deps " + Quoted(File) + " t18").Status);
    EXPECT_EQ(2, RunCli("deps " + Quoted(File) + " t19").Status);
}
