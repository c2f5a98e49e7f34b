#include "ui/common/settingswriter.h"

#include "platform/filestream.h"
#include "platform/profile.h"

void TSettingsWriter::String(std::string_view Section, std::string_view Key, std::string_view Value)
{
    if (!FProfile.WriteString(Section, Key, Value))
        Refused();
}

void TSettingsWriter::Line(std::string_view Section, std::string_view Key, std::string_view Text)
{
    String(Section, Key, Text.substr(0, Text.find_first_of("\r\n")));
}

void TSettingsWriter::Integer(std::string_view Section, std::string_view Key, std::int32_t Value)
{
    if (!platform::WriteInteger(FProfile, Section, Key, Value))
        Refused();
}

void TSettingsWriter::Refused() const
{
    throw platform::EQuibError("Unable to write to " + FProfile.FileName());
}
