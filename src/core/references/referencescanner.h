// The references one object's text makes to objects and to their members:
// variables, parameters and return values of an object type, KIND::Name,
// the properties that name objects (SourceTable, TableRelation, CalcFormula,
// RunObject ...), and members reached through typed variables, Rec and xRec,
// WITH blocks, unqualified names in a table or a page, and the fields that
// functions such as SETRANGE and CALCFIELDS name.
//
// Over the object's bytes in its own code page, with the highlighter's line
// scanner deciding what is code, a string or a comment, so references inside
// strings and comments never count. Names are compared as the language
// compares them: ASCII letters without regard to case, every other byte
// exactly, quotes optional. Standard C++ only.
#pragma once

#include "core/quibfile.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace references {

enum class TScanDepth : std::uint8_t {
    Objects,  // the references that name an object (what the index keeps)
    Members,  // those and every member reference and member definition
};

struct TReference {
    // The whole reference ("SalesHeader.\"No.\"", "DATABASE::Customer",
    // "Record 36") and the bytes to mark in it (the member's name, the
    // object's name or kind and number), as offsets into the object's text.
    std::int32_t Offset = 0, Length = 0;
    std::int32_t MarkOffset = 0, MarkLength = 0;
    std::int32_t Line = 1;  // 1-based; CR LF, CR and LF each end one line
    TObjectType Type = otUnknown;
    std::int32_t ID = 0;    // the target's number; 0 when it is named instead
    std::string_view Name;  // the target's name without quotes, when named; views into the text
    std::string_view Member;  // a member's name without quotes; empty for the object itself
    // An unqualified name inside a table, a page or a WITH block: a member
    // only if the target has one of that name.
    bool Implicit = false;
    // The member's own definition (a field's row, a procedure's heading) in
    // the object scanned, which is the target; never a reference.
    bool Definition = false;
    // Dropped when the name finds no object (LinkTable may name a data item).
    bool Weak = false;
};

// Equal as the language compares names: ASCII letters in any case.
bool SameName(std::string_view A, std::string_view B);

// Scans object after object, reusing its buffers.
class TReferenceScanner {
public:
    TReferenceScanner();
    ~TReferenceScanner();
    TReferenceScanner(const TReferenceScanner&) = delete;
    TReferenceScanner& operator=(const TReferenceScanner&) = delete;

    // The references in Text, the text of an object of kind Type and number
    // ID, in the order of their places. Views in them stay valid as long as
    // Text and until the next scan. With Member, references to members of
    // other names may be left out.
    const std::vector<TReference>& Scan(std::string_view Text, TObjectType Type, std::int32_t ID, TScanDepth Depth,
                                        std::string_view Member = {});

private:
    class TImpl;
    std::unique_ptr<TImpl> FImpl;
};

}  // namespace references
