// The line of each position, counted a piece at a time, must be what counting
// the whole text byte by byte from its start gives (CR LF, CR and LF each end
// a line), wherever the breaks fall against the pieces.
#include "core/search/linecount.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The rule, byte by byte: the line of Position and where it starts.
std::pair<std::int32_t, std::size_t> Reference(const std::string& Text, std::size_t Position)
{
    std::int32_t Line = 1;
    std::size_t Start = 0;
    for (std::size_t I = 0; I < Position; ++I)
        if (Text[I] == '\n' || (Text[I] == '\r' && (I + 1 >= Text.size() || Text[I + 1] != '\n'))) {
            ++Line;
            Start = I + 1;
        }
    return {Line, Start};
}

std::string Repeated(const std::string& Part, int Times)
{
    std::string Text;
    while (Times-- > 0)
        Text += Part;
    return Text;
}

struct TLineCase {
    const char* Name;
    std::string Text;
};

class LineCount : public testing::TestWithParam<TLineCase> {};

TEST_P(LineCount, EveryPositionIsOnTheLineCountingFromTheStartGives)
{
    const std::string& Text = GetParam().Text;
    for (const std::size_t Piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7), std::size_t(65), Text.size() + 1}) {
        search::TLineCount Count(0);
        std::size_t Counted = 0;
        for (std::size_t P = 0; P <= Text.size(); ++P) {
            // Counted a piece at a time, asked at every position between.
            if (P == Counted + Piece || P == Text.size()) {
                Count.Advance(std::string_view(Text).substr(Counted, P - Counted), std::int64_t(Counted));
                Counted = P;
            }
            if (P != Counted)
                continue;
            const int Next = P < Text.size() ? static_cast<unsigned char>(Text[P]) : -1;
            const auto [Line, Start] = Reference(Text, P);
            ASSERT_EQ(Line, Count.Line(Next)) << "position " << P << ", pieces of " << Piece;
            ASSERT_EQ(std::int64_t(Start), Count.LineStart(Next, std::int64_t(P))) << "position " << P;
        }
        for (std::size_t P = 0; P <= Text.size(); ++P) {
            std::size_t Start = 0;
            ASSERT_EQ(Reference(Text, P).first, search::TLineCount::LineOf(Text, P, &Start)) << "position " << P;
            ASSERT_EQ(Reference(Text, P).second, Start) << "position " << P;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, LineCount,
                         testing::Values(TLineCase{"CRAlone", "a\rb\r\rc"}, TLineCase{"LFAlone", "a\nb\n\nc\n"},
                                         TLineCase{"CRLF", "a\r\nb\r\n\r\nc\r\n"},
                                         TLineCase{"MixedEndsWithCR", "a\r\n\rb\n\r"},
                                         TLineCase{"LFCR", "x\n\ry\n\r\n"}, TLineCase{"Empty", ""},
                                         TLineCase{"NoBreak", "OBJECT Table 1 T"},
                                         // Breaks on both sides of the 64-byte steps.
                                         TLineCase{"LongCRLFLines", Repeated("  x := 1;\r\n", 40)},
                                         TLineCase{"CRLFAcrossASixtyFourByteStep", std::string(63, 'a') + "\r\n" +
                                                                                    std::string(62, 'b') + "\r\r\n\r"},
                                         TLineCase{"Mixed", Repeated("a\rb\n\r\nc\r\r", 30)}),
                         [](const testing::TestParamInfo<TLineCase>& Info) { return std::string(Info.param.Name); });

// A count that starts at an object's first byte in the file.
TEST(LineCountStart, TheFirstLineStartsWhereTheCountStarts)
{
    search::TLineCount Count(100);
    Count.Advance("ab", 100);
    EXPECT_EQ(100, Count.LineStart('c', 102));
    Count.Advance("\r", 102);
    EXPECT_EQ(1, Count.Line('\n'));
    EXPECT_EQ(2, Count.Line('x'));
    EXPECT_EQ(103, Count.LineStart('x', 103));
}

} // namespace
