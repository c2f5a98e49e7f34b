#include "clioptions.h"

#include "clicommands.h"
#include "clicompare.h"
#include "clihelp.h"
#include "climerge.h"
#include "clireferences.h"
#include "clijoin.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace cli {

namespace {

// Options and arguments more than one subcommand takes.
void AddFile(CLI::App* Command, std::string& FileName)
{
    Command->add_option("FILE", FileName, "the object text file, or a folder of object files")->required();
}

void AddEncoding(CLI::App* Command, std::string& EncodingName, const std::string& Description)
{
    Command->add_option("--encoding", EncodingName, Description)->type_name("NAME");
}

// The encoding asked for, else Default.
TEncodingOption EncodingAsked(const CLI::App* Command, const std::string& EncodingName, const char* Default)
{
    return EncodingOption(Command->count("--encoding") ? EncodingName : Default);
}

// The text's own line breaks, byte for byte: no CR added before each LF.
void BinaryStandardOutput()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

class TList : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        FCommand = Program.add_subcommand("list");
        FCommand->description(
            "One tab-separated line per object: index, kind, number, name, offset in the file,\n"
            "size in bytes; with --properties also Modified, Version List, Date and Time. The\n"
            "names and values are the file's bytes unless --encoding is given.");
        FCommand->add_flag("--properties", FProperties, "the values of each object's OBJECT-PROPERTIES block too");
        FCommand
            ->add_option("--filter", FFilters,
                         Wrapped("only the objects that pass, under their own index; FIELD is type, id, name, "
                                 "version, modified, date or time, EXPR alternatives A|B of conditions A&B: A..B, "
                                 "<>A, <A, <=A, >A, >=A or a value, * and ? wildcards, @ before a condition "
                                 "ignores case, '...' quotes. Given more than once, all must hold",
                                 60))
            ->type_name("FIELD=EXPR")
            ->allow_extra_args(false);
        AddEncoding(FCommand, FEncoding,
                    Wrapped("the names and values in UTF-8, read as NAME (see show --help); the filters "
                            "are then written into each object's encoding",
                            60));
        AddFile(FCommand, FFileName);
        return FCommand;
    }
    std::vector<std::string> Synopsis() const override
    {
        return {"list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE"};
    }
    std::string Summary() const override { return "one line per object: index, kind, number, name, offset, size"; }
    int Run() override
    {
        TListOptions Options;
        Options.Properties = FProperties;
        for (const std::string& Filter : FFilters)
            Options.Filters.push_back(FilterOption(Filter));
        return List(FFileName, EncodingAsked(FCommand, FEncoding, "none"), Options);
    }

private:
    CLI::App* FCommand = nullptr;
    bool FProperties = false;
    std::vector<std::string> FFilters;
    std::string FEncoding, FFileName;
};

class TFind : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        FCommand = Program.add_subcommand("find");
        FCommand->description(
            "Every occurrence of TEXT, as successive Find Next presses find it: object index,\n"
            "1-based position, object. Exit code 1 when there is none.");
        FCommand->add_flag("--match-case", FMatchCase, "upper and lower case differ");
        FCommand->add_flag("--lines", FLines,
                           "also the occurrence's line number and the line's text, escaped as names are");
        AddEncoding(FCommand, FEncoding,
                    Wrapped("TEXT (UTF-8) written into each object's encoding, as the viewer searches: auto "
                            "(the file's code page, detected from all its objects) or an encoding's name (see "
                            "show --help); the names and lines are then written in UTF-8. Without it, or with "
                            "none, TEXT is the file's bytes.",
                            60));
        FCommand->add_option("TEXT", FText, "what to look for")->required();
        AddFile(FCommand, FFileName);
        return FCommand;
    }
    std::vector<std::string> Synopsis() const override
    {
        return {"find [--lines] [--match-case] [--encoding NAME] TEXT FILE"};
    }
    std::string Summary() const override { return "every occurrence of TEXT (exit 1 when there is none)"; }
    int Run() override
    {
        return Find(FText, FFileName, FMatchCase, EncodingAsked(FCommand, FEncoding, "none"), FLines);
    }

