#include "clioutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace cli {

std::string OutputError(int Error)
{
    std::string Message = "Cannot write to standard output";
    if (Error != 0)
        Message.append(": ").append(std::strerror(Error));
    return Message;
}

// Names are free text: the characters that would split a line or a column are
// written as escapes, and the escape character itself doubled.
std::string Escaped(std::string_view Text)
{
    std::string Result;
    Result.reserve(Text.size());
    for (const char C : Text) {
        switch (C) {
        case '\t': Result += "\\t"; break;
        case '\n': Result += "\\n"; break;
        case '\r': Result += "\\r"; break;
        case '\\': Result += "\\\\"; break;
        default: Result += C;
        }
    }
    return Result;
}

TOutput::~TOutput()
{
    // Best effort on the way out of an error; the normal path flushes explicitly.
    if (!FBuffer.empty())
        std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout);
}

TOutput& TOutput::operator<<(std::string_view Text)
{
    FBuffer.append(Text.data(), Text.size());
    if (FBuffer.size() >= (1u << 20))
        Flush();
    return *this;
}

void TOutput::Flush()
{
    errno = 0;
    if (!FBuffer.empty() && std::fwrite(FBuffer.data(), 1, FBuffer.size(), stdout) != FBuffer.size())
        throw std::runtime_error(OutputError(errno));
    FBuffer.clear();
}

// Output goes out in blocks: a failure to write it may show only now, however
// little there was. A closed standard output only counts when there was output
// for it, and then the flush has failed already.
bool OutputComplete(bool Report)
{
    errno = 0;
    const bool Flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    int Error = errno;
    errno = 0;
    const bool Closed = std::fclose(stdout) == 0 || errno == EBADF;
    if (Error == 0)
        Error = errno;
    if (Flushed && Closed)
        return true;
    if (Report)
        std::fprintf(stderr, "%s\n", OutputError(Error).c_str());
    return false;
}

} // namespace cli
