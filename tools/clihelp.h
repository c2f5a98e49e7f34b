// The companion's help, as a man page would put it.
#pragma once

#include <CLI/CLI.hpp>

#include <map>
#include <sstream>
#include <string>

namespace cli {

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

// Text broken into lines of at most Width characters, at its spaces.
std::string Wrapped(const std::string& Text, std::size_t Width);

} // namespace cli
