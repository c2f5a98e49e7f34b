#include "core/search/linecount.h"

#include <algorithm>
#include <cstring>

namespace search {

void TLineCount::Advance(std::string_view Bytes, std::int64_t Base)
{
    if (Bytes.empty())
        return;
    const char* const Begin = Bytes.data();
    const char* const End = Begin + Bytes.size();
    const char* From = Begin;
    if (FPendingCR) {
        FPendingCR = false;
        ++FLine;
        FLineStart = Base + (*From == '\n' ? 1 : 0);
        if (*From == '\n')
            ++From;
    }
    // Two scans with memchr beat one byte by byte: breaks are far apart.
    for (const char* P = From; P < End;) {
        const void* Found = std::memchr(P, '\n', std::size_t(End - P));
        if (!Found)
            break;
        P = static_cast<const char*>(Found) + 1;
        ++FLine;
        FLineStart = Base + (P - Begin);
    }
    for (const char* P = From; P < End;) {
        const void* Found = std::memchr(P, '\r', std::size_t(End - P));
        if (!Found)
            break;
        P = static_cast<const char*>(Found) + 1;
        if (P == End) {
            FPendingCR = true;  // its line ends with what follows
            break;
        }
        if (*P == '\n')
            continue;  // ends its line with the LF after it
        ++FLine;
        FLineStart = std::max(FLineStart, Base + (P - Begin));
    }
}

std::int32_t TLineCount::LineOf(std::string_view Text, std::size_t Position, std::size_t* LineStart)
{
    TTextLines Lines(Text);
    Lines.AdvanceTo(std::min(Position, Text.size()));
    if (LineStart)
        *LineStart = Lines.LineStart();
    return Lines.Line();
}

void TTextLines::AdvanceTo(std::size_t Position)
{
    if (Position <= FCounted)
        return;
    FCount.Advance(FText.substr(FCounted, Position - FCounted), std::int64_t(FCounted));
    FCounted = Position;
}

}  // namespace search
