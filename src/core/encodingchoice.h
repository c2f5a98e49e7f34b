// Which encoding each object of the loaded file is shown in.
//
// Either the one the user chose for every object, or, on Automatic, the one
// the whole file's detection gives it (see core/fileencodings.h) once it is
// known; before that, the one detected from an object's bytes the first time
// its text is shown, kept until the file's arrives or another file is loaded.
// Names in the tree and the list are decoded in their object's encoding once
// it is known, before that in what their own bytes suggest. The window asks it what to show, the search what to look
// for; the companion uses it the same way.
#pragma once

#include "core/codepages.h"
#include "core/fileencodings.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TEncodingChoice {
public:
    // The setting's value: "auto" or an encoding's name.
    static constexpr std::string_view AutomaticName = "auto";

    // std::nullopt: Automatic.
    std::optional<codepages::TEncoding> Chosen() const { return FChosen; }
    void SetChosen(std::optional<codepages::TEncoding> Chosen) { FChosen = Chosen; }
    std::string SettingName() const;
    // An unknown name leaves Automatic.
    void SetFromSettingName(std::string_view Name);

    // A new file: nothing of it is known yet.
    void Reset(std::int32_t ObjectCount);
    // The whole file's detection, of the file Reset was last called for
    // (ignored when its object count differs). Shared: copies of the choice
    // (a search's snapshot) share it.
    void SetFileEncodings(std::shared_ptr<const TFileEncodings> File);
    bool FileEncodingsKnown() const { return FFile != nullptr; }

    // The encoding object ObjectIndex's text Bytes is shown in; on Automatic
    // detected now unless known. Plain ASCII reads the same in all of them.
    codepages::TEncoding ForText(std::int32_t ObjectIndex, std::string_view Bytes);
    // The same when it is known without the text (chosen, or detected before).
    std::optional<codepages::TEncoding> KnownForText(std::int32_t ObjectIndex) const;
    // What the user reads of the text's encoding: "DOS 850", or "ASCII" for
    // a text of plain ASCII on Automatic.
    std::string_view CaptionForText(std::int32_t ObjectIndex) const;
    // The encoding a label of object ObjectIndex (its name) is shown in.
    codepages::TEncoding ForLabel(std::int32_t ObjectIndex, std::string_view LabelBytes) const;

private:
    // Per object: not yet known, plain ASCII, or the encoding detected.
    static constexpr std::int8_t Unknown = -1;
    static constexpr std::int8_t Ascii = -2;
    std::int8_t Known(std::int32_t ObjectIndex) const;

    std::optional<codepages::TEncoding> FChosen;
    std::vector<std::int8_t> FDetected;
    std::shared_ptr<const TFileEncodings> FFile;
};
