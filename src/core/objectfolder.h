// A folder of object files (one object per file, as version control keeps
// them) read as one export.
//
// The folder's text is the bytes of every file under it that starts with an
// object line (after an optional UTF-8 byte order mark and blank lines), in
// the byte order of their relative paths in UTF-8, each file's bytes from its
// first object line on; where a file lacks a final line break and another
// file follows, the file's own break is added. The model loads that text as
// it loads a file, so every feature works on a folder unchanged; joining the
// folder is reading the text to its end.
//
// Holding: a folder of thousands of files would need thousands of handles
// (Linux's default limit is 1,024). So each file is read once while the
// folder is scanned, and before every later read its size and last write time
// are checked against what the scan saw: a file that changed, vanished or
// cannot be opened fails the read, naming the file. A file is held only while
// it is read, and shared: the model's readers (a worker's beside the
// window's) read one file side by side, and a viewer that holds a file alone
// keeps them out.
#pragma once

#include "platform/filestream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One file of a folder that gives objects.
struct TFolderFile {
    std::string Path;        // relative to the folder, names separated by '/', UTF-8
    std::int64_t Start = 0;  // where its bytes begin in the folder's text
    std::int64_t Skip = 0;   // bytes before its first object line: a byte order mark, blank lines
    std::int64_t Length = 0; // bytes of the file in the text: from Skip to the file's end
    std::string Break;       // added after them (see above); empty when none is
    platform::TFileStamp Stamp;

    std::int64_t End() const { return Start + Length + std::int64_t(Break.size()); }
};

class TObjectFolder {
public:
    // Reads every regular file under Folder once. Raises EFOpenError naming the folder or the file that cannot be
    // read (the system running out of handles included): a folder is never
    // taken in part. Raises too when the text would be 2 GiB or more.
    static std::shared_ptr<const TObjectFolder> Scan(const std::string& Folder);

    const std::string& Folder() const { return FFolder; }
    // The files that give objects, in path order.
    const std::vector<TFolderFile>& Files() const { return FFiles; }
    // How many other regular files were passed over.
    std::int32_t PassedOver() const { return FPassedOver; }
    // Of those, the files with an object line after other text: worth naming.
    const std::vector<std::string>& TextBeforeObjects() const { return FTextBeforeObjects; }
    // The length of the folder's text.
    std::int64_t Size() const { return FFiles.empty() ? 0 : FFiles.back().End(); }
    // The index of the file whose part of the text holds Offset; the count of
    // files for an offset at or past the end.
    std::size_t FileAt(std::int64_t Offset) const;
    // The full path of a file of the folder (its relative Path), as messages name it.
    std::string FullPath(const std::string& Path) const;

private:
    TObjectFolder() = default;

    std::string FFolder;
    std::vector<TFolderFile> FFiles;
    std::int32_t FPassedOver = 0;
    std::vector<std::string> FTextBeforeObjects;
};

// The folder's text, read from its files as said above. Reads never throw:
// a failed one falls short, and FailureText() names the file and why.
class TFolderStream : public platform::TStream {
public:
    explicit TFolderStream(std::shared_ptr<const TObjectFolder> Folder);
    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, platform::TSeekOrigin Origin) override;
    std::unique_ptr<platform::TStream> Duplicate() const override;
    int LastError() const override { return FLastError; }
    std::string FailureText() const override { return FFailure; }

private:
    // Reads Count bytes at Offset of file Index into Buffer; false on failure.
    bool ReadFile(std::size_t Index, std::int64_t Offset, char* Buffer, std::int64_t Count);
    bool Fail(const TFolderFile& File, const std::string& Reason, int Error = 0);

    std::shared_ptr<const TObjectFolder> FFolder;
    std::int64_t FPosition = 0;
    // The file read last, kept open for the rest of one Read.
    std::unique_ptr<platform::TFileStream> FOpen;
    std::size_t FOpenIndex = 0;
    int FLastError = 0;
    std::string FFailure;
};

// True when Name is a folder (a link to one included).
bool IsFolder(const std::string& Name);
