// orvanta-cli: lists, searches, shows, splits and compares object text files on the viewer's model.
// This unit reads the command line; clicommands.* and clicompare.* do the work.
#include "clicommands.h"
#include "clicompare.h"
#include "clioutput.h"
#include "platform/filestream.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char* const SProgram = "orvanta-cli";

// The help as a man page would put it: the synopsis first, in the program's
// own words, and no type names or REQUIRED marks after the arguments.
class THelpFormatter : public CLI::Formatter {
public:
    // Usage: the command's synopsis lines; Summary: its line in the program's list.
    void Describe(const CLI::App* App, std::string Usage, std::string Summary = {})
    {
        FTexts[App] = {std::move(Usage), std::move(Summary)};
    }
    std::string Usage(const CLI::App* App) const { return Text(App).Usage; }

    std::string make_help(const CLI::App* App, std::string, CLI::AppFormatMode Mode) const override
    {
        std::string Result = make_usage(App, {});
        if (!App->get_description().empty())
            Result += "\n" + App->get_description() + "\n";
        Result += make_positionals(App);
        Result += make_groups(App, Mode);
        Result += make_subcommands(App, Mode);
        if (!App->get_footer().empty())
            Result += "\n" + App->get_footer() + "\n";
        return Result;
    }
    std::string make_usage(const CLI::App* App, std::string) const override { return "Usage: " + Usage(App); }
    std::string make_subcommand(const CLI::App* Command) const override
    {
        std::ostringstream Out;
        CLI::detail::format_help(Out, Command->get_name(), Text(Command).Summary, column_width_);
        return Out.str();
    }
    std::string make_option_opts(const CLI::Option* Option) const override
    {
        const std::string Type = Option->get_type_name();
        return Option->get_positional() || Type.empty() ? std::string() : " " + Type;
    }

private:
    struct TTexts {
        std::string Usage;
        std::string Summary;
    };
    TTexts Text(const CLI::App* App) const
    {
        const auto Found = FTexts.find(App);
        return Found == FTexts.end() ? TTexts() : Found->second;
    }
    std::map<const CLI::App*, TTexts> FTexts;
};

// Usage lines after the first are indented under it.
const char* const SUsageIndent = "       ";

const char* const SFooter =
    "In the output of list, find and compare, a tab, line break or backslash in a\n"
    "name is written as \\t, \\n, \\r or \\\\, so that each line keeps its columns.\n"
    "Any failure, writing the output included, prints the message on standard\n"
    "error and exits with 2.";

// The arguments in UTF-8. On Windows the narrow ones are in the ANSI code
// page, which holds few of the names a file may have: take the wide ones.
std::vector<std::string> Arguments(int argc, char** argv)
{
#ifdef _WIN32
    int Count = 0;
    if (wchar_t** Wide = CommandLineToArgvW(GetCommandLineW(), &Count)) {
        std::vector<std::string> Args;
        for (int I = 1; I < Count; ++I)
            Args.push_back(platform::WideToUtf8(Wide[I], std::wcslen(Wide[I])));
        LocalFree(Wide);
        return Args;
    }
#endif
    return std::vector<std::string>(argv + 1, argv + argc);
}

// Text broken into lines of at most Width characters, at its spaces.
std::string Wrapped(const std::string& Text, std::size_t Width)
{
    std::string Result;
    std::size_t LineStart = 0;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t End = Text.find(' ', Start);
        if (End == std::string::npos)
            End = Text.size();
        if (Start > LineStart && End - LineStart > Width) {
            Result.back() = '\n';
            LineStart = Result.size();
        }
        Result.append(Text, Start, End - Start);
        if (End < Text.size())
            Result += ' ';
        Start = End + 1;
    }
    return Result;
}

// The subcommand the arguments chose, or the program itself.
const CLI::App& Chosen(const CLI::App& App)
{
    const auto Subcommands = App.get_subcommands();
    return Subcommands.empty() ? App : *Subcommands.front();
}

// CLI11 sets an unknown option aside and may then complain of a missing
// argument instead: name the option, which is what went wrong.
std::string UsageMessage(const CLI::App& App, const CLI::ParseError& Error)
{
    for (const CLI::App* Command : {&Chosen(App), &App})
        for (const std::string& Argument : Command->remaining())
            if (Argument.size() > 1 && Argument[0] == '-')
                return "Unknown option " + Argument + " (an argument that begins with - goes after --)";
    return Error.what();
}

