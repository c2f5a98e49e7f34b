// A find text as the search looks for it in each object's bytes.
//
// The user types Unicode; the file holds each object in its own encoding. A
// TFindText writes the text into every encoding once, when it is made, and
// keeps for each the bytes to look for and how case folds there. The bytes
// of an object are never converted: the search stays one pass over them.
//
// Standard C++ only.
#pragma once

#include "core/codepages.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text in the bytes of one encoding, ready for scanning.
class TNeedle {
public:
    // Bytes compared as they stand, or, given a fold table, by their folded form.
    TNeedle(std::string_view Bytes, const std::array<unsigned char, 256>* Fold);
    // UTF-8 text compared character by character without regard to case:
    // UTF-8 letters beyond ASCII differ in their bytes from case to case.
    static TNeedle FoldedUtf8(std::string_view Utf8Text);

    // The first occurrence in [Bytes, Bytes + Size), or null; its length in
    // Length (in UTF-8 two cases of a letter may differ in length).
    const char* FindIn(const char* Bytes, std::size_t Size, std::size_t& Length) const;
    // The last occurrence in [Bytes, Bytes + Size) that begins before
    // Bytes + Before, or null.
    const char* FindLastIn(const char* Bytes, std::size_t Size, std::size_t Before, std::size_t& Length) const;
    // The most bytes an occurrence can take: a piece of text searched after
    // another must keep this many bytes less one of the one before.
    std::size_t LongestMatch() const { return FLongest; }

private:
    TNeedle() = default;
    std::size_t ShortestMatch() const;
    // The length of the occurrence at P, which may run to End; 0 when none is there.
    std::size_t MatchAt(const char* P, const char* End) const;
    bool IsFirstByte(unsigned char Byte) const { return FFirstBytes[Byte] != 0; }

    std::string FBytes;                            // folded when FFold is set
    const std::array<unsigned char, 256>* FFold = nullptr;
    std::u32string FFoldedChars;                   // for UTF-8 without regard to case
    std::array<unsigned char, 256> FFirstBytes{};  // the bytes an occurrence can begin with
    // When an occurrence can begin with at most two bytes and, FScanLastOffset
    // bytes on, holds one of at most two: the bytes a vector scan looks for.
    std::array<unsigned char, 2> FScanBytes{};
    std::array<unsigned char, 2> FScanLast{};
    std::size_t FScanLastOffset = 0;
    bool FScanVectorised = false;
    std::size_t FLongest = 0;
};

class TFindText {
public:
    // The bytes as they stand in the file, letters a to z folded without
    // MatchCase: the search that knows no code pages.
    static TFindText OfBytes(std::string_view Bytes, bool MatchCase);
    // A text in UTF-8, written into each object's encoding. Without MatchCase
    // the letters of that encoding fold too; "one character per byte" keeps to
    // a to z.
    static TFindText OfUnicode(std::string_view Utf8Text, bool MatchCase);

    bool Empty() const { return FNeedles.empty(); }
    // False when the text is looked for the same way whatever an object's
    // encoding (plain ASCII, or bytes): then the search needs no encodings.
    bool DependsOnEncoding() const { return FDependsOnEncoding; }
    // The text in Encoding; null when Encoding cannot write one of its
    // characters (it can then occur nowhere in that encoding) or it is empty.
    const TNeedle* In(codepages::TEncoding Encoding) const;
    // The text's longest run of ASCII characters (three or more), which every
    // encoding writes alike: where it is missing the text is too, and an
    // object's encoding need not be known to tell. Null when there is none.
    const TNeedle* AsciiPart() const { return FAsciiPart.empty() ? nullptr : &FAsciiPart.front(); }

private:
    TFindText() { FNeedleOf.fill(-1); }

    std::vector<TNeedle> FNeedles;
    std::vector<TNeedle> FAsciiPart;  // empty or one
    std::array<std::int8_t, codepages::EncodingCount> FNeedleOf;  // index into FNeedles or -1
    bool FDependsOnEncoding = false;
};

// Case folding of a character as the code pages fold their letters: its
// lower case when one of the code pages has both (A-Z included), else itself.
char32_t FoldChar(char32_t Code);
