#include "clioptions.h"

#include "clicommands.h"
#include "clicompare.h"
#include "clihelp.h"
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
    All.push_back(std::make_unique<TJoin>());
    return All;
}

} // namespace cli
