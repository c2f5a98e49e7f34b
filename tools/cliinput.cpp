#include "cliinput.h"

#include "core/objectfolder.h"
#include "core/quibfile.h"
#include "platform/filestream.h"

#include <cstdio>

namespace cli {

void LoadInput(TObjectTextFile& File, const std::string& FileName)
{
    if (IsFolder(FileName)) {
        File.LoadFromFolder(FileName);
        for (const std::string& Path : File.Folder()->TextBeforeObjects())
            std::fprintf(stderr, "%s: text before its first object; the file was passed over.\n",
                         File.Folder()->FullPath(Path).c_str());
        return;
    }
    if (platform::IsStreamed(FileName))
        File.LoadFromHeld(platform::ReadToEnd(FileName), FileName);
    else
        File.LoadFromHeld(platform::TFileStream::OpenRead(FileName, platform::THold::Shared), FileName);
    if (File.LooksLikeUtf16())
        std::fprintf(stderr, "%s looks like UTF-16 text: no object was found in it.\n",
                     FileName == "-" ? "Standard input" : platform::FullPath(FileName).c_str());
}

} // namespace cli
