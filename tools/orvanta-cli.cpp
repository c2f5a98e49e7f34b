// orvanta-cli: lists, searches, shows, splits and compares object text files on the viewer's model.
// This unit reads the command line and dispatches to a subcommand (clioptions.*),
// which clicommands.* and clicompare.* do the work of.
#include "clihelp.h"
#include "clioutput.h"
#include "clioptions.h"
#include "platform/filestream.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

const char* const SProgram = "orvanta-cli";

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
        // An option (its value follows unless given with =); anything else,
        // a negative number too, is the first argument.
        const CLI::Option* Option =
            Arg.size() > 1 && Arg[0] == '-' ? Command->get_option_no_throw(Arg.substr(0, Arg.find('='))) : nullptr;
        if (Option) {
            if (Option->get_expected_min() > 0 && Arg.find('=') == std::string::npos)
                ++I;
            continue;
        }
        const auto Separator = std::find(Args.begin() + std::ptrdiff_t(I) + 1, Args.end(), "--");
        if (Separator != Args.end())
            Args.erase(Separator);
        return;
    }
}

// The program with every subcommand's options; Commands[I] adds Added[I].
void Build(CLI::App& App, cli::THelpFormatter& Formatter, const std::vector<std::unique_ptr<cli::TSubcommand>>& Commands,
           std::vector<CLI::App*>& Added)
{
    Formatter.column_width(20);
    Formatter.label("Positionals", "Arguments");
    // Options come before the arguments they qualify, as they always had to:
    // after the first argument everything is an argument, whatever it begins with.
    App.positionals_at_end();
    // The same options on every system: CLI11 would take "/x" for an option on
    // Windows, but it is a path there too (Wine passes the host's paths).
    App.allow_windows_style_options(false);
    std::string AllUsage;
    for (const auto& Command : Commands) {
        CLI::App* Sub = Command->Add(App);
        Sub->positionals_at_end();
        Sub->group("Commands");
        Sub->footer("");
        std::string Usage;
        for (const std::string& Line : Command->Synopsis()) {
            Usage += (Usage.empty() ? "" : SUsageIndent) + std::string(SProgram) + " " + Line + "\n";
            AllUsage += (AllUsage.empty() ? "" : SUsageIndent) + std::string(SProgram) + " " + Line + "\n";
        }
        Formatter.Describe(Sub, Usage, Command->Summary());
        Added.push_back(Sub);
    }
    AllUsage += SUsageIndent + std::string(SProgram) + " COMMAND --help\n";
    Formatter.Describe(&App, AllUsage);
    App.require_subcommand(1);
    App.footer(SFooter);
}

int Run(std::vector<std::string> Args)
{
    const auto Formatter = std::make_shared<cli::THelpFormatter>();
    CLI::App App("Lists, searches, shows, splits and compares object text files.", SProgram);
    App.formatter(Formatter);
    const std::vector<std::unique_ptr<cli::TSubcommand>> Commands = cli::Subcommands();
    std::vector<CLI::App*> Added;
    Build(App, *Formatter, Commands, Added);
    try {
        DropSeparatorAfterArgument(Args, App);
        std::reverse(Args.begin(), Args.end()); // CLI11 takes the last argument first
        App.parse(Args);
        for (std::size_t I = 0; I < Commands.size(); ++I)
            if (Added[I]->parsed())
                return Commands[I]->Run();
        return 2; // require_subcommand leaves none unchosen
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
