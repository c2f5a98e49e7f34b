// The subcommands of orvanta-cli on the viewer's model, with their arguments
// already taken apart. Each returns the exit code; every failure is an
// exception whose what() is the message for standard error.
#pragma once

#include <string>
#include <vector>

namespace cli {

// One line per object: index, kind, number, name, offset, size.
int List(const std::string& FileName);

// Every occurrence of Text as successive Find Next presses find it: object
// index, 1-based position, object. 1 when there is none.
int Find(const std::string& Text, const std::string& FileName, bool MatchCase);

// The objects of the given indexes (all when there are none) as files under
// their export names in Folder. Every index, and unless Force that no target
// exists, is checked before the first file is written.
int Export(const std::string& FileName, const std::string& Folder, const std::vector<std::string>& Indexes,
           bool Force);

} // namespace cli
