// How orvanta-cli writes: standard output gathered in large blocks, names
// escaped so that each line keeps its columns, and a failure to write, however
// little there was, reported once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

// "Cannot write to standard output", with the system's words for Error if any.
std::string OutputError(int Error);

// A tab, line break or backslash in Text as \t, \n, \r or \\.
std::string Escaped(std::string_view Text);

// Standard output in blocks rather than line by line; Flush raises
// std::runtime_error when the system takes less than it was given.
class TOutput {
public:
    TOutput() = default;
    TOutput(const TOutput&) = delete;
    TOutput& operator=(const TOutput&) = delete;
    ~TOutput();

    TOutput& operator<<(std::string_view Text);
    TOutput& operator<<(std::int32_t Value) { return *this << std::string_view(std::to_string(Value)); }
    TOutput& operator<<(char C) { return *this << std::string_view(&C, 1); }
    void Flush();

private:
    std::string FBuffer;
};

// Flushes and closes standard output: false when anything written to it was
// lost. Report says whether to say so on standard error (once is enough).
bool OutputComplete(bool Report);

} // namespace cli
