// orvanta-cli refs and deps: where an object, or one of its members, is used
// in a file, and which objects an object uses.
#pragma once

#include <string>

namespace cli {

// One line per referring line: the referring object's index, kind, number
// and name, the line's number and text (escaped as list escapes names). 0
// when something refers to the target, 1 when nothing does; a malformed
// TARGET raises. Member: a field, procedure ... of the target; empty: the
// object itself.
int Refs(const std::string& FileName, const std::string& Target, const std::string& Member);

// One line per object the target refers to: kind, number, name, how many
// references; a fifth column "missing" for one not in the file. 0 when it
// refers to any, 1 when to none; a target not in the file raises.
int Deps(const std::string& FileName, const std::string& Target);

} // namespace cli
