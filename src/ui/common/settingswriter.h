// Writing the settings file: each feature writes its own keys through one
// writer over the file opened for the saving.
//
// Each key is written by its own write, so the file holds every key written
// before a failure; the first write the file refuses ends the saving with
// EQuibError "Unable to write to <file>".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class TProfile;
}

class TSettingsWriter {
public:
    explicit TSettingsWriter(platform::TProfile& Profile) : FProfile(Profile) {}

    void String(std::string_view Section, std::string_view Key, std::string_view Value);
    // A key holds one line: a text with line breaks keeps its first line.
    void Line(std::string_view Section, std::string_view Key, std::string_view Text);
    void Integer(std::string_view Section, std::string_view Key, std::int32_t Value);
    void Flag(std::string_view Section, std::string_view Key, bool Value) { Integer(Section, Key, Value ? 1 : 0); }

    // The file as written so far, for a feature that looks at what it holds.
    const platform::TProfile& Profile() const { return FProfile; }

private:
    [[noreturn]] void Refused() const;

    platform::TProfile& FProfile;
};

// A feature that keeps its settings in the settings file: it reads them once
// at start-up and writes them once at shutdown.
class TSettingsOwner {
public:
    virtual void ReadSettings(const platform::TProfile& Profile) = 0;
    virtual void WriteSettings(TSettingsWriter& Writer) const = 0;

protected:
    ~TSettingsOwner() = default;
};