private:
    CLI::App* FCommand = nullptr;
    bool FMatchCase = false, FLines = false;
    std::string FEncoding, FText, FFileName;
};

class TExport : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        CLI::App* Command = Program.add_subcommand("export");
        Command->description(
            "Writes all objects, or those of the given indexes, into DIR under their export\n"
            "names. Every index, that no two of the objects share a file name, and that none\n"
            "of the files exists, is checked before the first file is written.");
        Command->add_flag("--force", FForce, "replace files that exist");
        Command->add_flag("--tree", FTree,
                          Wrapped("one object per file in folders, as version control keeps them: "
                                  "Kind/NNN/Kind_NNNN_Name.txt (NNN the number's thousands, the name's "
                                  "characters other than letters and digits as underscores); join puts them "
                                  "back together",
                                  60));
        AddFile(Command, FFileName);
        Command->add_option("DIR", FFolder, "the folder to write into")->required();
        Command->add_option("INDEX", FIndexes, "an object's index, as list shows it (default: all)");
        return Command;
    }
    std::vector<std::string> Synopsis() const override { return {"export [--force] [--tree] FILE DIR [INDEX...]"}; }
    std::string Summary() const override { return "objects as separate files under their export names"; }
    int Run() override { return Export(FFileName, FFolder, FIndexes, FForce, FTree); }

private:
    bool FForce = false, FTree = false;
    std::string FFileName, FFolder;
    std::vector<std::string> FIndexes;
};

class TShow : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        FCommand = Program.add_subcommand("show");
        FCommand->description(
            "The text of each object of the given indexes, in their order, in UTF-8; the line\n"
            "breaks stay as they are. Every index is checked before anything is written.");
        AddEncoding(FCommand, FEncoding,
                    Wrapped("auto (the default): the file's code page, detected from all its objects; none: the "
                            "bytes as they are; or one of " +
                                EncodingNames() + " (in any case)",
                            60));
        AddFile(FCommand, FFileName);
        FCommand->add_option("INDEX", FIndexes, "an object's index, as list shows it")->required();
        return FCommand;
    }
    std::vector<std::string> Synopsis() const override { return {"show [--encoding NAME] FILE INDEX..."}; }
    std::string Summary() const override { return "objects' text in UTF-8"; }
    int Run() override
    {
        const TEncodingOption Choice = EncodingAsked(FCommand, FEncoding, "auto");
        BinaryStandardOutput();
        return Show(FFileName, FIndexes, Choice);
    }

private:
    CLI::App* FCommand = nullptr;
    std::string FEncoding, FFileName;
    std::vector<std::string> FIndexes;
};

class TEncodings : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        CLI::App* Command = Program.add_subcommand("encodings");
        Command->description(
            "One line per object: index and the encoding detected in it (ascii: bytes below\n"
            "0x80 only), then how many objects there are of each.");
        AddFile(Command, FFileName);
        return Command;
    }
    std::vector<std::string> Synopsis() const override { return {"encodings FILE"}; }
    std::string Summary() const override { return "the encoding detected in each object"; }
    int Run() override { return Encodings(FFileName); }

private:
    std::string FFileName;
};

