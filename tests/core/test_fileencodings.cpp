// The encodings of an export's objects, detected from the whole file: one code
// page for all, objects apart only on strong evidence.
#include "core/fileencodings.h"

#include "platform/filestream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <ostream>
#include <string>
#include <vector>

namespace codepages {
void PrintTo(TEncoding Encoding, std::ostream* Out) { *Out << Name(Encoding); }
}  // namespace codepages

namespace {

using codepages::TEncoding;

// An object whose text constants hold Words (UTF-8), written in Encoding.
std::string ObjectIn(TEncoding Encoding, const std::vector<std::string>& Words)
{
    std::string Text = "OBJECT Codeunit 50000 Posting\r\n{\r\n  CODE\r\n  {\r\n";
    for (std::size_t I = 0; I < Words.size(); ++I)
        Text += "    Text" + std::to_string(I) + "@100" + std::to_string(I) + " : TextConst 'ENU=x;ESP=" +
                *codepages::EncodeUtf8(Words[I], Encoding) + "';\r\n";
    return Text + "  }\r\n}\r\n";
}

// Long objects that say clearly which code page the export is in.
const std::vector<std::string> SGerman = {"Währungscode", "Fälligkeitsdatum", "Größe", "Übernahme", "Straße",
                                          "Prüfung", "Verkäufer", "Rückstand", "Schlüssel", "für"};
const std::vector<std::string> SSpanish = {"Descripción", "Año", "Número", "Línea", "Código", "Almacén",
                                           "Dirección", "Teléfono", "Compañía", "Categoría"};

struct TObjectCase {
    TEncoding Written;
    std::vector<std::string> Words;  // none: plain ASCII
    std::optional<TEncoding> Expected;
};

struct TExportCase {
    const char* Name;
    std::vector<TObjectCase> Objects;
    std::optional<TEncoding> CodePage;
};

// Count objects like Many, then the others.
std::vector<TObjectCase> WithMany(const TObjectCase& Many, int Count, const std::vector<TObjectCase>& Others)
{
    std::vector<TObjectCase> Objects(std::size_t(Count), Many);
    Objects.insert(Objects.end(), Others.begin(), Others.end());
    return Objects;
}

std::ostream& operator<<(std::ostream& Out, const TExportCase& Case) { return Out << Case.Name; }

class FileEncodings : public testing::TestWithParam<TExportCase> {};

TEST_P(FileEncodings, ReadsEveryObjectAsItWasWritten)
{
    TFileEncodings File;
    for (const TObjectCase& Object : GetParam().Objects)
        File.Add(Object.Words.empty() ? std::string("OBJECT Table 1 Plain\r\n{\r\n}\r\n")
                                      : ObjectIn(Object.Written, Object.Words));
    EXPECT_EQ(GetParam().CodePage, File.CodePage());
    ASSERT_EQ(std::int32_t(GetParam().Objects.size()), File.Count());
    for (std::int32_t I = 0; I < File.Count(); ++I)
        EXPECT_EQ(GetParam().Objects[std::size_t(I)].Expected, File.ForObject(I)) << "object " << I;
}

const TEncoding Dos = TEncoding::Cp850, Windows = TEncoding::Cp1252;

INSTANTIATE_TEST_SUITE_P(
    Exports, FileEncodings,
    testing::Values(
        // Alone, each short one reads as 852, 1250 or 1252: "nž", "fenłtres", "Customerżs".
        TExportCase{"ShortSpanishFrenchAndSignsInDos850",
                    {{Dos, SGerman, Dos},
                     {Dos, SSpanish, Dos},
                     {Dos, {"Cliente nº"}, Dos},
                     {Dos, {"Fermer les fenêtres"}, Dos},
                     {Dos, {"Importe en £"}, Dos},
                     {Dos, {"Customer´s No."}, Dos},
                     {Dos, {"¿Confirma que desea registrar?"}, Dos}},
                    Dos},
        // German reads alike in 850 and 852: only the short ones tell them
        // apart, and each, alone, reads as 852. As in real exports, they are few.
        TExportCase{"ShortSpanishInGermanDos850",
                    WithMany({Dos, SGerman, Dos}, 20,
                             {{Dos, {"Cliente nº"}, Dos}, {Dos, {"Fermer les fenêtres"}, Dos}, {Dos, {"Größe"}, Dos}}),
                    Dos},
        TExportCase{"Utf8ObjectInDos850StaysUtf8",
                    {{Dos, SGerman, Dos}, {TEncoding::Utf8, {"Größe"}, TEncoding::Utf8}, {Dos, SSpanish, Dos}},
                    Dos},
        TExportCase{"Windows1252ExportStays1252",
                    {{Windows, SGerman, Windows},
                     {Windows, SSpanish, Windows},
                     {Windows, {"Cliente nº"}, Windows},
                     {Windows, {"Fermer les fenêtres"}, Windows},
                     {Windows, {"Customer´s No."}, Windows}},
                    Windows},
        TExportCase{"AsciiObjectsStayAscii", {{Dos, {}, std::nullopt}, {Dos, SGerman, Dos}, {Dos, {}, std::nullopt}}, Dos},
        TExportCase{"NothingBeyondAsciiHasNoCodePage", {{Dos, {}, std::nullopt}}, std::nullopt},
        TExportCase{"OnlyUtf8HasNoCodePage", {{TEncoding::Utf8, SGerman, TEncoding::Utf8}}, std::nullopt},
        // 0x81 is undefined in 1252: that object cannot be in the file's code page.
        TExportCase{"DosObjectWithBytesWindows1252LeavesUndefined",
                    {{Windows, SGerman, Windows}, {Windows, SSpanish, Windows}, {Dos, {"Müller über für"}, Dos}},
                    Windows},
        // Concatenated exports: both code pages are the file's, and a short
        // object of the second keeps its own.
        TExportCase{"ConcatenatedExportsOfTwoCodePages",
                    {{Dos, SGerman, Dos},
                     {Dos, SSpanish, Dos},
                     {Dos, SGerman, Dos},
                     {Windows, SGerman, Windows},
                     {Windows, SSpanish, Windows},
                     {Windows, {"Währungscode"}, Windows},
                     {Dos, {"Cliente nº"}, Dos}},
                    Dos}),
    [](const testing::TestParamInfo<TExportCase>& Info) { return std::string(Info.param.Name); });

// The short objects above are what the detection of one object alone gets
// wrong: without that, the rows would prove nothing.
TEST(FileEncodingsShortObjects, ReadWrongAlone)
{
    for (const char* Words : {"Cliente nº", "Fermer les fenêtres", "Importe en £", "Customer´s No."}) {
        SCOPED_TRACE(Words);
        EXPECT_NE(Dos, codepages::Detect(ObjectIn(Dos, {Words})));
    }
}

// Shortfalls add up to the detection's answer for a single text, and the
// detection for the text is Detect's.
TEST(FileEncodingsScores, OneTextIsReadAsDetectReadsIt)
{
    const std::vector<std::string> Czech = {"Číslo", "Částka", "Období", "Množství", "Účet", "Řádek"};
    const std::vector<std::string> Russian = {"Номер", "Сумма", "Период", "Количество", "Описание"};
    const std::pair<TEncoding, const std::vector<std::string>*> Cases[] = {
        {Dos, &SGerman},   {Dos, &SSpanish},   {Windows, &SGerman}, {Windows, &SSpanish},
        {TEncoding::Cp852, &Czech}, {TEncoding::Cp1250, &Czech}, {TEncoding::Cp866, &Russian},
        {TEncoding::Cp1251, &Russian},
    };
    for (const auto& [Written, Words] : Cases) {
        SCOPED_TRACE(codepages::Name(Written));
        const std::string Text = ObjectIn(Written, *Words);
        const codepages::TTextScores Scores = codepages::ScoreText(Text);
        ASSERT_EQ(codepages::Detect(Text), Scores.Detected);
        codepages::TScoreSum Sum;
        Sum.Add(Scores);
        EXPECT_EQ(Scores.Detected, Sum.Best());
        EXPECT_EQ(0, Scores.Behind[std::size_t(*Scores.Detected)]);
        EXPECT_FALSE(Scores.CannotBe(*Scores.Detected));
    }
}

std::string ExportOf(const std::vector<std::string>& Objects, std::vector<TByteRange>& Ranges)
{
    std::string Bytes = "// header\r\n";
    for (const std::string& Object : Objects) {
        Ranges.push_back({std::int32_t(Bytes.size()), std::int32_t(Object.size())});
        Bytes += Object;
    }
    return Bytes;
}

TEST(DetectFileEncodings, ReadsEachRangeThroughTheStream)
{
    std::vector<TByteRange> Ranges;
    platform::TMemoryStream Stream(
        ExportOf({ObjectIn(Dos, SSpanish), ObjectIn(Dos, {"Cliente nº"}), ObjectIn(TEncoding::Utf8, SSpanish)}, Ranges));
    const std::optional<TFileEncodings> File = DetectFileEncodings(Stream, Ranges);
    ASSERT_TRUE(File);
    EXPECT_EQ(3, File->Count());
    EXPECT_EQ(Dos, File->ForObject(1));
    EXPECT_EQ(TEncoding::Utf8, File->ForObject(2));
    EXPECT_EQ(std::nullopt, File->ForObject(3));
}

TEST(DetectFileEncodings, RangePastTheEndIsAReadError)
{
    std::vector<TByteRange> Ranges;
    platform::TMemoryStream Stream(ExportOf({ObjectIn(Dos, SGerman)}, Ranges));
    Ranges.push_back({Ranges.back().Offset, Ranges.back().Length + 1});
    EXPECT_THROW(DetectFileEncodings(Stream, Ranges), platform::EReadError);
}

TEST(DetectFileEncodings, StopsWhenCancelled)
{
    std::vector<TByteRange> Ranges;
    platform::TMemoryStream Stream(ExportOf({ObjectIn(Dos, SGerman)}, Ranges));
    const std::atomic<bool> Cancelled{true};
    EXPECT_EQ(std::nullopt, DetectFileEncodings(Stream, Ranges, &Cancelled));
}

}  // namespace
