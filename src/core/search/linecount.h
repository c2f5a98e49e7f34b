// Line numbers as the text view counts them: CR LF, CR and LF each end one
// line. The one counter behind every line number a search reports, whether
// the text is held whole or read a block at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace search {

class TLineCount {
public:
    // Start: the position of the first line's first byte.
    explicit TLineCount(std::int64_t Start = 0) : FLineStart(Start) {}

    // Counts the line breaks in Bytes, which follow the bytes counted before;
    // Base is the position of Bytes' first byte.
    void Advance(std::string_view Bytes, std::int64_t Base);

    // The line of the position counted up to, and where that line starts,
    // given the byte there (-1 past the end): a CR counted last ends its line
    // only when that byte is not the LF of a CR LF.
    std::int32_t Line(int Next) const { return FPendingCR && Next != '\n' ? FLine + 1 : FLine; }
    std::int64_t LineStart(int Next, std::int64_t Position) const
    {
        return FPendingCR && Next != '\n' ? Position : FLineStart;
    }

    // Text's line (1-based) of Position, and where that line starts.
    static std::int32_t LineOf(std::string_view Text, std::size_t Position, std::size_t* LineStart = nullptr);

private:
    std::int32_t FLine = 1;
    std::int64_t FLineStart = 0;
    bool FPendingCR = false;  // the last byte counted is a CR
};

// Line numbers of positions asked for in increasing order in a text held whole.
class TTextLines {
public:
    explicit TTextLines(std::string_view Text) : FText(Text) {}

    // Position: not before the one asked for last.
    void AdvanceTo(std::size_t Position);
    std::int32_t Line() const { return FCount.Line(Next()); }
    std::size_t LineStart() const { return std::size_t(FCount.LineStart(Next(), std::int64_t(FCounted))); }

private:
    int Next() const { return FCounted < FText.size() ? static_cast<unsigned char>(FText[FCounted]) : -1; }

    std::string_view FText;
    TLineCount FCount;
    std::size_t FCounted = 0;
};

}  // namespace search
