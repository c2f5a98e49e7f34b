// The window's own values in the settings file, as stored, and how they are
// read from it and written to it through the profile layer: the sections
// [Window], [View] and [Find].
//
// Knows nothing of widgets: the window applies what is read and gathers what
// is written. The settings file is private-profile (INI) text; the features
// the viewer added later keep sections of their own ([Display], [Recent],
// [Find All], [Compare]), each read and written by its feature.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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
};

// The values of the settings file Profile; a missing, unreadable or unusable
// file gives the defaults.
TWindowSettings ReadWindowSettings(const platform::TProfile& Profile);

// Writes every value; the four bounds only when all four are set (a maximised
// window leaves the stored ones as they are). Throws what Writer throws.
void WriteWindowSettings(TSettingsWriter& Writer, const TWindowSettings& Settings);
