// Private-profile (INI) files: one value at a time, every other line left alone.
//
// The settings file is meant to be read and edited by hand, so a write touches
// only the line of its own key (or adds one) and keeps comments, blank lines,
// unknown sections, odd lines and line breaks byte for byte.
//
// File layout as read here:
//   [Section]       a section header; blanks around the brackets and the name
//   Key=Value       a key of the section above it; blanks around '=' and at
//                   both ends are not part of the key or the value, and a
//                   value in a matching pair of quotes ("..." or '...') is
//                   the text between them
//   ; text          a comment; so is every other line (kept, never interpreted)
// Section and key names compare without regard to case (A-Z only). When a name
// occurs twice, the first one counts. Keys above the first section belong to
// no section and cannot be read.
//
// Names are taken without the blanks around them. Failures are results, not
// exceptions: a read reports a missing key, a write a file it could not write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class TProfile {
public:
    // The longest value a read returns; longer values are cut to this length.
    static constexpr std::size_t MaxValueLength = 2047;

    // The most a settings file holds; a larger file is not one (see Unusable).
    static constexpr std::int64_t MaxFileSize = std::int64_t(1) << 20;

    // Reads the file if there is one; a missing or unreadable file reads as
    // empty (and an unreadable one is never written, so it cannot be wiped).
    // Never waits on the path and never reads more than MaxFileSize and a bit.
    explicit TProfile(std::string FileName);
    ~TProfile() = default;
    TProfile(const TProfile&) = delete;
    TProfile& operator=(const TProfile&) = delete;

    const std::string& FileName() const { return FFileName; }

    // True when the path holds something other than a settings file: a pipe,
    // a device (also through a link) or a file over MaxFileSize. Such a profile
    // reads as empty and its writes succeed without touching the path, so
    // settings are simply not kept: a link to the null device says just that.
    bool Unusable() const { return FUnusable; }

    // True with the key's value (at most MaxValueLength characters; an empty
    // value is an empty string; quotes around it taken off), false when the
    // section or the key is missing.
    bool ReadString(std::string_view Section, std::string_view Key, std::string& Value) const;

    // Sets the key's value and writes the file back at once: an existing key's
    // line is replaced (keeping the key as the file spells it), a missing key
    // goes after the last key of its section, a missing section goes at the end
    // of the file. New lines use the file's own line break; a file without one
    // gets CR LF on Windows, LF elsewhere. A value that reading would change
    // (blanks at an end, a matching pair of quotes around it) is written in
    // double quotes, so that it reads back as it was given.
    // The file is replaced through a temporary file in the same directory, so
    // it is either wholly old or wholly new; where no temporary file can be
    // made (a read-only folder), an existing file is rewritten in place
    // instead, which a failure part-way (a full disk) can leave cut short.
    // Otherwise returns false, with nothing changed in memory or on disk, when
    // the file cannot be written (no folder, a folder that takes no new file
    // when there is none yet, file read-only, or present but unreadable) or
    // when the names or the value could not be stored as one line (a line
    // break anywhere, ']' in the section name, '=' in the key, a name that is
    // empty or starts with '[' or ';'). On an Unusable profile, a write that
    // could be stored returns true and changes nothing.
    bool WriteString(std::string_view Section, std::string_view Key, std::string_view Value);

private:
    struct TLine {
        std::string Text;   // the line without its line break
        std::string Break;  // "\r\n", "\n", "\r", or empty on a last line without one
    };
    struct TSectionSpan {
        std::size_t Header;  // index of the "[Section]" line
        std::size_t End;     // index of the next section's header, or the line count
    };

    void Parse(const std::string& Content);
    bool FindSection(std::string_view Section, TSectionSpan& Span) const;
    bool FindKey(const TSectionSpan& Span, std::string_view Key, std::size_t& Index) const;
    std::size_t NewKeyPosition(const TSectionSpan& Span) const;
    static void InsertLine(std::vector<TLine>& Lines, std::size_t Index, std::string Text,
                           const std::string& Break);
    std::string Join(const std::vector<TLine>& Lines) const;

    std::string FFileName;
    std::string FPrefix;  // a UTF-8 mark in front of the first line, kept as found
    std::vector<TLine> FLines;
    std::string FLineBreak;  // used for lines this object adds
    bool FUnreadable = false;  // the file is there but could not be read: never write it
    bool FUnusable = false;    // not a settings file: never write it, and say nothing
};

// Typed values on top of the strings.
//
// Integers are written in decimal with a minus sign when negative. On reading,
// an optional sign is followed by decimal digits, by "$" and hexadecimal digits,
// or by "0x"/"0X" and hexadecimal digits. Anything else, and a missing key,
// give Default. A decimal value outside the 32-bit signed range also gives
// Default; a hexadecimal value is a 32-bit pattern, so up to 8 significant
// digits are taken ("0xFFFFFFFF" is -1) and longer ones give Default.
std::int32_t ReadInteger(const TProfile& Profile, std::string_view Section, std::string_view Key,
                         std::int32_t Default);
// A flag is set when the lowest 8 bits of its integer are not all zero (so 256 is clear).
bool ReadFlag(const TProfile& Profile, std::string_view Section, std::string_view Key,
              bool Default = false);
std::string ReadStringDefault(const TProfile& Profile, std::string_view Section,
                              std::string_view Key, std::string_view Default);
bool WriteInteger(TProfile& Profile, std::string_view Section, std::string_view Key,
                  std::int32_t Value);

// Parses an integer value by the rules above; false when the text is not one.
bool ParseProfileInteger(std::string_view Text, std::int32_t& Value);

}  // namespace platform
