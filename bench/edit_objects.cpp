// edit_objects: writes a changed copy of an object text file, as a second
// export of the same database some weeks later would be, for the compare
// benchmark.
//
//   edit_objects INFILE OUTFILE [EDITS] [SEED]
//
// Makes EDITS (default 400) edits, each to another object: a third change
// one line of code, a twelfth five lines, a third only Date and Time (a
// comparison that is not strict passes them over), a sixth delete the object
// and a twelfth add a copy of it under a new number right after it. Prints how
// many objects are changed, added and deleted, as `orvanta-cli compare` must
// find them. The same seed always gives the same edits.
#include "benchrandom.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using TRandom = TBenchRandom;

// Replaces the value of Key= in the object's block (the first occurrence).
void SetValue(std::string& Object, const std::string& Key, const std::string& Value)
{
    const std::size_t At = Object.find("\n    " + Key + "=");
    if (At == std::string::npos)
        return;
    const std::size_t Start = At + 6 + Key.size();
    Object.replace(Start, Object.find(';', Start) - Start, Value);
}

// Appends a comment to a line of code well after the block.
void ChangeLine(std::string& Object, TRandom& Random)
{
    std::size_t At = Object.find("\r\n", 400 + Random.Below(Object.size() / 2));
    if (At == std::string::npos)
        At = Object.rfind("\r\n", Object.size() - 3);
    Object.insert(At, " // edited");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: edit_objects INFILE OUTFILE [EDITS] [SEED]\n");
        return 2;
    }
    const std::size_t Edits = argc > 3 ? std::size_t(std::atol(argv[3])) : 400;
    TRandom Random(argc > 4 ? std::uint64_t(std::atoll(argv[4])) : 1);
    std::ifstream In(argv[1], std::ios::binary);
    const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    if (!In && !In.eof()) {
        std::fprintf(stderr, "edit_objects: cannot read %s\n", argv[1]);
        return 2;
    }
    // The text before the first object, then one piece per object.
    std::vector<std::string> Pieces;
    std::size_t Start = 0;
    if (Text.compare(0, 7, "OBJECT ") == 0)
        Pieces.emplace_back();
    for (std::size_t At = Text.find("\nOBJECT "); At != std::string::npos; At = Text.find("\nOBJECT ", At + 1)) {
        Pieces.push_back(Text.substr(Start, At + 1 - Start));
        Start = At + 1;
    }
    Pieces.push_back(Text.substr(Start));
    if (Pieces.size() < 2 * Edits + 1) {
        std::fprintf(stderr, "edit_objects: %zu objects are too few for %zu edits\n", Pieces.size() - 1, Edits);
        return 2;
    }
    // Only objects whose kind and number occur once are edited: the others
    // are paired by their order, which deleting one of them would shift.
    const auto KindAndNumber = [](const std::string& Object) {
        return Object.substr(0, Object.find(' ', Object.find(' ', 7) + 1));
    };
    std::map<std::string, int> Occurrences;
    for (std::size_t I = 1; I < Pieces.size(); ++I)
        ++Occurrences[KindAndNumber(Pieces[I])];
    std::set<std::size_t> Chosen;
    for (std::size_t Tries = 0; Chosen.size() < Edits && Tries < 100 * Edits; ++Tries) {
        const std::size_t I = 1 + Random.Below(Pieces.size() - 1);
        if (Occurrences[KindAndNumber(Pieces[I])] == 1)
            Chosen.insert(I);
    }
    std::size_t Changed = 0, DatesOnly = 0, Added = 0, Deleted = 0, NewNumber = 900000;
    std::vector<std::string> Out{Pieces[0]};
    for (std::size_t I = 1; I < Pieces.size(); ++I) {
        std::string Object = Pieces[I];
        if (!Chosen.count(I)) {
            Out.push_back(Object);
            continue;
        }
        const std::size_t Kind = Random.Below(12);
        if (Kind < 4) {
            ChangeLine(Object, Random);
            ++Changed;
        } else if (Kind < 5) {
            for (int N = 0; N < 5; ++N)
                ChangeLine(Object, Random);
            ++Changed;
        } else if (Kind < 9) {
            SetValue(Object, "Date", "0" + std::to_string(1 + Random.Below(9)) + ".03.24");
            SetValue(Object, "Time", "1" + std::to_string(Random.Below(10)) + ":17:05");
            ++DatesOnly;
        } else if (Kind < 11) {
            ++Deleted;
            continue;
        } else {
            Out.push_back(Object);
            // The copy under a number of its own: "OBJECT Kind Number Name".
            const std::size_t Number = Object.find(' ', 7) + 1;
            Object.replace(Number, Object.find(' ', Number) - Number, std::to_string(NewNumber++));
            ++Added;
        }
        Out.push_back(Object);
    }
    std::ofstream Output(argv[2], std::ios::binary | std::ios::trunc);
    for (const std::string& Piece : Out)
        Output.write(Piece.data(), std::streamsize(Piece.size()));
    Output.close();
    if (!Output) {
        std::fprintf(stderr, "edit_objects: cannot write %s\n", argv[2]);
        return 2;
    }
    std::printf("changed %zu\nadded %zu\ndeleted %zu\ndates-only %zu\n", Changed, Added, Deleted, DatesOnly);
    return 0;
}
