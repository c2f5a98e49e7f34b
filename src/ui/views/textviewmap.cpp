#include "ui/views/textviewmap.h"

#include <algorithm>
#include <array>

void TTextViewMap::AppendRun(std::int32_t Length)
{
    if (Length <= 0)
        return;
    FByteLength += Length;
    FViewLength += Length;
}

void TTextViewMap::AppendUnit(std::int32_t ByteLength, std::int32_t ViewLength)
{
    if (ByteLength == ViewLength) {
        AppendRun(ByteLength);
        return;
    }
    FUnits.push_back({FByteLength, FViewLength, ByteLength, ViewLength});
    FByteLength += ByteLength;
    FViewLength += ViewLength;
}

void TTextViewMap::Clear()
{
    FUnits.clear();
    FByteLength = 0;
    FViewLength = 0;
}

namespace {

// The same walk in both directions: From/To pick the coordinates of a unit.
template <typename FromField, typename ToField>
std::int32_t MapOffset(const std::vector<TTextViewMap::TUnit>& Units, std::int32_t Offset,
                       std::int32_t FromLength, TTextViewMap::TRounding Rounding, FromField From,
                       ToField To)
{
    Offset = std::clamp<std::int32_t>(Offset, 0, FromLength);
    // The last unit that starts at or before Offset.
    auto After = std::upper_bound(Units.begin(), Units.end(), Offset,
                                  [&](std::int32_t Value, const auto& Unit) { return Value < From(Unit).first; });
    if (After == Units.begin())
        return Offset;  // a plain run from the start of the text
    const auto& Unit = *std::prev(After);
    const auto [FromStart, FromUnitLength] = From(Unit);
    const auto [ToStart, ToUnitLength] = To(Unit);
    if (Offset == FromStart)
        return ToStart;
    if (Offset < FromStart + FromUnitLength)
        return Rounding == TTextViewMap::TRounding::Down ? ToStart : ToStart + ToUnitLength;
    return ToStart + ToUnitLength + (Offset - FromStart - FromUnitLength);
}

}  // namespace

std::int32_t TTextViewMap::ViewFromByte(std::int32_t ByteOffset, TRounding Rounding) const
{
    return MapOffset(
        FUnits, ByteOffset, FByteLength, Rounding,
        [](const TUnit& U) { return std::pair(U.Byte, U.ByteLength); },
        [](const TUnit& U) { return std::pair(U.View, U.ViewLength); });
}

std::int32_t TTextViewMap::ByteFromView(std::int32_t ViewPosition, TRounding Rounding) const
{
    return MapOffset(
        FUnits, ViewPosition, FViewLength, Rounding,
        [](const TUnit& U) { return std::pair(U.View, U.ViewLength); },
        [](const TUnit& U) { return std::pair(U.Byte, U.ByteLength); });
}

namespace {

constexpr unsigned char CR = 13;
constexpr unsigned char LF = 10;

}  // namespace

TViewText ToViewText(std::string_view Bytes, TDisplayEncoding Encoding)
{
    // Single-byte code pages: one character per byte, all of them in the
    // basic plane, so one position per byte as for Latin-1.
    const std::array<char32_t, 256>* Table =
        codepages::IsSingleByte(Encoding) && Encoding != TDisplayEncoding::Latin1 ? &codepages::DecodeTable(Encoding)
                                                                                  : nullptr;
    TViewText Result;
    Result.Text.reserve(static_cast<qsizetype>(Bytes.size()));
    std::int32_t Run = 0;  // bytes of the current plain run, not yet in the map
    const auto FlushRun = [&] {
        Result.Map.AppendRun(Run);
        Run = 0;
    };
    std::size_t I = 0;
    while (I < Bytes.size()) {
        const unsigned char Byte = static_cast<unsigned char>(Bytes[I]);
        if (Byte == CR && I + 1 < Bytes.size() && static_cast<unsigned char>(Bytes[I + 1]) == LF) {
            FlushRun();
            Result.Text.append(QChar(LF));
            Result.Map.AppendUnit(2, 1);
            I += 2;
        } else if (Byte == CR || Byte == LF) {
            Result.Text.append(QChar(LF));
            ++Run;
            ++I;
        } else if (Encoding == TDisplayEncoding::Latin1 || Byte < 0x80) {
            Result.Text.append(QChar(Byte));
            ++Run;
            ++I;
        } else if (Table) {
            Result.Text.append(QChar(static_cast<char16_t>((*Table)[Byte])));
            ++Run;
            ++I;
        } else {
            char32_t CodePoint = 0;
            const auto Length = static_cast<int>(codepages::Utf8SequenceAt(Bytes, I, CodePoint));
            if (Length == 0) {
                Result.Text.append(QChar(QChar::ReplacementCharacter));
                ++Run;
                ++I;
            } else {
                FlushRun();
                const char32_t Units[1] = {CodePoint};
                const QString Piece = QString::fromUcs4(Units, 1);
                Result.Text.append(Piece);
                Result.Map.AppendUnit(Length, static_cast<std::int32_t>(Piece.size()));
                I += Length;
            }
        }
    }
    FlushRun();
    return Result;
}

QString LabelFromBytes(std::string_view Bytes, TDisplayEncoding Encoding)
{
    const auto Size = static_cast<qsizetype>(Bytes.size());
    if (Encoding == TDisplayEncoding::Utf8)
        return QString::fromUtf8(Bytes.data(), Size);
    if (Encoding == TDisplayEncoding::Latin1)
        return QString::fromLatin1(Bytes.data(), Size);
    const std::array<char32_t, 256>& Table = codepages::DecodeTable(Encoding);
    QString Label(Size, Qt::Uninitialized);
    for (qsizetype I = 0; I < Size; ++I)
        Label[I] = QChar(static_cast<char16_t>(Table[static_cast<unsigned char>(Bytes[I])]));
    return Label;
}