class TCompare : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        CLI::App* Command = Program.add_subcommand("compare");
        Command->description(
            "One tab-separated line per object that differs: added, deleted or changed, kind,\n"
            "number, name; in the order of kind and number. Objects go together by kind and\n"
            "number (one that occurs more than once: by its order among them). Unless --strict\n"
            "is given, the values of Date, Time and Modified in OBJECT-PROPERTIES and the line\n"
            "breaks (CR LF or LF) do not count. Exit code 0 when nothing differs, 1 when\n"
            "something does, 2 on failure.");
        Command->add_flag("--strict", FOptions.Strict, "every byte counts");
        CLI::Option* All = Command->add_flag("--all", FOptions.All, "the identical objects too");
        Command
            ->add_flag("--unified", FOptions.Unified,
                       Wrapped("a unified diff of each object that differs instead, labelled a/NAME and b/NAME "
                               "with its export name: patch -p1 applies it in a folder of OLD's objects as "
                               "export writes them",
                               60))
            ->excludes(All);
        Command->add_option("OLD", FOldName, "the object text file (or folder) compared with")->required();
        Command->add_option("NEW", FNewName, "the object text file (or folder) compared")->required();
        return Command;
    }
    std::vector<std::string> Synopsis() const override
    {
        return {"compare [--strict] [--all] OLD NEW", "compare --unified [--strict] OLD NEW"};
    }
    std::string Summary() const override
    {
        return "the objects that differ, or their unified diff (exit 1 when some do)";
    }
    int Run() override
    {
        BinaryStandardOutput(); // a diff's lines end as the objects' do
        return Compare(FOldName, FNewName, FOptions);
    }

private:
    TCompareCommand FOptions;
    std::string FOldName, FNewName;
};

class TMerge : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        CLI::App* Command = Program.add_subcommand("merge");
        Command->description(
            "Carries the changes OURS made to BASE onto THEIRS, object by object and inside an\n"
            "object by its sections, properties, fields, controls, variables and procedures.\n"
            "Writes the merged export (objects in THEIRS' order, OURS' new ones at their place)\n"
            "and one tab-separated line per object in conflict: CONFLICT, kind, number, name,\n"
            "conflicts; on standard error when the export goes to standard output. Conflicts\n"
            "are written between <<<<<<< and >>>>>>> markers labelled with the file names.\n"
            "Exit code 0 when the merge is clean, 1 when it has conflicts, 2 on failure.");
        CLI::Option* Output = Command->add_option("-o,--output", FCommand.Output,
                                                  "write the export to OUT (through a temporary file beside it)")
                                  ->type_name("OUT");
        Command
            ->add_option("--split", FCommand.SplitInto,
                         "write each merged object into DIR under its export name instead")
            ->type_name("DIR")
            ->excludes(Output);
        Command->add_flag("--strict", FCommand.Options.Strict,
                          "Date, Time, Modified and line breaks alone count as changes");
        Command->add_flag("--diff3", FCommand.Options.Markers.Diff3, "conflicts show BASE's version too");
        Command
            ->add_option("--encoding", FEncoding,
                         Wrapped("auto (the default): an object whose versions are in different code pages "
                                 "is merged as text and written in OURS' code page; none: bytes as they are",
                                 60))
            ->type_name("auto|none")
            ->check(CLI::IsMember({"auto", "none"}, CLI::ignore_case));
        Command->add_flag("--report", FCommand.Report,
                          "also a line for each object MERGED, OURS, THEIRS, ADDED or DELETED");
        Command
            ->add_option("--version-list", FVersionList,
                         Wrapped("union (the default): THEIRS' tags replace BASE's of the same product "
                                 "prefix, OURS' own stay; ours or theirs: that side's list",
                                 60))
            ->type_name("POLICY")
            ->check(CLI::IsMember({"union", "ours", "theirs"}, CLI::ignore_case));
        Command->add_option("BASE", FBase, "the export both sides started from")->required();
        Command->add_option("OURS", FOurs, "BASE with the changes to carry over")->required();
        Command->add_option("THEIRS", FTheirs, "the export to carry them onto")->required();
        return Command;
    }
    std::vector<std::string> Synopsis() const override
    {
        return {"merge [-o OUT | --split DIR] [--strict] [--diff3] [--report] [--version-list POLICY]\n"
                "             [--encoding auto|none] BASE OURS THEIRS"};
    }
    std::string Summary() const override { return "three-way merge of exports by structure (exit 1: conflicts)"; }
    int Run() override
    {
        const std::string Policy = CLI::detail::to_lower(FVersionList);
        FCommand.Options.VersionList = Policy == "ours"     ? merge::TVersionListPolicy::Ours
                                       : Policy == "theirs" ? merge::TVersionListPolicy::Theirs
                                                            : merge::TVersionListPolicy::Union;
        FCommand.Detect = CLI::detail::to_lower(FEncoding) == "auto";
        BinaryStandardOutput();
        return Merge(FBase, FOurs, FTheirs, FCommand);
    }