// CLI11 takes a "--" that follows an argument for an argument itself; here
// it ends the options wherever it stands, as the usage hints say.
void DropSeparatorAfterArgument(std::vector<std::string>& Args, const CLI::App& App)
{
    const CLI::App* Command = nullptr;
    for (std::size_t I = 0; I < Args.size(); ++I) {
        const std::string& Arg = Args[I];
        if (Arg == "--")
            return; // before every argument: CLI11 sees it as it is
        if (!Command) {
            for (const CLI::App* Sub : App.get_subcommands({}))
                if (Sub->get_name() == Arg)
                    Command = Sub;
            continue;
        }
        if (Arg.size() > 1 && Arg[0] == '-') {
            const CLI::Option* Option = Command->get_option_no_throw(Arg);
            if (Option && Option->get_type_size() > 0 && Arg.find('=') == std::string::npos)
                ++I; // its value
            continue;
        }
        const auto Separator = std::find(Args.begin() + std::ptrdiff_t(I) + 1, Args.end(), "--");
        if (Separator != Args.end())
            Args.erase(Separator);
        return;
    }
}

int Run(std::vector<std::string> Args)
{
    const auto Formatter = std::make_shared<THelpFormatter>();
    CLI::App App("Lists, searches, shows, splits and compares object text files.", SProgram);
    App.formatter(Formatter);
    Formatter->column_width(20);
    Formatter->label("Positionals", "Arguments");
    // Options come before the arguments they qualify, as they always had to:
    // after the first argument everything is an argument, whatever it begins with.
    App.positionals_at_end();
    // The same options on every system: CLI11 would take "/x" for an option on
    // Windows, but it is a path there too (Wine passes the host's paths).
    App.allow_windows_style_options(false);

    std::string FileName;
    const auto AddFile = [&FileName](CLI::App* Command) {
        Command->add_option("FILE", FileName, "the object text file")->required();
    };

    std::string EncodingName;
    const auto AddEncoding = [&EncodingName](CLI::App* Command, const std::string& Description) {
        Command->add_option("--encoding", EncodingName, Description)->type_name("NAME");
    };

    bool Properties = false;
    std::vector<std::string> Filters;
    CLI::App* List = App.add_subcommand("list");
    List->description("One tab-separated line per object: index, kind, number, name, offset in the file,\n"
                      "size in bytes; with --properties also Modified, Version List, Date and Time. The\n"
                      "names and values are the file's bytes unless --encoding is given.");
    List->add_flag("--properties", Properties, "the values of each object's OBJECT-PROPERTIES block too");
    List->add_option("--filter", Filters,
                     Wrapped("only the objects that pass, under their own index; FIELD is type, id, name, "
                             "version, modified, date or time, EXPR alternatives A|B of conditions A&B: A..B, "
                             "<>A, <A, <=A, >A, >=A or a value, * and ? wildcards, @ before a condition "
                             "ignores case, '...' quotes. Given more than once, all must hold",
                             60))
        ->type_name("FIELD=EXPR")
        ->allow_extra_args(false);
    AddEncoding(List, Wrapped("the names and values in UTF-8, read as NAME (see show --help); the filters "
                              "are then written into each object's encoding",
                              60));
    AddFile(List);

    std::string Text;
    bool MatchCase = false;
    CLI::App* Find = App.add_subcommand("find");
    Find->description("Every occurrence of TEXT, as successive Find Next presses find it: object index,\n"
                      "1-based position, object. Exit code 1 when there is none.");
    Find->add_flag("--match-case", MatchCase, "upper and lower case differ");
    bool Lines = false;
    Find->add_flag("--lines", Lines, "also the occurrence's line number and the line's text, escaped as names are");
    AddEncoding(Find, Wrapped("TEXT (UTF-8) written into each object's encoding, as the viewer searches: auto "
                              "(as detected in each object) or an encoding's name (see show --help). Without it, "
                              "or with none, TEXT is the file's bytes.",
                              60));
    Find->add_option("TEXT", Text, "what to look for")->required();
    AddFile(Find);

    std::string Folder;
    std::vector<std::string> Indexes;
    bool Force = false;
    CLI::App* Export = App.add_subcommand("export");
    Export->description("Writes all objects, or those of the given indexes, into DIR under their export\n"
                        "names. Every index, and that none of the files exists, is checked before the\n"
                        "first file is written.");
    Export->add_flag("--force", Force, "replace files that exist");
    AddFile(Export);
    Export->add_option("DIR", Folder, "the folder to write into")->required();
    Export->add_option("INDEX", Indexes, "an object's index, as list shows it (default: all)");

    CLI::App* Show = App.add_subcommand("show");
    Show->description("The text of each object of the given indexes, in their order, in UTF-8; the line\n"
                      "breaks stay as they are. Every index is checked before anything is written.");
    AddEncoding(Show, Wrapped("auto (the default): as detected in each object; none: the bytes as they are; or "
                              "one of " + cli::EncodingNames() + " (in any case)",
                              60));
    AddFile(Show);
    Show->add_option("INDEX", Indexes, "an object's index, as list shows it")->required();

    CLI::App* Encodings = App.add_subcommand("encodings");
    Encodings->description("One line per object: index and the encoding detected in it (ascii: bytes below\n"
                           "0x80 only), then how many objects there are of each.");
    AddFile(Encodings);

    std::string OldName, NewName;
    cli::TCompareCommand CompareOptions;
    CLI::App* Compare = App.add_subcommand("compare");
    Compare->description(
        "One tab-separated line per object that differs: added, deleted or changed, kind,\n"
        "number, name; in the order of kind and number. Objects go together by kind and\n"
        "number (one that occurs more than once: by its order among them). Unless --strict\n"
        "is given, the values of Date, Time and Modified in OBJECT-PROPERTIES and the line\n"
        "breaks (CR LF or LF) do not count. Exit code 0 when nothing differs, 1 when\n"
        "something does, 2 on failure.");
    Compare->add_flag("--strict", CompareOptions.Strict, "every byte counts");
    CLI::Option* All = Compare->add_flag("--all", CompareOptions.All, "the identical objects too");
    Compare->add_flag("--unified", CompareOptions.Unified,
                      Wrapped("a unified diff of each object that differs instead, labelled a/NAME and b/NAME "
                              "with its export name: patch -p1 applies it in a folder of OLD's objects as "
                              "export writes them",
                              60))
        ->excludes(All);
    Compare->add_option("OLD", OldName, "the object text file compared with")->required();
    Compare->add_option("NEW", NewName, "the object text file compared")->required();

    for (CLI::App* Command : App.get_subcommands({})) {
        Command->positionals_at_end();
        Command->group("Commands");
        Command->footer("");
    }
    App.require_subcommand(1);
    App.footer(SFooter);

    std::string AllUsage;
    const auto Describe = [&](const CLI::App* Command, const std::string& Line, const std::string& Summary) {
        Formatter->Describe(Command, std::string(SProgram) + " " + Line + "\n", Summary);
        AllUsage += (AllUsage.empty() ? "" : SUsageIndent) + std::string(SProgram) + " " + Line + "\n";
    };
    Describe(List, "list [--properties] [--filter FIELD=EXPR]... [--encoding NAME] FILE",
             "one line per object: index, kind, number, name, offset, size");
    Describe(Find, "find [--lines] [--match-case] [--encoding NAME] TEXT FILE", "every occurrence of TEXT (exit 1 when there is none)");
    Describe(Export, "export [--force] FILE DIR [INDEX...]", "objects as separate files under their export names");
    Describe(Show, "show [--encoding NAME] FILE INDEX...", "objects' text in UTF-8");
    Describe(Encodings, "encodings FILE", "the encoding detected in each object");
    Describe(Compare,
             "compare [--strict] [--all] OLD NEW\n" + std::string(SUsageIndent) + SProgram +
                 " compare --unified [--strict] OLD NEW",
             "the objects that differ, or their unified diff (exit 1 when some do)");
    AllUsage += SUsageIndent + std::string(SProgram) + " COMMAND --help\n";
    Formatter->Describe(&App, AllUsage);

    try {
        DropSeparatorAfterArgument(Args, App);
        std::reverse(Args.begin(), Args.end()); // CLI11 takes the last argument first
        App.parse(Args);
        if (List->parsed()) {
            cli::TListOptions Options;
            Options.Properties = Properties;
            for (const std::string& Filter : Filters)
                Options.Filters.push_back(cli::FilterOption(Filter));
            return cli::List(FileName, cli::EncodingOption(List->count("--encoding") ? EncodingName : "none"),
                             Options);
        }
        if (Find->parsed())
            return cli::Find(Text, FileName, MatchCase,
                             cli::EncodingOption(Find->count("--encoding") ? EncodingName : "none"), Lines);
        if (Export->parsed())
            return cli::Export(FileName, Folder, Indexes, Force);
        if (Show->parsed()) {
            const cli::TEncodingOption Choice = cli::EncodingOption(Show->count("--encoding") ? EncodingName : "auto");
#ifdef _WIN32
            // The text's own line breaks, byte for byte: no CR added before each LF.
            _setmode(_fileno(stdout), _O_BINARY);
#endif
            return cli::Show(FileName, Indexes, Choice);
        }
        if (Compare->parsed()) {
#ifdef _WIN32
            _setmode(_fileno(stdout), _O_BINARY); // a diff's lines end as the objects' do
#endif
            return cli::Compare(OldName, NewName, CompareOptions);
        }
        return cli::Encodings(FileName);
    } catch (const CLI::CallForHelp&) {
        std::fputs(App.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& Error) {
        const CLI::App& Command = Chosen(App);
        std::string Help = SProgram;
        if (&Command != &App)
            Help += " " + Command.get_name();
        std::fprintf(stderr, "%s\nUsage: %sRun \"%s --help\" for more.\n", UsageMessage(App, Error).c_str(),
                     Formatter->Usage(&Command).c_str(), Help.c_str());
        return 2;
    } catch (const std::exception& Error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", Error.what());
        return 2;
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int Status = Run(Arguments(argc, argv));
    return cli::OutputComplete(Status != 2) ? Status : 2;
}
