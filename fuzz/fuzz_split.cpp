// Fuzzes the split of a whole text: ParseText on the text, and LoadFromStream
// over an in-memory stream read through a small window from a start position,
// both checked against the line-by-line reading and the load invariants.
//
// Input: the text, then (taken from its end) one byte for the window size and
// one for the start position.
#include "fuzzcheck.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace fuzzcheck;

namespace {

TLoad Parse(TObjectTextFile& File, const std::string& Text)
{
    TLoad L;
    Record(File, L);
    try {
        File.ParseText(Text);
    } catch (const EConvertError& E) {
        L.Failed = true;
        L.Error = E.what();
    }
    L.Entries = EntriesOf(File);
    return L;
}

TLoad Load(TObjectTextFile& File, const std::string& Text, std::size_t Start, std::int64_t Window)
{
    const std::int64_t Saved = TObjectTextFile::LoadWindowSize;
    TObjectTextFile::LoadWindowSize = Window;
    TLoad L;
    Record(File, L);
    platform::TMemoryStream Stream(Text);
    FUZZ_CHECK(Stream.Seek(std::int64_t(Start), platform::TSeekOrigin::soBeginning) == std::int64_t(Start), "seek");
    try {
        File.LoadFromStream(Stream);
    } catch (const EConvertError& E) {
        L.Failed = true;
        L.Error = E.what();
    }
    TObjectTextFile::LoadWindowSize = Saved;
    L.Entries = EntriesOf(File);
    return L;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider In(Data, Size);
    const std::uint8_t WindowByte = In.ConsumeIntegral<std::uint8_t>();
    const std::uint8_t StartByte = In.ConsumeIntegral<std::uint8_t>();
    const std::string Text = In.ConsumeRemainingBytesAsString();
    // Mostly windows shorter than a line, now and then one longer than the text.
    const std::int64_t Window = WindowByte < 240 ? 1 + WindowByte % 40 : std::int64_t(1) << 20;
    const std::size_t Start = std::min<std::size_t>(StartByte % 8, Text.size());

    const TLoad Expected = ReferenceSplit(Text);
    CheckInvariants(Expected, std::int64_t(Text.size()));

    TObjectTextFile File;
    const TLoad Parsed = Parse(File, Text);
    CheckInvariants(Parsed, std::int64_t(Text.size()));
    CheckSameLoad(Expected, Parsed, "ParseText");

    // The same model again: the load replaces what ParseText appended.
    const std::string Rest = Text.substr(Start);
    const TLoad Loaded = Load(File, Text, Start, Window);
    CheckInvariants(Loaded, std::int64_t(Rest.size()));
    CheckSameLoad(Start ? ReferenceSplit(Rest) : Expected, Loaded,
                  "LoadFromStream from " + std::to_string(Start) + ", window " + std::to_string(Window));
    return 0;
}