private:
    TMergeCommand FCommand;
    std::string FVersionList = "union";
    std::string FEncoding = "auto";
    std::string FBase, FOurs, FTheirs;
};

class TRefs : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        CLI::App* Command = Program.add_subcommand("refs");
        Command->description(
            "Where TARGET is used: one tab-separated line per referring line, with the referring\n"
            "object's index, kind, number and name, the line's number and its text. TARGET as\n"
            "Go to Object reads it: Table 18, t18, codeunit 80, p21, q5, 18. Exit code 0 when\n"
            "something refers to it, 1 when nothing does, 2 for a malformed TARGET or a failure.");
        Command->add_option("--member", FMember, "a field or procedure of TARGET instead of TARGET itself")
            ->type_name("NAME");
        AddFile(Command, FFileName);
        Command->add_option("TARGET", FTarget, "the object: kind and number")->required();
        return Command;
    }
    std::vector<std::string> Synopsis() const override { return {"refs [--member NAME] FILE TARGET"}; }
    std::string Summary() const override { return "where an object or its member is used (exit 1 when nowhere)"; }
    int Run() override
    {
        BinaryStandardOutput();
        return Refs(FFileName, FTarget, FMember);
    }

private:
    std::string FMember, FFileName, FTarget;
};

class TDeps : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        CLI::App* Command = Program.add_subcommand("deps");
        Command->description(
            "What TARGET uses: one tab-separated line per object it refers to, with kind,\n"
            "number, name and how many references, and \"missing\" after an object the file\n"
            "does not hold (its number or name empty when the reference gives none).");
        AddFile(Command, FFileName);
        Command->add_option("TARGET", FTarget, "the object: kind and number")->required();
        return Command;
    }
    std::vector<std::string> Synopsis() const override { return {"deps FILE TARGET"}; }
    std::string Summary() const override { return "the objects an object refers to, with counts"; }
    int Run() override { return Deps(FFileName, FTarget); }

private:
    std::string FFileName, FTarget;
};

class TJoin : public TSubcommand {
public:
    CLI::App* Add(CLI::App& Program) override
    {
        CLI::App* Command = Program.add_subcommand("join");
        Command->description(
            "One export of every object of the inputs, in the order given (a folder's in the\n"
            "byte order of their paths), byte for byte; where an input lacks a final line break\n"
            "and another follows, its own break is added. Written to a temporary file beside OUT\n"
            "and renamed to it: a failure leaves nothing at OUT.");
        Command->add_option("-o,--output", FOutput, "the file to write (default: standard output)")
            ->type_name("OUT");
        Command->add_option("INPUT", FInputs, "a folder of object files, or an object text file")->required();
        return Command;
    }
    std::vector<std::string> Synopsis() const override { return {"join [-o OUT] DIR|FILE..."}; }
    std::string Summary() const override { return "folders and files of objects as one export"; }
    int Run() override
    {
        BinaryStandardOutput();
        return Join(FInputs, FOutput);
    }

private:
    std::string FOutput;
    std::vector<std::string> FInputs;
};

} // namespace

std::vector<std::unique_ptr<TSubcommand>> Subcommands()
{
    std::vector<std::unique_ptr<TSubcommand>> All;
    All.push_back(std::make_unique<TList>());
    All.push_back(std::make_unique<TFind>());
    All.push_back(std::make_unique<TExport>());
    All.push_back(std::make_unique<TShow>());
    All.push_back(std::make_unique<TEncodings>());
    All.push_back(std::make_unique<TCompare>());
    All.push_back(std::make_unique<TMerge>());
    All.push_back(std::make_unique<TRefs>());
    All.push_back(std::make_unique<TDeps>());
    All.push_back(std::make_unique<TJoin>());
    return All;
}

} // namespace cli
