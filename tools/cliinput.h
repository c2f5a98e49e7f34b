// How the companion takes the files it is given. It only reads, so a file is
// held shared: companions read one file side by side, while a viewer's
// exclusive hold keeps them out and theirs keeps it out. A pipe, a FIFO, a
// device or "-" (standard input) is read to its end first, as cat reads it.
#pragma once

#include <string>

class TObjectTextFile;

namespace cli {

// Loads FileName into File as said above; raises as LoadFromFile does. When
// nothing was found in what looks like UTF-16, says so on standard error.
void LoadInput(TObjectTextFile& File, const std::string& FileName);

} // namespace cli
