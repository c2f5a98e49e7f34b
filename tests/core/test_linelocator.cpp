// The line of each position counted forward through a stream must be what
// counting the whole text from its start gives (CR LF, CR and LF each end a
// line), wherever the breaks fall against the blocks it reads.
#include "core/search/linelocator.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TLineCase {
    const char* Name;
    std::string Before; // bytes of the file before the object
    std::string Text;   // the object's text, running to the end of the file
};

std::string BreakAtBlockEnd(char Break, char After)
{
    std::string Text(64 * 1024 - 1, 'x');
    return Text + Break + After + "tail";
}

class LineLocator : public testing::TestWithParam<TLineCase> {};

TEST_P(LineLocator, EveryPositionIsOnTheLineCountingFromTheStartGives)
{
    const TLineCase& Case = GetParam();
    TLineLocator Locator(std::make_unique<platform::TMemoryStream>(Case.Before + Case.Text));
    const auto Start = std::int64_t(Case.Before.size());
    const std::size_t BlockEnd = 64 * 1024 - Case.Before.size();
    for (std::size_t P = 0; P <= Case.Text.size(); ++P) {
        // Around the breaks and the first block's end, and a sample between.
        const bool Near = P < 24 || P + 24 > Case.Text.size() || (P + 8 > BlockEnd && P < BlockEnd + 8);
        if (!Near && P % 4099 != 0)
            continue;
        std::size_t LineStart = 0;
        const std::int32_t Want = TLineLocator::LineOf(Case.Text, P, &LineStart);
        const std::size_t LineEnd = std::min(Case.Text.find_first_of("\r\n", LineStart), Case.Text.size());
        const TLineLocator::TLine Got = Locator.At(Start, Start + std::int64_t(P));
        ASSERT_EQ(Want, Got.Number) << "position " << P;
        ASSERT_EQ(Case.Text.substr(LineStart, LineEnd - LineStart), Got.Text) << "position " << P;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LineLocator,
    testing::Values(TLineCase{"CRAlone", "", "a\rb\r\rc"}, TLineCase{"LFAlone", "x\n", "a\nb\n\nc\n"},
                    TLineCase{"CRLF", "", "a\r\nb\r\n\r\nc\r\n"}, TLineCase{"MixedEndsWithCR", "pre\r\n", "a\r\n\rb\n\r"},
                    TLineCase{"CRLFAcrossABlockEnd", "", BreakAtBlockEnd('\r', '\n')},
                    TLineCase{"CRAloneAtABlockEnd", "", BreakAtBlockEnd('\r', 'y')},
                    TLineCase{"LFAtABlockEnd", "", BreakAtBlockEnd('\n', '\r')},
                    TLineCase{"ObjectAfterABlock", std::string(70000, 'p') + "\r\n", "OBJECT\r\nx\ry\r\n"}),
    [](const testing::TestParamInfo<TLineCase>& Info) { return std::string(Info.param.Name); });

// A later object starts counting again at its own first line.
TEST(LineLocatorObjects, EachObjectCountsFromItsOwnStart)
{
    const std::string File = "A\r\nB\r\nC\r\nD\r\n";
    TLineLocator Locator(std::make_unique<platform::TMemoryStream>(File));
    EXPECT_EQ(2, Locator.At(0, 3).Number);
    EXPECT_EQ(1, Locator.At(6, 6).Number);
    EXPECT_EQ("C", std::string(Locator.At(6, 6).Text));
    EXPECT_EQ(2, Locator.At(6, 9).Number);
    EXPECT_EQ(1, Locator.At(0, 0).Number) << "an earlier object again";
}

} // namespace
