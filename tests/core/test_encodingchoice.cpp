// Which encoding each object is shown in: chosen for all, or detected once per
// object and kept until the next file.
#include "core/encodingchoice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using codepages::TEncoding;

namespace {

struct TNameCase {
    const char* Name;
    const char* Stored;
    const char* Kept;
};

class SettingNames : public testing::TestWithParam<TNameCase> {};

TEST_P(SettingNames, UnknownNamesLeaveAutomatic)
{
    TEncodingChoice Choice;
    Choice.SetFromSettingName(GetParam().Stored);
    EXPECT_EQ(GetParam().Kept, Choice.SettingName());
}

INSTANTIATE_TEST_SUITE_P(Names, SettingNames,
                         testing::Values(TNameCase{"Automatic", "auto", "auto"},
                                         TNameCase{"CodePageAnyCase", "CP850", "cp850"},
                                         TNameCase{"Utf8WithoutTheDash", "utf8", "utf-8"},
                                         TNameCase{"OneCharacterPerByte", "latin1", "latin1"},
                                         TNameCase{"Unknown", "klingon", "auto"}, TNameCase{"Empty", "", "auto"}),
                         [](const testing::TestParamInfo<TNameCase>& Info) { return std::string(Info.param.Name); });

// Automatic: detected from the text the first time, then kept, whatever
// bytes come later for the same object; a new file forgets it.
TEST(EncodingChoice, DetectedOnceAndKeptUntilTheNextFile)
{
    TEncodingChoice Choice;
    Choice.Reset(3);
    EXPECT_EQ(std::string_view(), Choice.CaptionForText(0));
    EXPECT_EQ(std::nullopt, Choice.KnownForText(0));
    EXPECT_EQ(TEncoding::Utf8, Choice.ForText(0, "Bel\xC3\xB8" "b"));
    EXPECT_EQ(TEncoding::Utf8, Choice.ForText(0, "Bel\x9B" "b \x91"));
    EXPECT_EQ(TEncoding::Utf8, Choice.KnownForText(0));
    EXPECT_EQ(std::string_view("UTF-8"), Choice.CaptionForText(0));
    // Plain ASCII reads the same everywhere.
    EXPECT_EQ(TEncoding::Latin1, Choice.ForText(1, "Plain text"));
    EXPECT_EQ(std::string_view("ASCII"), Choice.CaptionForText(1));
    // A label follows its object once that is known.
    EXPECT_EQ(TEncoding::Utf8, Choice.ForLabel(0, "Bel\x9B" "b"));

    Choice.Reset(3);
    EXPECT_NE(TEncoding::Utf8, Choice.ForText(0, "Bel\x9B" "b \x91" "ndre"));
    // An index past the file's objects is detected but never kept.
    EXPECT_EQ(TEncoding::Utf8, Choice.ForText(7, "Bel\xC3\xB8" "b"));
    EXPECT_EQ(std::string_view(), Choice.CaptionForText(7));
    EXPECT_EQ(std::nullopt, Choice.KnownForText(7));
}

TEST(EncodingChoice, ChosenHoldsForEveryObject)
{
    TEncodingChoice Choice;
    Choice.Reset(2);
    Choice.SetChosen(TEncoding::Cp866);
    EXPECT_EQ(TEncoding::Cp866, Choice.ForText(0, "Bel\xC3\xB8" "b"));
    EXPECT_EQ(TEncoding::Cp866, Choice.KnownForText(1));
    EXPECT_EQ(TEncoding::Cp866, Choice.ForLabel(1, "Bel\xC3\xB8" "b"));
    EXPECT_EQ(std::string_view("DOS 866"), Choice.CaptionForText(1));
    // Back on Automatic, what was chosen is not taken for detected.
    Choice.SetChosen(std::nullopt);
    EXPECT_EQ(TEncoding::Utf8, Choice.ForText(0, "Bel\xC3\xB8" "b"));
}

// Once the whole file's detection is known, Automatic answers from it, also
// for objects detected alone before; a file of another size is not taken.
TEST(EncodingChoice, FileEncodingsOverrideWhatWasDetectedAlone)
{
    const std::string Long = "Descripci\xA2n A\xA4o N\xA3mero L\xA1nea C\xA2" "digo Almac\x82n Direcci\xA2n";
    const std::string Short = "Cliente n\xA7";  // alone: "nž" in 852
    auto File = std::make_shared<TFileEncodings>();
    for (const std::string* Text : {&Long, &Short, &Long})
        File->Add(*Text);
    File->Add("Plain");

    TEncodingChoice Choice;
    Choice.Reset(5);
    Choice.SetFileEncodings(File);
    EXPECT_FALSE(Choice.FileEncodingsKnown());
    Choice.Reset(4);
    const TEncoding Alone = Choice.ForText(1, Short);
    ASSERT_NE(TEncoding::Cp850, Alone);
    Choice.SetFileEncodings(File);
    EXPECT_TRUE(Choice.FileEncodingsKnown());
    EXPECT_EQ(TEncoding::Cp850, Choice.ForText(1, Short));
    EXPECT_EQ(TEncoding::Cp850, Choice.KnownForText(1));
    EXPECT_EQ(TEncoding::Cp850, Choice.ForLabel(1, "n\xA7"));
    EXPECT_EQ(std::string_view("DOS 850"), Choice.CaptionForText(1));
    EXPECT_EQ(std::string_view("ASCII"), Choice.CaptionForText(3));
    // Chosen still wins, and a new file forgets the old one's.
    Choice.SetChosen(TEncoding::Cp866);
    EXPECT_EQ(TEncoding::Cp866, Choice.ForText(1, Short));
    Choice.SetChosen(std::nullopt);
    Choice.Reset(4);
    EXPECT_FALSE(Choice.FileEncodingsKnown());
    EXPECT_EQ(Alone, Choice.ForText(1, Short));
}

}  // namespace
