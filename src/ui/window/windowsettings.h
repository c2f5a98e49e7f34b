// The fifteen values of the window's settings file, as stored, and how they
// are read from it and written to it through the profile layer.
//
// Knows nothing of widgets: the window applies what is read and gathers what
// is written. The settings file is private-profile (INI) text with the
// sections [Window], [View] and [Find], and [Display], [Recent], [Find All]
// and [Compare] for what the viewer added later.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class TProfile;
}
class TSettingsWriter;

// A view font as the settings file keeps it.
struct TFontSetting {
    std::string Face;
    std::int32_t Size = 0;
    bool Bold = false;
    bool Italic = false;
};

struct TWindowSettings {
    // The window's outer bounds. Empty when the file has no readable value:
    // the defaults depend on the screen and on the window.
    std::optional<std::int32_t> Width, Height, Left, Top;
    TFontSetting CodeFont{"Courier New", 9};
    TFontSetting ListFont{"Tahoma", 8};
    std::optional<std::int32_t> ObjectListWidth;
    // As the file's bytes; the file keeps one line of it.
    std::string FindText;
    bool MatchCase = false;

    // Beyond the fifteen, in sections of their own: [Display] ...
    std::string Encoding = "auto";
    bool SyntaxHighlighting = true;
    bool LineNumbers = true;
    bool WordWrap = true;
    // The OBJECT-PROPERTIES values the list shows, by key: "Modified,Date".
    std::string ListColumns;
    // ... [Recent]: the files opened last, most recent first ...
    static constexpr std::size_t RecentFileCount = 8;
    std::vector<std::string> RecentFiles;
    // ... [Find All] ...
    bool SkipReportLayouts = true;
    // ... and [Compare]: Compare every byte, and both versions in one text.
    bool CompareStrict = false;
    bool CompareUnified = false;
};

// The values of the settings file Profile; a missing, unreadable or unusable
// file gives the defaults.
TWindowSettings ReadWindowSettings(const platform::TProfile& Profile);

// Writes every value; the four bounds only when all four are set (a maximised
// window leaves the stored ones as they are). Throws what Writer throws.
void WriteWindowSettings(TSettingsWriter& Writer, const TWindowSettings& Settings);
