#include "ui/window/profiletext.h"

#include "core/codepages.h"

namespace {

#ifndef _WIN32
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
        if (char32_t Ignored = 0; const std::size_t Length = codepages::Utf8SequenceAt(Text, At, Ignored)) {
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
