// Drives orvanta-cli as users script it.
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct TRun {
    int Status;
    std::string Out;
};

// Standard error and standard output both come back, unless Output sends the
// latter elsewhere (a redirection such as ">/dev/full").
TRun RunCli(const std::string& Arguments, const std::string& Output = "")
{
    const std::string Command = std::string("\"") + ORVANTA_CLI + "\" " + Arguments + " 2>&1 " + Output;
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

TEST_F(Cli, ListsOneTabSeparatedLinePerObject)
{
    const TRun R = RunCli("list " + Quoted(File));
    EXPECT_EQ(0, R.Status);
    EXPECT_EQ("0\tTable\t18\tCustomer\t5\t39\n"
              "1\tUnknown\t21\tCard\t44\t36\n"
              "2\tCodeunit\t-5\tNeg\t80\t30\n",
              R.Out);
}

TEST_F(Cli, FindsEveryOccurrenceAsSuccessiveFindNextPresses)
{
    EXPECT_EQ("1\t29\tUnknown 21 Card\n", RunCli("find --match-case NEEDLE " + Quoted(File)).Out);
    EXPECT_EQ("0\t32\tTable 18 Customer\n1\t22\tUnknown 21 Card\n1\t29\tUnknown 21 Card\n",
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
    EXPECT_EQ("OBJECT Page 21 Card\r\nneedle NEEDLE\r\n", ReadFileBytes(Out + "/unk21.txt"));
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
    EXPECT_NE(std::string::npos, Help.Out.find("Usage: orvanta-cli list FILE"));
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
        {"--help", 0, "Usage: orvanta-cli list FILE\n       orvanta-cli find [--match-case] TEXT FILE\n", ""},
        {"-h", 0, "Usage: orvanta-cli list FILE\n", ""},
        {"list --help", 0, "Usage: orvanta-cli list FILE\n\n", ""},
        {"find --help", 0, "Usage: orvanta-cli find [--match-case] TEXT FILE\n\n", ""},
        {"export --help", 0, "Usage: orvanta-cli export [--force] FILE DIR [INDEX...]\n\n", ""},
        {"find -h FILE", 0, "Usage: orvanta-cli find ", ""}, // help wins over missing arguments
        {"", 2, "", "A subcommand is required\nUsage: orvanta-cli list FILE\n"},
        {"frobnicate", 2, "", "The following argument was not expected: frobnicate\n"},
        {"list", 2, "", "FILE is required\nUsage: orvanta-cli list FILE\nRun \"orvanta-cli list --help\""},
        {"list FILE FILE", 2, "", "The following argument was not expected: "},
        {"find NEEDLE", 2, "", "FILE is required\nUsage: orvanta-cli find [--match-case] TEXT FILE\n"},
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
    EXPECT_NE(std::string::npos, R.Out.find("\tUnknown\t")) << R.Out;
}

} // namespace
