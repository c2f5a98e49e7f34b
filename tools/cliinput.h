// How the companion takes the files it is given. It only reads, so a file is
// held shared: companions read one file side by side, while a viewer's
// exclusive hold keeps them out and theirs keeps it out. A pipe, a FIFO, a
// device or "-" (standard input) is read to its end first, as cat reads it.
// A folder is read as one export of its object files (core/objectfolder.h):
// every command that loads through here takes folders.
#pragma once

#include <string>

class TObjectTextFile;

namespace cli {

// Loads FileName into File as said above; raises as LoadFromFile does. When
// nothing was found in what looks like UTF-16, says so on standard error; so
// too each file of a folder passed over with an object after other text.
void LoadInput(TObjectTextFile& File, const std::string& FileName);

} // namespace cli
