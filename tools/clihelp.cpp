#include "clihelp.h"

namespace cli {

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

} // namespace cli
