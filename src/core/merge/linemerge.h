// The line merge (diff3) of three versions of a text, and the merged text it
// writes: the lines both sides agree on, each side's own changes, and
// conflicts between the familiar markers. The structural merge of objects
// (objectmerge.h) writes through the same writer, so that a conflict is
// marked alike wherever it lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace merge {

// What the markers say, and whether they show the base too.
struct TMarkerStyle {
    std::string Base = "BASE";
    std::string Ours = "OURS";
    std::string Theirs = "THEIRS";
    bool Diff3 = false; // "||||||| BASE" and the base's lines between the sides
};

// A conflict as it lies in a merged text: Start and Length cover the markers
// and both sides; the three versions of that place are kept for whoever
// resolves it (each ends with a line break unless empty).
struct TConflict {
    std::size_t Start = 0;
    std::size_t Length = 0;
    std::string Base, Ours, Theirs;
};

// A merged text: clean when Conflicts is empty.
struct TMergedText {
    std::string Text;
    std::vector<TConflict> Conflicts;
};

// How a conflict is resolved: one version, both in either order, or the base.
enum class TResolution : std::uint8_t { Ours, Theirs, OursThenTheirs, TheirsThenOurs, Base };

// Replaces conflict Index (markers and all) by the version chosen; the
// conflicts after it move with the text. Raises std::out_of_range for an
// index that is not there.
void Resolve(TMergedText& Merged, std::size_t Index, TResolution Choice);

// Appends to a merged text, writing every line break as Break (the line
// breaks of OURS: "\r\n" or "\n"); a text that ends without one gets one
// when more follows.
class TMergeWriter {
public:
    TMergeWriter(TMergedText& Out, const TMarkerStyle& Style, std::string_view Break);

    void Append(std::string_view Text);
    // The three versions of one place, between markers; an absent version is empty.
    void Conflict(std::string_view Base, std::string_view Ours, std::string_view Theirs);
    std::string_view Break() const { return FBreak; }
    const TMarkerStyle& Style() const { return FStyle; }

private:
    // Text with its breaks as Break, ended by one when it has text.
    std::string Lines(std::string_view Text) const;
    void Marker(std::string_view Sign, std::string_view Label);
    // A break after Text's last line unless it has one.
    void EndLine(std::string& Text) const;

    TMergedText& FOut;
    const TMarkerStyle& FStyle;
    std::string FBreak;
};

// The line break a text uses first: "\r\n" or "\n" (also for a text without one).
std::string_view FirstBreak(std::string_view Text);

// Whether two texts are the same, their line breaks (CR LF or LF) left out
// unless Strict.
bool SameText(std::string_view A, std::string_view B, bool Strict);

// The diff3 of the three texts' lines written to Out: a place changed on one
// side takes that side's lines, changed alike on both the one version, and
// changed differently a conflict. Lines are compared without their breaks.
// With BothInsertions, lines inserted at one place by both sides are no
// conflict: the lines both inserted once, the others OURS' first, then
// THEIRS' (for logs that both sides extend).
// Returns the number of conflicts written.
std::size_t MergeLines(std::string_view Base, std::string_view Ours, std::string_view Theirs, TMergeWriter& Out,
                       bool BothInsertions = false);

} // namespace merge
