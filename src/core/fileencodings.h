// The encodings of the objects of one export, detected from all of them.
//
// One client wrote every object of an export with one code page, so the file's
// code page is the one its objects read best in together (their detection
// shortfalls added up), which a short object of a few accented words or signs
// cannot mislead the way it misleads a detection of its own. An object reads
// otherwise only on strong evidence: valid UTF-8 with multi-byte sequences, or
// text that cannot be in the file's code page (see codepages::TTextScores).
// Plain ASCII objects stay plain ASCII.
//
// A file concatenated from exports of different code pages shows itself by
// many objects that cannot be in its main code page: a code page that at
// least one in a hundred of its objects are in and cannot be read in the main
// one is one of the file's too. An object whose own detection is one of the
// file's code pages keeps it; any other object that can be read in the main
// one is read in whichever of the file's code pages falls behind the least.
//
// Standard C++ only; the detection over a file's bytes reads them through a
// stream of its own, so it can run on a thread beside the one that loaded it.
#pragma once

#include "core/codepages.h"
#include "core/quibfile.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {
class TStream;
}

class TFileEncodings {
public:
    // The next object's text, in the file's order.
    void Add(std::string_view Text);
    std::int32_t Count() const { return std::int32_t(FObjects.size()); }

    // The file's (main) code page; std::nullopt when no object holds text of one.
    std::optional<codepages::TEncoding> CodePage() const { return FSum.Best(); }
    // Its code pages: the main one first, then the others of a file
    // concatenated from exports of different code pages, in TEncoding order.
    std::vector<codepages::TEncoding> CodePages() const;
    // Object Index's encoding; std::nullopt for plain ASCII (and for an index
    // not added).
    std::optional<codepages::TEncoding> ForObject(std::int32_t Index) const;
    // Its encoding by its own bytes alone, as codepages::Detect gives it.
    std::optional<codepages::TEncoding> DetectedAlone(std::int32_t Index) const;

private:
    struct TObject {
        std::int8_t Detected;  // a TEncoding, or Ascii
        std::uint32_t Impossible;
        std::array<std::int16_t, codepages::EncodingCount> Behind;  // capped well below 32,767
    };
    static constexpr std::int8_t Ascii = -1;
    bool OneOfTheFiles(codepages::TEncoding Encoding, codepages::TEncoding Main) const;

    std::vector<TObject> FObjects;
    codepages::TScoreSum FSum;
    // [A][B]: the objects detected as A that cannot be in B.
    std::array<std::array<std::int32_t, codepages::EncodingCount>, codepages::EncodingCount> FCannotBe{};
    std::int32_t FCodePageObjects = 0;
};

// The byte ranges of File's objects, for a reader beside the model.
std::vector<TByteRange> ObjectRanges(const TObjectTextFile& File);

// Every object of Objects read through Stream (a reader of its own) and
// added. std::nullopt when Cancelled turned true before the end. Raises
// platform::EReadError when a range cannot be read in full.
std::optional<TFileEncodings> DetectFileEncodings(platform::TStream& Stream, const std::vector<TByteRange>& Objects,
                                                  const std::atomic<bool>* Cancelled = nullptr);
