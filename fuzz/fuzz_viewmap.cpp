// Fuzzes the text the view shows and its byte <-> position map on arbitrary
// bytes in every encoding. The first byte picks the encoding; the rest is an
// object's text.
#include "fuzzcheck.h"
#include "ui/views/textviewmap.h"

#include <string>
#include <string_view>

using codepages::TEncoding;
using TRounding = TTextViewMap::TRounding;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    if (Size == 0)
        return 0;
    const auto Encoding = static_cast<TEncoding>(Data[0] % codepages::EncodingCount);
    const std::string_view Bytes(reinterpret_cast<const char*>(Data + 1), Size - 1);
    const TViewText View = ToViewText(Bytes, Encoding);
    const TTextViewMap& Map = View.Map;
    const std::string Where = std::string(codepages::Name(Encoding)) + ", " + std::to_string(Bytes.size()) + " bytes";

    FUZZ_CHECK(Map.ByteLength() == std::int32_t(Bytes.size()), Where);
    FUZZ_CHECK(Map.ViewLength() == std::int32_t(View.Text.size()), Where);
    // No lone surrogates: every high one followed by a low one, every low one after a high one.
    for (qsizetype K = 0; K < View.Text.size(); ++K) {
        const QChar C = View.Text[K];
        if (C.isHighSurrogate())
            FUZZ_CHECK(K + 1 < View.Text.size() && View.Text[K + 1].isLowSurrogate(), Where);
        if (C.isLowSurrogate())
            FUZZ_CHECK(K > 0 && View.Text[K - 1].isHighSurrogate(), Where);
    }
    // Every byte offset maps to a position and back inside its unit: Down to
    // the unit's start, Up to its end, and both in order.
    std::int32_t Previous = 0;
    for (std::int32_t Byte = 0; Byte <= Map.ByteLength(); ++Byte) {
        const std::int32_t Down = Map.ViewFromByte(Byte, TRounding::Down);
        const std::int32_t Up = Map.ViewFromByte(Byte, TRounding::Up);
        const std::string At = Where + ", byte " + std::to_string(Byte);
        FUZZ_CHECK(Down <= Up && Down >= Previous && Up <= Map.ViewLength(), At);
        const std::int32_t Start = Map.ByteFromView(Down, TRounding::Down);
        const std::int32_t End = Map.ByteFromView(Up, TRounding::Up);
        FUZZ_CHECK(Start <= Byte && Byte <= End, At);
        FUZZ_CHECK(Map.ViewFromByte(Start, TRounding::Down) == Down, At);
        // A unit is at most a CR LF or one UTF-8 sequence.
        FUZZ_CHECK(End - Start <= 4, At);
        Previous = Down;
    }
    for (std::int32_t Position = 0; Position <= Map.ViewLength(); ++Position) {
        const std::int32_t Byte = Map.ByteFromView(Position, TRounding::Down);
        FUZZ_CHECK(Map.ViewFromByte(Byte, TRounding::Down) <= Position, Where + ", position " + std::to_string(Position));
    }
    return 0;
}
