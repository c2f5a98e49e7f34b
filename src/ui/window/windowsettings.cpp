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
const char* const SDisplay = "Display";
const char* const SEncoding = "Encoding";
const char* const SSyntaxHighlighting = "SyntaxHighlighting";
const char* const SLineNumbers = "LineNumbers";
const char* const SWordWrap = "WordWrap";
const char* const SListColumns = "ListColumns";
const char* const SRecent = "Recent";
const char* const SFindAll = "Find All";
const char* const SSkipReportLayouts = "SkipReportLayouts";
const char* const SCompare = "Compare";
const char* const SStrict = "Strict";
const char* const SUnified = "Unified";

// [Recent] File1 ... File8.
std::string RecentKey(std::size_t Index) { return "File" + std::to_string(Index + 1); }

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
    Settings.Encoding = platform::ReadStringDefault(Profile, SDisplay, SEncoding, Settings.Encoding);
    Settings.SyntaxHighlighting = platform::ReadFlag(Profile, SDisplay, SSyntaxHighlighting, true);
    Settings.LineNumbers = platform::ReadFlag(Profile, SDisplay, SLineNumbers, true);
    Settings.WordWrap = platform::ReadFlag(Profile, SDisplay, SWordWrap, true);
    Settings.ListColumns = platform::ReadStringDefault(Profile, SDisplay, SListColumns, "");
    for (std::size_t Index = 0; Index < TWindowSettings::RecentFileCount; ++Index) {
        std::string File = platform::ReadStringDefault(Profile, SRecent, RecentKey(Index), "");
        if (!File.empty())
            Settings.RecentFiles.push_back(std::move(File));
    }
    Settings.SkipReportLayouts = platform::ReadFlag(Profile, SFindAll, SSkipReportLayouts, true);
    Settings.CompareStrict = platform::ReadFlag(Profile, SCompare, SStrict);
    Settings.CompareUnified = platform::ReadFlag(Profile, SCompare, SUnified);
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
    Writer.String(SDisplay, SEncoding, Settings.Encoding);
    Writer.Flag(SDisplay, SSyntaxHighlighting, Settings.SyntaxHighlighting);
    Writer.Flag(SDisplay, SLineNumbers, Settings.LineNumbers);
    Writer.Flag(SDisplay, SWordWrap, Settings.WordWrap);
    Writer.String(SDisplay, SListColumns, Settings.ListColumns);
    // Every slot, so that a list grown shorter leaves none of its old entries.
    for (std::size_t Index = 0; Index < TWindowSettings::RecentFileCount; ++Index)
        Writer.Line(SRecent, RecentKey(Index),
                    Index < Settings.RecentFiles.size() ? Settings.RecentFiles[Index] : std::string());
    Writer.Flag(SFindAll, SSkipReportLayouts, Settings.SkipReportLayouts);
    Writer.Flag(SCompare, SStrict, Settings.CompareStrict);
    Writer.Flag(SCompare, SUnified, Settings.CompareUnified);
}
