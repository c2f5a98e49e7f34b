// Fuzzes the reading of the OBJECT-PROPERTIES block while a text is split:
// ParseText, and LoadFromStream through a small window, checked object by
// object against the block's rules restated over the object's whole text.
//
// Input: the text, then (taken from its end) one byte for the window size.
#include "fuzzcheck.h"

#include "core/objectproperties.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace fuzzcheck;

namespace {

struct TLine {
    std::size_t Start, End; // the text, without its break
};

// Every CR, LF and NUL ends a line; the object's end ends the last.
std::vector<TLine> LinesOf(const std::string& Text)
{
    std::vector<TLine> Lines;
    std::size_t Start = 0;
    for (std::size_t I = 0; I <= Text.size(); ++I)
        if (I == Text.size() || Text[I] == '\r' || Text[I] == '\n' || Text[I] == '\0') {
            if (I > Start || I < Text.size())
                Lines.push_back({Start, I});
            Start = I + 1;
        }
    return Lines;
}

std::string Lower(std::string S)
{
    for (char& C : S)
        if (C >= 'A' && C <= 'Z')
            C = char(C + 32);
    return S;
}

// The block's rules on an object's whole text.
TPropertySpans ReferenceSpans(const std::string& Object)
{
    static const char* const Keys[] = {"modified", "version list", "date", "time"};
    TPropertySpans Spans{};
    bool Found[ObjectPropertyCount] = {};
    const std::vector<TLine> Lines = LinesOf(Object);
    int Expected = 0; // 0 "{", 1 the keyword, 2 "{", 3 entries
    for (std::size_t L = 1; L < Lines.size(); ++L) {
        if (Lines[L].End > std::size_t(TPropertyReader::MaxEnd))
            break;
        std::size_t B = Lines[L].Start, E = Lines[L].End;
        while (B < E && (Object[B] == ' ' || Object[B] == '\t'))
            ++B;
        while (E > B && (Object[E - 1] == ' ' || Object[E - 1] == '\t'))
            --E;
        const std::string Text = Object.substr(B, E - B);
        if (Text.empty())
            continue;
        if (Expected == 0 || Expected == 2) {
            if (Text != "{")
                break;
            ++Expected;
            continue;
        }
        if (Expected == 1) {
            if (Lower(Text) != "object-properties")
                break;
            ++Expected;
            continue;
        }
        const std::size_t Equals = Text.find('=');
        if (Equals == std::string::npos)
            break;
        std::string Key = Text.substr(0, Equals);
        while (!Key.empty() && (Key.back() == ' ' || Key.back() == '\t'))
            Key.pop_back();
        for (int K = 0; K < ObjectPropertyCount; ++K)
            if (!Found[K] && Lower(Key) == Keys[K]) {
                Found[K] = true;
                std::size_t Length = Text.size() - (Equals + 1);
                if (Length > 0 && Text.back() == ';')
                    --Length;
                if (Length > 0)
                    Spans[std::size_t(K)] = {std::uint16_t(B + Equals + 1), std::uint16_t(Length)};
                break;
            }
    }
    return Spans;
}

std::string Describe(const TPropertySpans& Spans)
{
    std::string S;
    for (const TPropertySpan& Span : Spans)
        S += " " + std::to_string(Span.Start) + "+" + std::to_string(Span.Length);
    return S;
}

TPropertySpans SpansOf(const TObjectTextObject& Object)
{
    TPropertySpans Spans{};
    for (int P = 0; P < ObjectPropertyCount; ++P) {
        const TByteRange Range = Object.PropertyRange(TObjectProperty(P));
        if (Range.Length > 0)
            Spans[std::size_t(P)] = {std::uint16_t(Range.Offset - Object.Offset()), std::uint16_t(Range.Length)};
    }
    return Spans;
}

// Every object's block as the model read it, against the rules on its own text.
void CheckObjects(TObjectTextFile& File, const std::string& Text, const std::string& How)
{
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& Object = File.Objects(I);
        const std::string Own = Text.substr(std::size_t(Object.Offset()), std::size_t(Object.Size()));
        const TPropertySpans Actual = SpansOf(Object);
        const TPropertySpans Expected = ReferenceSpans(Own);
        FUZZ_CHECK(Actual == Expected, How + ", object " + std::to_string(I) + ":" + Describe(Actual) +
                                           " instead of" + Describe(Expected));
        for (const TPropertySpan& Span : Actual) {
            FUZZ_CHECK(Span.Start + Span.Length <= Object.Size(), How);
            FUZZ_CHECK(Own.find_first_of(std::string("\r\n\0", 3), Span.Start) >= std::size_t(Span.Start) + Span.Length,
                       How + ": a value runs across a line");
        }
        FUZZ_CHECK(ReadPropertySpans(Own) == Actual, How + ": the object on its own reads otherwise");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider In(Data, Size);
    const std::uint8_t WindowByte = In.ConsumeIntegral<std::uint8_t>();
    const std::string Text = In.ConsumeRemainingBytesAsString();
    const std::int64_t Window = WindowByte < 240 ? 1 + WindowByte % 40 : std::int64_t(1) << 20;

    TObjectTextFile File;
    try {
        File.ParseText(Text);
    } catch (const EConvertError&) {
        // a bad header ends the split: the objects before it still count
    }
    CheckObjects(File, Text, "ParseText");

    const std::int64_t Saved = TObjectTextFile::LoadWindowSize;
    TObjectTextFile::LoadWindowSize = Window;
    platform::TMemoryStream Stream(Text);
    try {
        File.LoadFromStream(Stream);
    } catch (const EConvertError&) {
    }
    TObjectTextFile::LoadWindowSize = Saved;
    CheckObjects(File, Text, "LoadFromStream, window " + std::to_string(Window));
    return 0;
}
