// Code pages of the object text files: which encodings the program reads, the
// byte tables of the single-byte ones, case folding per code page, encoding of
// a find text into an object's bytes, and detection of an object's encoding
// from its bytes.
//
// Standard C++ only. The file's bytes never change: everything here reads
// bytes and hands out characters (or a find text's bytes); nothing is written.
// The 256-entry tables are generated from Python's codecs by a committed
// script (scripts/gen-codepages.py writes codepages_tables.cpp), never typed
// by hand; the tests check every byte against the system's iconv.
//
// Asking for an encoding outside TEncoding, or for UTF-8's byte table, is a
// programming error: std::invalid_argument.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace codepages {

enum class TEncoding : std::uint8_t {
    Latin1,  // one character per byte, the bytes as Latin-1
    Utf8,
    Cp437, Cp737, Cp775, Cp850, Cp852, Cp855, Cp857, Cp860, Cp861, Cp865, Cp866, Cp874,
    Cp1250, Cp1251, Cp1252, Cp1253, Cp1254, Cp1255, Cp1256, Cp1257, Cp1258,
};
constexpr int EncodingCount = 23;

// "latin1", "utf-8", "cp437" ... "cp1258": the names the companion and the
// settings file use. FromName ignores case and also takes "utf8"; "none" is
// not an encoding, so it gives std::nullopt (the caller decides what it means).
std::string_view Name(TEncoding Encoding);
std::optional<TEncoding> FromName(std::string_view Name);
// What the user reads: "One character per byte", "UTF-8", "DOS 850", "Windows 1252".
std::string_view Caption(TEncoding Encoding);
bool IsSingleByte(TEncoding Encoding);  // every one but UTF-8

// Single-byte encodings: the Unicode code point of every byte; U+FFFD for a
// byte the code page leaves undefined. Latin1 maps every byte to itself.
// Not for UTF-8 (an empty table would be a lie): asking is a programming error.
const std::array<char32_t, 256>& DecodeTable(TEncoding Encoding);

// For a search without regard to case: every byte to the byte of the same
// letter in lower case in the same code page (other bytes to themselves).
// Latin1 folds A to Z only, as the viewer always has. UTF-8 folds the ASCII
// letters A to Z (its multi-byte letters are folded by the find text's
// variants, not by a table).
const std::array<unsigned char, 256>& FoldTable(TEncoding Encoding);

// The find text (UTF-8) as bytes of Encoding; std::nullopt when a character of
// it cannot be written in that encoding (it can then match nowhere there) or
// when the text is not valid UTF-8.
std::optional<std::string> EncodeUtf8(std::string_view Utf8Text, TEncoding Encoding);

// The length of the valid UTF-8 sequence at Bytes[Pos] (1 for ASCII), its
// code point in Code; 0 when none starts there (a stray continuation byte, an
// overlong form, a surrogate, anything above U+10FFFF, a sequence cut short).
std::size_t Utf8SequenceAt(std::string_view Bytes, std::size_t Pos, char32_t& Code);

// Code (a Unicode scalar value) appended to Out in UTF-8.
void AppendUtf8(std::string& Out, char32_t Code);

// The bytes as UTF-8 text. Bytes undefined in the code page, and for UTF-8
// each byte that starts no valid sequence, become U+FFFD.
std::string DecodeToUtf8(std::string_view Bytes, TEncoding Encoding);

// The encoding an object's bytes are most likely in: UTF-8 when they hold
// valid multi-byte sequences and no invalid ones; otherwise the code page
// (never Latin1) whose reading makes the most plausible words in the
// languages of its users; on a tie DOS 850, then Windows 1252. Bytes below
// 0x80 only: std::nullopt (plain ASCII reads the same in every one of them).
// Looks only at the bytes above 0x7F and their neighbours: cheap enough to
// run on every object as it is first shown (about 15 GB a second).
std::optional<TEncoding> Detect(std::string_view Bytes);

// The same answer the slow way: every code page's reading scored in full,
// byte by byte, every pair of languages tried, none ruled out early. What
// Detect's shortcuts are checked against.
std::optional<TEncoding> DetectInFull(std::string_view Bytes);

// What a text tells of its encoding when it is one of many written alike (the
// objects of one export): Detect's answer, and, for a text of a code page,
// how far each code page's reading falls behind the best one, so that the
// texts' shortfalls can be added up without scoring them again.
//
// A shortfall is capped at a strong lead: at least 40 and 4 per byte beyond
// ASCII (of the first 512), far more than a short text's few accented words or
// signs can make up. So each text has a bounded say, the longer the more, and
// a file concatenated from exports of two code pages is read in the one most
// of its texts were written in, never in a third that reads none of them
// right. A code page whose reading falls that far behind, or that leaves
// undefined or reads as control characters a quarter of the bytes beyond
// ASCII that the best reading reads as letters, is one the text cannot be in.
struct TTextScores {
    std::optional<TEncoding> Detected;  // what Detect answers
    // Per encoding (indexed by TEncoding): how far its reading falls behind
    // the best one, 0 for the best, at least 1 for any after it in Detect's
    // order of preference. All 0 unless Detected is a code page;
    // Latin1's and UTF-8's are always 0 (never the answer for a code page).
    std::array<std::int32_t, EncodingCount> Behind{};
    // Bit 1 << TEncoding: the code pages the text cannot be in.
    std::uint32_t Impossible = 0;
    bool CannotBe(TEncoding Encoding) const { return (Impossible >> int(Encoding)) & 1u; }
};
TTextScores ScoreText(std::string_view Bytes);

// Shortfalls of texts of code pages added up: the code page that falls
// behind the least in all (on a tie the one Detect prefers); std::nullopt
// while no text of a code page was added.
class TScoreSum {
public:
    void Add(const TTextScores& Text);
    std::optional<TEncoding> Best() const;

private:
    std::array<std::int64_t, EncodingCount> FSums{};
    bool FAny = false;
};

}  // namespace codepages
