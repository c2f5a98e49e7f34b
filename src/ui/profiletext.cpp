#include "ui/profiletext.h"

namespace {

#ifndef _WIN32
// Length of the valid UTF-8 sequence at Text[At], or 0 when none starts there.
std::size_t Utf8SequenceLength(const std::string& Text, std::size_t At)
{
    const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(Text[I]); };
    const unsigned char Lead = Byte(At);
    if (Lead < 0x80)
        return 1;
    const std::size_t Length = Lead >= 0xC2 && Lead <= 0xDF ? 2 : Lead >= 0xE0 && Lead <= 0xEF ? 3
                             : Lead >= 0xF0 && Lead <= 0xF4 ? 4 : 0;
    if (Length == 0 || At + Length > Text.size())
        return 0;
    for (std::size_t I = At + 1; I < At + Length; ++I)
        if ((Byte(I) & 0xC0) != 0x80)
            return 0;
    const unsigned char Second = Byte(At + 1);
    // No overlong forms, no surrogates, nothing above U+10FFFF.
    if ((Lead == 0xE0 && Second < 0xA0) || (Lead == 0xED && Second > 0x9F) || (Lead == 0xF0 && Second < 0x90) ||
        (Lead == 0xF4 && Second > 0x8F))
        return 0;
    return Length;
}

// A byte that is not part of valid UTF-8 stands for itself as a lone low
// surrogate, which no real text holds, so it is written back unchanged.
constexpr char16_t EscapedByteBase = 0xDC00;
#endif

}  // namespace

namespace gui {

QString FromProfileText(const std::string& Text)
{
#ifdef _WIN32
    return QString::fromLocal8Bit(Text.data(), static_cast<qsizetype>(Text.size()));
#else
    QString Result;
    Result.reserve(static_cast<qsizetype>(Text.size()));
    for (std::size_t At = 0; At < Text.size();) {
        if (const std::size_t Length = Utf8SequenceLength(Text, At)) {
            Result += QString::fromUtf8(Text.data() + At, static_cast<qsizetype>(Length));
            At += Length;
        } else {
            Result += QChar(char16_t(EscapedByteBase + static_cast<unsigned char>(Text[At++])));
        }
    }
    return Result;
#endif
}

std::string ToProfileText(const QString& Text)
{
#ifdef _WIN32
    return Text.toLocal8Bit().toStdString();
#else
    std::string Result;
    qsizetype Start = 0;
    const auto Flush = [&](qsizetype End) { Result += Text.mid(Start, End - Start).toUtf8().toStdString(); };
    for (qsizetype I = 0; I < Text.size(); ++I) {
        const char16_t Unit = Text[I].unicode();
        const bool LoneLow = Unit >= EscapedByteBase + 0x80 && Unit <= EscapedByteBase + 0xFF &&
                             (I == 0 || !Text[I - 1].isHighSurrogate());
        if (!LoneLow)
            continue;
        Flush(I);
        Result += static_cast<char>(Unit - EscapedByteBase);
        Start = I + 1;
    }
    Flush(Text.size());
    return Result;
#endif
}

}  // namespace gui
