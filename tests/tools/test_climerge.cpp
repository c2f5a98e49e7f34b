// orvanta-cli merge on small exports: the merged file, the lines for the
// objects that need a look, the exit codes, and nothing left at the output
// when it fails.
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/wait.h>

namespace {

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun Cli(const std::string& Arguments)
{
    TRun Result;
    FILE* Pipe = popen((std::string("\"") + ORVANTA_CLI + "\" " + Arguments).c_str(), "r");
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

std::string Object(const std::string& Kind, int ID, const std::string& Name, const std::string& Line)
{
    return "OBJECT " + Kind + " " + std::to_string(ID) + " " + Name +
           "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n    Time=12:00:00;\r\n  }\r\n  CODE\r\n  {\r\n"
           "    PROCEDURE Run@1();\r\n    BEGIN\r\n      " +
           Line + "\r\n      EXIT;\r\n      Done;\r\n    END;\r\n\r\n    BEGIN\r\n    END.\r\n  }\r\n}\r\n\r\n";
}

class CliMerge : public testing::Test {
protected:
    void Write(const std::string& Base, const std::string& Ours, const std::string& Theirs)
    {
        WriteFileBytes(FDir.File("base.txt"), "// export\r\n" + Base);
        WriteFileBytes(FDir.File("ours.txt"), "// export\r\n" + Ours);
        WriteFileBytes(FDir.File("theirs.txt"), "// export\r\n" + Theirs);
    }
    std::string Inputs() const
    {
        return "'" + FDir.File("base.txt") + "' '" + FDir.File("ours.txt") + "' '" + FDir.File("theirs.txt") + "'";
    }
    std::string File(const std::string& Name) const { return FDir.File(Name); }

    TTempDir FDir;
};

TEST_F(CliMerge, CleanMergeWritesBothSidesChanges)
{
    const std::string Base = Object("Table", 18, "Customer", "a;");
    Write(Base + Object("Codeunit", 80, "Post", "a;"),
          Base + Object("Codeunit", 80, "Post", "a;") + Object("Codeunit", 50000, "Own", "x;"),
          Object("Table", 18, "Customer", "b;") + Object("Codeunit", 80, "Post", "a;"));
    const TRun Run = Cli("merge --report -o '" + File("out.txt") + "' " + Inputs());
    EXPECT_EQ(Run.Status, 0) << Run.Out;
    EXPECT_EQ(Run.Out, "THEIRS\tTable\t18\tCustomer\nADDED\tCodeunit\t50000\tOwn\n");
    EXPECT_EQ(ReadFileBytes(File("out.txt")), "// export\r\n" + Object("Table", 18, "Customer", "b;") +
                                                  Object("Codeunit", 80, "Post", "a;") +
                                                  Object("Codeunit", 50000, "Own", "x;"));
}

TEST_F(CliMerge, ConflictsAreMarkedAndListed)
{
    Write(Object("Table", 18, "Customer", "a;"), Object("Table", 18, "Customer", "ours;"),
          Object("Table", 18, "Customer", "theirs;"));
    const TRun Run = Cli("merge " + Inputs() + " 2>'" + File("lines.txt") + "'");
    EXPECT_EQ(Run.Status, 1);
    EXPECT_NE(Run.Out.find("<<<<<<< " + File("ours.txt") + "\r\n      ours;\r\n=======\r\n      theirs;\r\n>>>>>>> " +
                           File("theirs.txt") + "\r\n"),
              std::string::npos)
        << Run.Out;
    EXPECT_EQ(ReadFileBytes(File("lines.txt")), "CONFLICT\tTable\t18\tCustomer\t1\n");
}

// Deleted on one side, changed on the other: the change kept unmarked, and
// listed as a conflict for a look.
TEST_F(CliMerge, DeletedAgainstChangedIsAConflict)
{
    const std::string Base = Object("Table", 18, "Customer", "a;");
    Write(Base + Object("Codeunit", 80, "Post", "a;"), Base, Base + Object("Codeunit", 80, "Post", "b;"));
    const TRun Run = Cli("merge -o '" + File("out.txt") + "' " + Inputs());
    EXPECT_EQ(Run.Status, 1);
    EXPECT_EQ(Run.Out, "CONFLICT\tCodeunit\t80\tPost\t1\n");
    EXPECT_EQ(ReadFileBytes(File("out.txt")), "// export\r\n" + Base + Object("Codeunit", 80, "Post", "b;"));
}

TEST_F(CliMerge, SplitWritesObjectFiles)
{
    Write(Object("Table", 18, "Customer", "a;"), Object("Table", 18, "Customer", "a;"),
          Object("Table", 18, "Customer", "b;") + Object("Page", 21, "Card", "c;"));
    const TRun Run = Cli("merge --split '" + File("split") + "' " + Inputs());
    EXPECT_EQ(Run.Status, 0) << Run.Out;
    EXPECT_EQ(ReadFileBytes(File("split/tab18.txt")), Object("Table", 18, "Customer", "b;"));
    EXPECT_EQ(ReadFileBytes(File("split/pag21.txt")), Object("Page", 21, "Card", "c;"));
}

// A failure leaves the output as it was: an input is never written over,
// and a missing input writes nothing.
TEST_F(CliMerge, FailureLeavesTheOutputAlone)
{
    const std::string Text = Object("Table", 18, "Customer", "a;");
    Write(Text, Text, Text);
    EXPECT_EQ(Cli("merge -o '" + File("ours.txt") + "' " + Inputs() + " 2>/dev/null").Status, 2);
    EXPECT_EQ(ReadFileBytes(File("ours.txt")), "// export\r\n" + Text);
    EXPECT_EQ(Cli("merge -o '" + File("out.txt") + "' '" + File("none.txt") + "' " + Inputs().substr(Inputs().find(' ')) +
                  " 2>/dev/null")
                  .Status,
              2);
    EXPECT_FALSE(std::filesystem::exists(File("out.txt")));
}

} // namespace
