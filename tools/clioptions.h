// The companion's subcommands as the command line names them, one class each:
// its options, its synopsis and which command (clicommands.h) it runs when
// chosen. The program's entry only builds the table, parses and dispatches.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

namespace cli {

class TSubcommand {
public:
    virtual ~TSubcommand() = default;
    // Adds the subcommand and its options to Program; returns it.
    virtual CLI::App* Add(CLI::App& Program) = 0;
    // The synopsis lines after the program's name, and the line in the
    // program's list of commands.
    virtual std::vector<std::string> Synopsis() const = 0;
    virtual std::string Summary() const = 0;
    // Runs on the options parsed: the exit code; failures raise.
    virtual int Run() = 0;
};

// Every subcommand, in the order the help lists them.
std::vector<std::unique_ptr<TSubcommand>> Subcommands();

} // namespace cli
