// Fuzzes the merge of one object's three versions:
//  - it never throws;
//  - a line only one side has (in neither BASE nor the other side) is in the
//    merge, inside a conflict or not;
//  - where the plain line merge of the whole texts is clean and so is the
//    merge, they are the same lines (up to how often a line repeats in a
//    row, as the line diff may pair copies of a line either way);
//  - the conflicts lie in the text, in order, each between its markers;
//  - a side that did not change gives the other side's lines.
// Date, Time, Modified and Version List follow rules of their own and are
// left out of the line checks.
//
// Input: a flag byte. Bit 0 clear: the three texts as they come (BASE and
// OURS read as ConsumeRandomLengthString reads them, THEIRS the rest). Bit 0
// set: an object of every layout the merge knows, then edits of it (to each
// of the three, BASE's also in OURS and THEIRS), each a line number and an
// action; bit 1 writes it with CR LF, bit 2 asks for diff3 markers, bit 3 a
// strict comparison.
#include "fuzzcheck.h"

#include "core/merge/objectmerge.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <set>

using namespace fuzzcheck;
using namespace merge;

namespace {

const char* const STemplate[] = {
    "OBJECT Table 50000 Fuzz",
    "{",
    "  OBJECT-PROPERTIES",
    "  {",
    "    Date=01.07.10;",
    "    Time=12:00:00;",
    "    Version List=ABC6.00;",
    "  }",
    "  PROPERTIES",
    "  {",
    "    OnInsert=BEGIN",
    "               TestNo;",
    "             END;",
    "",
    "    CaptionML=ENU=Sample;",
    "  }",
    "  FIELDS",
    "  {",
    "    { 1   ;   ;No.                 ;Code20        }",
    "    { 2   ;   ;Name                ;Text50        ;CaptionML=[ENU=Name;",
    "                                                              DEU=Name] }",
    "    { 3   ;   ;City                ;Text30        }",
    "  }",
    "  KEYS",
    "  {",
    "    {    ;No.                                     ;Clustered=Yes }",
    "  }",
    "  CODE",
    "  {",
    "    VAR",
    "      Setup@1000 : Record 311;",
    "      Text000@1001 : TextConst 'ENU=Done';",
    "",
    "    PROCEDURE TestNo@1();",
    "    BEGIN",
    "      IF \"No.\" = '' THEN",
    "        ERROR(Text000);",
    "    END;",
    "",
    "    PROCEDURE Other@2();",
    "    BEGIN",
    "      Setup.GET;",
    "    END;",
    "",
    "    BEGIN",
    "    {",
    "      ABC6.00 first release",
    "    }",
    "    END.",
    "  }",
    "}",
    "",
};

// Lines an edit puts in: more of what the template holds, and what breaks it.
const char* const SPieces[] = {
    "    { 4   ;   ;Phone No.           ;Text30        }",
    "    { 3   ;   ;Town                ;Text30        }",
    "    { 5   ;   ;Blocked             ;Boolean       ;OnValidate=BEGIN",
    "                                                                TESTFIELD(Name);",
    "                                                              END;",
    "                                                              }",
    "    {    ;Name                                    }",
    "    Permissions=TableData 17=r;",
    "    CaptionML=ENU=Other;",
    "    Version List=ABC6.01,PTR1;",
    "    Date=24.12.21;",
    "    Modified=Yes;",
    "      Cust@1002 : Record 18;",
    "    PROCEDURE Added@3();",
    "    LOCAL PROCEDURE TestNo@4();",
    "    BEGIN",
    "    END;",
    "      MESSAGE(Text000);",
    "      PTR1 our change",
    "  CONTROLS",
    "  {",
    "  }",
    "",
    "stray",
    "<<<<<<< OURS",
    "=======",
};

struct TEdit {
    std::uint8_t Line, Action;
};

std::vector<std::string> Edited(std::vector<std::string> Lines, const std::vector<TEdit>& Edits)
{
    for (const TEdit& Edit : Edits) {
        const std::size_t At = Lines.empty() ? 0 : Edit.Line % (Lines.size() + 1);
        const std::string Piece = SPieces[(Edit.Action / 4) % std::size(SPieces)];
        switch (Edit.Action % 4) {
        case 0:
            if (At < Lines.size())
                Lines.erase(Lines.begin() + std::ptrdiff_t(At));
            break;
        case 1: Lines.insert(Lines.begin() + std::ptrdiff_t(At), Piece); break;
        case 2:
            if (At < Lines.size())
                Lines[At] = Piece;
            break;
        case 3:
            if (At < Lines.size())
                Lines.insert(Lines.begin() + std::ptrdiff_t(At), Lines[At]);
            break;
        }
    }
    return Lines;
}

std::vector<TEdit> Edits(FuzzedDataProvider& In)
{
    std::vector<TEdit> Result(In.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (TEdit& Edit : Result)
        Edit = {In.ConsumeIntegral<std::uint8_t>(), In.ConsumeIntegral<std::uint8_t>()};
    return Result;
}

std::string Joined(const std::vector<std::string>& Lines, const char* Break)
{
    std::string Text;
    for (std::size_t I = 0; I < Lines.size(); ++I)
        Text.append(Lines[I]).append(I + 1 < Lines.size() ? Break : "");
    return Text;
}

// The lines as the merge compares them: an LF ends one, with a CR before it.
std::vector<std::string> LinesOf(std::string_view Text)
{
    std::vector<std::string> Lines;
    while (!Text.empty()) {
        const std::size_t End = std::min(Text.find('\n'), Text.size());
        std::string Line(Text.substr(0, End));
        if (!Line.empty() && Line.back() == '\r')
            Line.pop_back();
        Lines.push_back(std::move(Line));
        Text.remove_prefix(std::min(End + 1, Text.size()));
    }
    return Lines;
}

// A line of the entries OBJECT-PROPERTIES merges by rules of its own.
bool OwnRules(const std::string& Line)
{
    const std::size_t Equals = Line.find('=');
    if (Equals == std::string::npos)
        return false;
    std::string Key = Line.substr(0, Equals);
    Key.erase(0, Key.find_first_not_of(" \t"));
    Key.erase(Key.find_last_not_of(" \t") + 1);
    for (char& C : Key)
        if (C >= 'A' && C <= 'Z')
            C = char(C + 32);
    return Key == "date" || Key == "time" || Key == "modified" || Key == "version list";
}

std::vector<std::string> Compared(std::string_view Text)
{
    std::vector<std::string> Lines = LinesOf(Text);
    Lines.erase(std::remove_if(Lines.begin(), Lines.end(), OwnRules), Lines.end());
    return Lines;
}

// A line both sides insert beside a copy of it can be read as inserted at
// either copy, and so as one insertion or two: runs of one line count once.
std::vector<std::string> Unrepeated(std::string_view Text)
{
    std::vector<std::string> Lines = Compared(Text);
    Lines.erase(std::unique(Lines.begin(), Lines.end()), Lines.end());
    return Lines;
}

// A text shown line by line, its other control bytes as \xNN.
std::string Shown(std::string_view Text)
{
    static const char* const Hex = "0123456789abcdef";
    std::string Result;
    for (const char C : Text)
        if (C == '\n' || static_cast<unsigned char>(C) >= 32)
            Result += C;
        else
            Result.append("\\x").append(1, Hex[(C >> 4) & 15]).append(1, Hex[C & 15]);
    return Result;
}

std::string Describe(std::string_view Base, std::string_view Ours, std::string_view Theirs, std::string_view Merged)
{
    return "BASE:\n" + Shown(Base) + "\nOURS:\n" + Shown(Ours) + "\nTHEIRS:\n" + Shown(Theirs) + "\nMERGED:\n" +
           Shown(Merged);
}

TObjectMergeResult Merged(std::string_view Base, std::string_view Ours, std::string_view Theirs,
                          const TMergeOptions& Options)
{
    try {
        return MergeObjectTexts(Base, Ours, Theirs, Options);
    } catch (const std::exception& Error) {
        Fail(__FILE__, __LINE__, "the merge throws", Error.what() + ("\n" + Describe(Base, Ours, Theirs, "")));
    }
}

void CheckConflicts(const TMergedText& Merged, const TMarkerStyle& Style)
{
    std::size_t After = 0;
    for (const TConflict& Conflict : Merged.Conflicts) {
        FUZZ_CHECK(Conflict.Start >= After && Conflict.Start + Conflict.Length <= Merged.Text.size(), Merged.Text);
        const std::string_view Text = std::string_view(Merged.Text).substr(Conflict.Start, Conflict.Length);
        FUZZ_CHECK(Text.substr(0, 8) == "<<<<<<< ", Merged.Text);
        const std::string End = ">>>>>>> " + Style.Theirs;
        FUZZ_CHECK(Text.size() >= End.size() + 1 && Text.find(End, Text.size() - End.size() - 2) != std::string::npos,
                   Merged.Text);
        After = Conflict.Start + Conflict.Length;
    }
}

// Every line one side alone has is in the merge.
void CheckNothingLost(std::string_view Base, std::string_view Ours, std::string_view Theirs,
                      std::string_view Merged)
{
    const std::vector<std::string> B = Compared(Base), O = Compared(Ours), T = Compared(Theirs), M = Compared(Merged);
    const std::set<std::string> InBase(B.begin(), B.end()), InMerge(M.begin(), M.end());
    const std::set<std::string> InOurs(O.begin(), O.end()), InTheirs(T.begin(), T.end());
    for (const auto& [Side, Other] : {std::pair(&InOurs, &InTheirs), std::pair(&InTheirs, &InOurs)})
        for (const std::string& Line : *Side)
            if (!InBase.count(Line) && !Other->count(Line))
                FUZZ_CHECK(InMerge.count(Line), "lost '" + Line + "'\n" + Describe(Base, Ours, Theirs, Merged));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider In(Data, Size);
    const std::uint8_t Flags = In.ConsumeIntegral<std::uint8_t>();
    TMergeOptions Options;
    Options.Markers.Diff3 = Flags & 4;
    Options.Strict = Flags & 8;
    std::string Base, Ours, Theirs;
    if (Flags & 1) {
        const char* const Break = Flags & 2 ? "\r\n" : "\n";
        const std::vector<std::string> BaseLines =
            Edited(std::vector<std::string>(std::begin(STemplate), std::end(STemplate)), Edits(In));
        const std::vector<TEdit> OursEdits = Edits(In), TheirsEdits = Edits(In);
        Base = Joined(BaseLines, Break);
        Ours = Joined(Edited(BaseLines, OursEdits), Break);
        Theirs = Joined(Edited(BaseLines, TheirsEdits), Break);
    } else {
        Base = In.ConsumeRandomLengthString();
        Ours = In.ConsumeRandomLengthString();
        Theirs = In.ConsumeRemainingBytesAsString();
    }

    const TObjectMergeResult Result = Merged(Base, Ours, Theirs, Options);
    const TMergedText& Merge = Result.Merged;
    CheckConflicts(Merge, Options.Markers);
    CheckNothingLost(Base, Ours, Theirs, Merge.Text);

    TMergedText ByLines;
    TMergeWriter Writer(ByLines, Options.Markers, FirstBreak(Ours.empty() ? Theirs : Ours));
    MergeLines(Base, Ours, Theirs, Writer);
    if (ByLines.Conflicts.empty() && Merge.Conflicts.empty())
        FUZZ_CHECK(Unrepeated(Merge.Text) == Unrepeated(ByLines.Text),
                   Describe(Base, Ours, Theirs, Merge.Text) + "\nLINE MERGE:\n" + ByLines.Text);

    // One side unchanged: the other side's lines.
    const TObjectMergeResult OursAlone = Merged(Base, Ours, Base, Options);
    FUZZ_CHECK(OursAlone.Merged.Conflicts.empty() && Compared(OursAlone.Merged.Text) == Compared(Ours),
               Describe(Base, Ours, Base, OursAlone.Merged.Text));
    return 0;
}
