#include "core/objectreference.h"

#include <cctype>

namespace {

bool IsSpace(char C) { return C == ' ' || C == '\t'; }
bool IsLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }

std::string_view Trimmed(std::string_view Text)
{
    while (!Text.empty() && IsSpace(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsSpace(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

bool StartsNameOf(std::string_view Start, const std::string& Name)
{
    if (Start.size() > Name.size())
        return false;
    for (std::size_t I = 0; I < Start.size(); ++I)
        if (std::tolower(static_cast<unsigned char>(Start[I])) != std::tolower(static_cast<unsigned char>(Name[I])))
            return false;
    return true;
}

// The one kind whose name starts with Start.
std::optional<TObjectType> KindStartingWith(std::string_view Start)
{
    std::optional<TObjectType> Found;
    for (int Type = 0; Type < ObjectTypeCount; ++Type)
        if (StartsNameOf(Start, ObjectTypeNames[Type])) {
            if (Found)
                return std::nullopt;
            Found = static_cast<TObjectType>(Type);
        }
    return Found;
}

std::optional<std::int32_t> NumberOf(std::string_view Text)
{
    const bool Negative = !Text.empty() && Text.front() == '-';
    if (Negative)
        Text.remove_prefix(1);
    if (Text.empty() || Text.size() > 10)
        return std::nullopt;
    std::int64_t Value = 0;
    for (const char C : Text) {
        if (!IsDigit(C))
            return std::nullopt;
        Value = Value * 10 + (C - '0');
    }
    Value = Negative ? -Value : Value;
    if (Value < INT32_MIN || Value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(Value);
}

}  // namespace

std::optional<TObjectReference> ParseObjectReference(std::string_view Text)
{
    Text = Trimmed(Text);
    std::size_t Letters = 0;
    while (Letters < Text.size() && IsLetter(Text[Letters]))
        ++Letters;
    TObjectReference Reference;
    if (Letters > 0) {
        Reference.Type = KindStartingWith(Text.substr(0, Letters));
        if (!Reference.Type)
            return std::nullopt;
    }
    const std::optional<std::int32_t> ID = NumberOf(Trimmed(Text.substr(Letters)));
    if (!ID)
        return std::nullopt;
    Reference.ID = *ID;
    return Reference;
}

std::int32_t FindObject(const TObjectTextFile& File, const TObjectReference& Reference)
{
    for (std::int32_t Index = 0; Index < File.Count(); ++Index) {
        const TObjectTextObject& Object = File.Objects(Index);
        if (Object.ID() == Reference.ID && (!Reference.Type || Object.ObjectType() == *Reference.Type))
            return Index;
    }
    return -1;
}
