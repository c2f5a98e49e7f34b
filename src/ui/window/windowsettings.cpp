#include "ui/window/windowsettings.h"

#include "platform/profile.h"
#include "ui/common/settingswriter.h"

namespace {

// Section and key names.
const char* const SWindow = "Window";
const char* const SView = "View";
const char* const SFind = "Find";
const char* const SWidth = "Width";
const char* const SHeight = "Height";
const char* const SLeft = "Left";
const char* const STop = "Top";
const char* const SObjectListWidth = "ObjectListWidth";
const char* const SFindText = "FindText";
const char* const SMatchCase = "MatchCase";

// The four keys of a view font.
struct TFontKeys {
    const char* Name;
    const char* Size;
    const char* Bold;
    const char* Italic;
};
const TFontKeys CodeFontKeys{"CodeFontName", "CodeFontSize", "CodeFontBold", "CodeFontItalic"};
const TFontKeys ListFontKeys{"ListFontName", "ListFontSize", "ListFontBold", "ListFontItalic"};

std::optional<std::int32_t> ReadOptional(const platform::TProfile& Profile, const char* Section, const char* Key)
{
    std::string Text;
    std::int32_t Value = 0;
    if (Profile.ReadString(Section, Key, Text) && platform::ParseProfileInteger(Text, Value))
        return Value;
    return std::nullopt;
}

TFontSetting ReadFont(const platform::TProfile& Profile, const TFontKeys& Keys, const TFontSetting& Default)
{
    return {platform::ReadStringDefault(Profile, SView, Keys.Name, Default.Face),
            platform::ReadInteger(Profile, SView, Keys.Size, Default.Size),
            platform::ReadFlag(Profile, SView, Keys.Bold), platform::ReadFlag(Profile, SView, Keys.Italic)};
}

void WriteFont(TSettingsWriter& Writer, const TFontKeys& Keys, const TFontSetting& Font)
{
    Writer.String(SView, Keys.Name, Font.Face);
    Writer.Integer(SView, Keys.Size, Font.Size);
    Writer.Flag(SView, Keys.Bold, Font.Bold);
    Writer.Flag(SView, Keys.Italic, Font.Italic);
}

}  // namespace

TWindowSettings ReadWindowSettings(const platform::TProfile& Profile)
{
    TWindowSettings Settings;
    Settings.Width = ReadOptional(Profile, SWindow, SWidth);
    Settings.Height = ReadOptional(Profile, SWindow, SHeight);
    Settings.Left = ReadOptional(Profile, SWindow, SLeft);
    Settings.Top = ReadOptional(Profile, SWindow, STop);
    Settings.CodeFont = ReadFont(Profile, CodeFontKeys, Settings.CodeFont);
    Settings.ListFont = ReadFont(Profile, ListFontKeys, Settings.ListFont);
    Settings.ObjectListWidth = ReadOptional(Profile, SView, SObjectListWidth);
    Settings.FindText = platform::ReadStringDefault(Profile, SFind, SFindText, "");
    Settings.MatchCase = platform::ReadFlag(Profile, SFind, SMatchCase);
    return Settings;
}

void WriteWindowSettings(TSettingsWriter& Writer, const TWindowSettings& Settings)
{
    if (Settings.Width && Settings.Height && Settings.Left && Settings.Top) {
        Writer.Integer(SWindow, SWidth, *Settings.Width);
        Writer.Integer(SWindow, SHeight, *Settings.Height);
        Writer.Integer(SWindow, SLeft, *Settings.Left);
        Writer.Integer(SWindow, STop, *Settings.Top);
    }
    WriteFont(Writer, CodeFontKeys, Settings.CodeFont);
    WriteFont(Writer, ListFontKeys, Settings.ListFont);
    Writer.Integer(SView, SObjectListWidth, Settings.ObjectListWidth.value_or(0));
    Writer.Line(SFind, SFindText, Settings.FindText);
    Writer.Flag(SFind, SMatchCase, Settings.MatchCase);
}
