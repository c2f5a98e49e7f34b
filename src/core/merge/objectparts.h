// An object's text split into parts with identities, so that a merge pairs
// what is the same thing in three versions: the object's sections by name;
// in OBJECT-PROPERTIES and PROPERTIES the entries by key; in FIELDS, KEYS,
// CONTROLS and the other sections of braced elements each element by its
// GUID, else its number, else (KEYS) its field list; in CODE the global
// variables by name, each procedure by name (with its @number only where two
// share a name) and the documentation trigger.
//
// Parts are views into the text: a part's Text is its Head, its children's
// texts and its Tail, one after the other, so nothing is ever left out.
// Blank lines go with the part before them. A section whose body is laid
// out otherwise, or where a key repeats (a field number twice), stays one
// part of text, merged by its lines; elements with no number, name or GUID
// ("{ PROPERTIES") are paired in their order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace merge {

struct TPart {
    enum TKind : unsigned char {
        pkText,             // no children: merged by lines
        pkList,             // children merged by key
        pkObjectProperties  // children are OBJECT-PROPERTIES entries
    };
    TKind Kind = pkText;
    std::string Key; // unique among its siblings
    std::string_view Text;
    std::string_view Head, Tail; // around the children
    std::vector<TPart> Children;
};

// The object as a part with its sections as children; false, with Object
// unchanged, when the text is not an object laid out as exports write it.
bool SplitObject(std::string_view Text, TPart& Object);

} // namespace merge
