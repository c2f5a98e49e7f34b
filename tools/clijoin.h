// orvanta-cli join: folders and files of objects joined into one export.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Every object of the inputs (folders or files, as list takes them), in the
// order given, a folder's in path order: each input's bytes from its first
// object on, byte for byte; where one lacks a final line break and another
// follows, its own break is added. Written to standard output when Output is
// empty, else to a temporary file beside Output then renamed to it, so that
// a failure leaves nothing at Output.
int Join(const std::vector<std::string>& Inputs, const std::string& Output);

} // namespace cli
