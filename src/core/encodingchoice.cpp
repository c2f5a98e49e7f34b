#include "core/encodingchoice.h"

#include <algorithm>

using codepages::TEncoding;

std::string TEncodingChoice::SettingName() const
{
    return std::string(FChosen ? codepages::Name(*FChosen) : AutomaticName);
}

void TEncodingChoice::SetFromSettingName(std::string_view Name)
{
    FChosen = codepages::FromName(Name);
}

void TEncodingChoice::Reset(std::int32_t ObjectCount)
{
    FDetected.assign(static_cast<std::size_t>(std::max<std::int32_t>(ObjectCount, 0)), Unknown);
    FFile.reset();
}

void TEncodingChoice::SetFileEncodings(std::shared_ptr<const TFileEncodings> File)
{
    if (File && static_cast<std::size_t>(File->Count()) == FDetected.size())
        FFile = std::move(File);
}

std::int8_t TEncodingChoice::Known(std::int32_t ObjectIndex) const
{
    if (ObjectIndex < 0 || static_cast<std::size_t>(ObjectIndex) >= FDetected.size())
        return Unknown;
    if (FFile) {
        const std::optional<TEncoding> InFile = FFile->ForObject(ObjectIndex);
        return InFile ? static_cast<std::int8_t>(*InFile) : Ascii;
    }
    return FDetected[static_cast<std::size_t>(ObjectIndex)];
}

TEncoding TEncodingChoice::ForText(std::int32_t ObjectIndex, std::string_view Bytes)
{
    if (FChosen)
        return *FChosen;
    std::int8_t Found = Known(ObjectIndex);
    if (Found == Unknown) {
        const std::optional<TEncoding> Detected = codepages::Detect(Bytes);
        Found = Detected ? static_cast<std::int8_t>(*Detected) : Ascii;
        if (ObjectIndex >= 0 && static_cast<std::size_t>(ObjectIndex) < FDetected.size())
            FDetected[static_cast<std::size_t>(ObjectIndex)] = Found;
    }
    return Found == Ascii ? TEncoding::Latin1 : static_cast<TEncoding>(Found);
}

std::optional<TEncoding> TEncodingChoice::KnownForText(std::int32_t ObjectIndex) const
{
    if (FChosen)
        return FChosen;
    const std::int8_t Found = Known(ObjectIndex);
    if (Found == Unknown)
        return std::nullopt;
    return Found == Ascii ? TEncoding::Latin1 : static_cast<TEncoding>(Found);
}

std::string_view TEncodingChoice::CaptionForText(std::int32_t ObjectIndex) const
{
    if (FChosen)
        return codepages::Caption(*FChosen);
    const std::int8_t Found = Known(ObjectIndex);
    if (Found == Ascii)
        return "ASCII";
    return Found == Unknown ? std::string_view() : codepages::Caption(static_cast<TEncoding>(Found));
}

TEncoding TEncodingChoice::ForLabel(std::int32_t ObjectIndex, std::string_view LabelBytes) const
{
    if (FChosen)
        return *FChosen;
    const std::int8_t Found = Known(ObjectIndex);
    if (Found >= 0)
        return static_cast<TEncoding>(Found);
    return codepages::Detect(LabelBytes).value_or(TEncoding::Latin1);
}
