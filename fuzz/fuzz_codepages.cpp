// Fuzzes the code pages on arbitrary bytes: detection, decoding and encoding,
// checked against what they promise. The first byte picks the code page that
// decodes; the rest is the object's bytes.
#include "core/codepages.h"
#include "fuzzcheck.h"

#include <string>
#include <string_view>

using codepages::TEncoding;

namespace {

// Valid UTF-8 with no surrogates and nothing above U+10FFFF.
bool ValidUtf8(std::string_view Text)
{
    for (std::size_t I = 0; I < Text.size();) {
        const auto Byte = [&](std::size_t K) { return static_cast<unsigned char>(Text[K]); };
        const unsigned char Lead = Byte(I);
        const int Length = Lead < 0x80 ? 1 : Lead >= 0xC2 && Lead <= 0xDF ? 2 : Lead >= 0xE0 && Lead <= 0xEF ? 3
                         : Lead >= 0xF0 && Lead <= 0xF4 ? 4 : 0;
        if (Length == 0 || I + Length > Text.size())
            return false;
        char32_t Point = Length == 1 ? Lead : Lead & (0x7F >> Length);
        for (int K = 1; K < Length; ++K) {
            if ((Byte(I + K) & 0xC0) != 0x80)
                return false;
            Point = (Point << 6) | (Byte(I + K) & 0x3F);
        }
        const char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (Point < Least[Length] || Point > 0x10FFFF || (Point >= 0xD800 && Point <= 0xDFFF))
            return false;
        I += Length;
    }
    return true;
}

bool AsciiOnly(std::string_view Bytes)
{
    for (const char C : Bytes)
        if (static_cast<unsigned char>(C) >= 0x80)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0)
        return 0;
    const auto Encoding = static_cast<TEncoding>(Data[0] % codepages::EncodingCount);
    const std::string_view Bytes(reinterpret_cast<const char*>(Data + 1), Size - 1);

    // Detection: nothing to decide for ASCII, never one character per byte.
    const std::optional<TEncoding> Detected = codepages::Detect(Bytes);
    FUZZ_CHECK(Detected.has_value() != AsciiOnly(Bytes), "detection and ASCII disagree");
    FUZZ_CHECK(!Detected || *Detected != TEncoding::Latin1, "detected one character per byte");
    if (Detected && *Detected == TEncoding::Utf8)
        FUZZ_CHECK(ValidUtf8(Bytes), "invalid UTF-8 detected as UTF-8");
    FUZZ_CHECK(Detected == codepages::DetectInFull(Bytes), "a shortcut of the detection changed its answer");

    // Decoding always gives valid UTF-8, however broken the bytes.
    const std::string Decoded = codepages::DecodeToUtf8(Bytes, Encoding);
    FUZZ_CHECK(ValidUtf8(Decoded), "decoding gave invalid UTF-8");

    // What a code page decodes, it encodes back to the same bytes, unless a
    // byte it leaves undefined became U+FFFD.
    if (codepages::IsSingleByte(Encoding)) {
        const auto& Table = codepages::DecodeTable(Encoding);
        bool AllDefined = true;
        for (const char C : Bytes)
            AllDefined = AllDefined && Table[static_cast<unsigned char>(C)] != 0xFFFD;
        const std::optional<std::string> Encoded = codepages::EncodeUtf8(Decoded, Encoding);
        if (AllDefined)
            FUZZ_CHECK(Encoded && *Encoded == Bytes, "decode then encode changed the bytes");
        const auto& Fold = codepages::FoldTable(Encoding);
        for (int Byte = 0; Byte < 256; ++Byte)
            FUZZ_CHECK(Fold[Fold[Byte]] == Fold[Byte], "folding twice differs from folding once");
    } else if (ValidUtf8(Bytes)) {
        FUZZ_CHECK(Decoded == Bytes, "valid UTF-8 decoded to something else");
    }

    // A find text: either it encodes, and then decodes back to itself, or it
    // is reported as impossible in that code page.
    if (ValidUtf8(Bytes))
        if (const std::optional<std::string> Encoded = codepages::EncodeUtf8(Bytes, Encoding))
            FUZZ_CHECK(codepages::DecodeToUtf8(*Encoded, Encoding) == Bytes, "an encoded find text reads differently");
    return 0;
}
