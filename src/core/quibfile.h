// The object text file model: one loaded file split into objects.
//
// Loading holds the file open and exclusively until the next load or the
// destruction of the model; every object's text is read back from that file on
// demand and nothing of it is kept. Every failure is an exception derived from
// platform::EQuibError whose what() is the message shown to the user.
//
// "Quib" is this project's short word for an object text file and what reads
// it: the model's library (quibcore), its error class and the viewer's
// settings file (quib.zup) carry it.
#pragma once

#include "core/codepages.h"
#include "core/objectproperties.h"
#include "platform/filestream.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TEncodingChoice;
class TFindText;
class TObjectFolder;
namespace search {
struct TObjectList;
}

// The application's title.
extern const char* const STitle;

enum TObjectType : std::uint8_t {
    otUnknown,
    otTable,
    otForm,
    otReport,
    otDataport,
    otCodeunit,
    otXMLport,
    otMenuSuite,
    otPage,
    otQuery
};
constexpr int ObjectTypeCount = 10;

// Display names of the kinds, indexed by TObjectType.
extern const std::string ObjectTypeNames[ObjectTypeCount];

enum TProgressKind : std::uint8_t { pkStart, pkProgress, pkDone };

class TObjectTextFile;
using TObjectTextProgressEvent =
    std::function<void(TObjectTextFile& Sender, TProgressKind Kind, std::uint8_t Percent)>;

using platform::EQuibError;
class EConvertError : public EQuibError { public: using EQuibError::EQuibError; };
class EListError : public EQuibError { public: using EQuibError::EQuibError; };
class EIntOverflow : public EQuibError { public: EIntOverflow() : EQuibError("Integer overflow") {} };

// 32-bit arithmetic that raises "Integer overflow" instead of wrapping.
std::int32_t CheckedAdd(std::int32_t A, std::int32_t B);
std::int32_t CheckedSub(std::int32_t A, std::int32_t B);

// Converts a number's text the way headers are read: optional sign, then decimal
// digits or hex digits after "$", "x", "X", "0x", "0X"; raises EConvertError
// "'%s' is not a valid integer value" for anything else.
std::int32_t StrToInt(std::string_view Text);

// Upper-cases the letters a to z in place; every other byte stays as it is.
void UpperCaseAscii(char* Text, std::size_t Length);

// A range of bytes in the file.
struct TByteRange {
    std::int32_t Offset = 0;
    std::int32_t Length = 0;
};

// One object of a loaded file: its header fields, its byte range and where its
// property values lie. Small and of fixed size; the text and the values are
// read back from the owner's file when asked for.
class TObjectTextObject {
public:
    static constexpr int MaxNameLength = 30;

    TObjectTextObject(TObjectTextFile* AOwner, std::int32_t AOffset, std::string_view AHeader);
    virtual ~TObjectTextObject() = default;

    virtual std::string GetExportFileName() const;
    virtual std::string GetDisplayText() const;
    virtual std::string GetText() const;
    virtual void SaveToStream(platform::TStream& Stream) const;
    virtual bool Search(std::int32_t& Position, std::string_view Text, bool MatchCase) const;

protected:
    virtual void ParseHeader(std::string_view AHeader);

public:
    virtual void SaveToFile(const std::string& FileName) const;
    virtual void SetEndOffset(std::int32_t EndOffset);

    TObjectType ObjectType() const { return FObjectType; }
    std::int32_t ID() const { return FID; }
    std::string_view Name() const { return std::string_view(FName, FNameLength); }
    std::int32_t Offset() const { return FOffset; }
    std::int32_t Size() const { return FSize; }
    TObjectTextFile* Owner() const { return FOwner; }
    // The header's kind word as written when it names no known kind ("table",
    // "Bogus"); empty for a known kind and for an object without an owner.
    std::string_view UnknownKindWord() const;

    // Where a value of the OBJECT-PROPERTIES block lies in the file (see
    // core/objectproperties.h); Length 0 when it is empty or absent.
    TByteRange PropertyRange(TObjectProperty Property) const;
    // The value's bytes, read from the owner's file (nothing is read for an
    // empty one). Raises EReadError as GetText does.
    std::string Property(TObjectProperty Property) const;
    // All four values with one read into Buffer (its storage reused), as views
    // into it; nothing is read when all are empty.
    TPropertyValues ReadProperties(std::string& Buffer) const;
    // The text read into the front of Buffer, which grows when it is too
    // small and never shrinks: read object after object, it is neither
    // cleared nor allocated again. Raises EReadError as GetText does.
    std::string_view ReadTextInto(std::string& Buffer) const;

private:
    friend class TObjectTextFile;
    // The owner's open file; raises when it holds none.
    platform::TStream& OwnerStream() const;
    // Reads the text into Buffer, reusing its storage.
    void ReadText(std::string& Buffer) const;
    // Reads the text from Stream into Bytes, which has room for it; false
    // when the system does not hand it all over.
    bool ReadBytes(platform::TStream& Stream, char* Bytes) const;

    TObjectTextFile* FOwner;
    std::int32_t FID = 0;
    std::int32_t FOffset;
    std::int32_t FSize = 0;
    TObjectType FObjectType = otUnknown;
    std::uint8_t FNameLength = 0;
    char FName[MaxNameLength];
    TPropertySpans FProperties{}; // relative to FOffset
    std::uint32_t FKindWord = 0;  // into the owner's unknown kind words; 0: none
};

// The export file names that two or more different objects of Objects share,
// each once, in the order in which a second object takes it; an object listed twice
// shares its name with no other. Empty when every object has a name of its own.
// NameOf: the name an object is written under (its export file name unless given).
std::vector<std::string> SharedExportNames(
    const std::vector<const TObjectTextObject*>& Objects,
    const std::function<std::string(const TObjectTextObject&)>& NameOf = nullptr);

// Where an object goes in a folder of one object per file, deterministic so
// that a new split differs only where the objects do:
// Kind/NNN/Kind_NNNN_Name.txt, NNN the number's thousands, NNNN the number
// (at least 3 and 4 digits), the name's runs of other characters than ASCII
// letters and digits each one underscore. An unknown kind is named by its word.
std::string TreeFileName(const TObjectTextObject& Object);

class TObjectTextFile {
public:
    TObjectTextFile();
    virtual ~TObjectTextFile();
    TObjectTextFile(const TObjectTextFile&) = delete;
    TObjectTextFile& operator=(const TObjectTextFile&) = delete;

    virtual void DoProgress(TProgressKind Kind, std::uint8_t Percent);
    virtual std::int32_t GetCount() const;
    // Not GetObject: the Windows headers define that name as a macro.
    virtual TObjectTextObject& ObjectAt(std::int32_t Index);
    virtual void LoadFromStream(platform::TStream& Stream);
    virtual void ParseText(std::string_view Text);
    virtual void Close();
    virtual bool FindNext(std::int32_t& ObjectIndex, std::int32_t& Position, std::string_view Text,
                          bool MatchCase);
    virtual void LoadFromFile(const std::string& FileName);
    // Loads from a stream the model then holds as it holds a file it opened
    // (a file held another way, piped bytes read into memory); FileName is
    // what the model calls it.
    void LoadFromHeld(std::unique_ptr<platform::TStream> Stream, const std::string& FileName);
    // Loads every object file under Folder as one export (core/objectfolder.h).
    void LoadFromFolder(const std::string& Folder);
    // LoadFromFolder for a folder (the separators after its name dropped, so
    // that it is called by its name), else LoadFromFile.
    void LoadFromPath(const std::string& Path);
    // The folder loaded; null when a file was.
    const TObjectFolder* Folder() const { return FFolder.get(); }
    // The path, relative to the folder, of the file object Index came from;
    // empty when a file was loaded.
    std::string ObjectFilePath(std::int32_t Index) const;

    // Find Next for a text written into each object's own encoding, as
    // Encodings gives it (detected from the object's text where not known
    // yet). Length is the occurrence's length in bytes.
    bool FindNext(std::int32_t& ObjectIndex, std::int32_t& Position, std::int32_t& Length, const TFindText& Text,
                  TEncodingChoice& Encodings);
    // The same backwards: the last occurrence that begins before Position
    // (1-based) in object ObjectIndex, else the last one in the nearest object
    // before it; never wraps around.
    bool FindPrevious(std::int32_t& ObjectIndex, std::int32_t& Position, std::int32_t& Length,
                      const TFindText& Text, TEncodingChoice& Encodings);

    const std::string& FileName() const { return FFileName; }
    std::int32_t Count() const { return GetCount(); }
    TObjectTextObject& Objects(std::int32_t Index) { return ObjectAt(Index); }
    // For readers such as the views: looking an entry up changes nothing.
    const TObjectTextObject& Objects(std::int32_t Index) const
    {
        return const_cast<TObjectTextFile*>(this)->ObjectAt(Index);
    }
    const TObjectTextProgressEvent& OnProgress() const { return FOnProgress; }
    void SetOnProgress(TObjectTextProgressEvent Handler) { FOnProgress = std::move(Handler); }
    // Sees the bytes a load reads, each once and in order, before they are
    // split (Position: where Bytes[0] lies in the file); for work that can
    // share the load's one pass over the file.
    // The observer runs while the next bytes are read on another thread:
    // it must not read objects' text through the model (SecondReader() can).
    using TReadObserver = std::function<void(const char* Bytes, std::int64_t Position, std::int64_t Length)>;
    void SetOnRead(TReadObserver Observer) { FOnRead = std::move(Observer); }
    // While loading, where the split has got to for good: every object that
    // begins before it is listed, and the last one listed runs at least to
    // it (its size is known only once the next begins). The file's length
    // after a load.
    std::int64_t SplitThrough() const { return FSplitThrough; }
    // True when a load found no object and the file's first bytes look like
    // UTF-16, which this format never is: worth saying why nothing was found.
    bool LooksLikeUtf16() const;

    // True while the model holds a stream of a file (after a successful open).
    bool HoldsStream() const { return FStream != nullptr; }
    // A reader of what the model holds, for a worker thread beside it: the
    // same open file with a position of its own, so no second open is needed
    // (a share-none hold would refuse it). Null when nothing is held. Raises
    // EReadError when the system refuses.
    std::unique_ptr<platform::TStream> SecondReader() const { return FStream ? FStream->Duplicate() : nullptr; }

    // Bytes read per request while loading; tests shrink it to reach every
    // window boundary.
    static std::int64_t LoadWindowSize;

private:
    friend class TObjectTextObject;
    class TSplitter;

    // The objects as the search reads them.
    search::TObjectList SearchList() const;
    // The number under which Word is kept, the same for every object that writes it.
    std::uint32_t KeepKindWord(std::string_view Word);
    void ClearObjects();

    void Load(std::unique_ptr<platform::TStream> Stream, const std::string& FileName,
              std::shared_ptr<const TObjectFolder> Folder);

    std::unique_ptr<platform::TStream> FStream;
    std::shared_ptr<const TObjectFolder> FFolder;
    std::string FFileName;
    std::deque<TObjectTextObject> FObjects;
    std::int64_t FSplitThrough = 0;
    // Kept once per file, not per object: few objects are of an unknown kind.
    // A deque, so that the map's views into it stay valid as it grows.
    std::deque<std::string> FKindWords{std::string()};
    std::unordered_map<std::string_view, std::uint32_t> FKindWordNumbers;
    TObjectTextProgressEvent FOnProgress;
    TReadObserver FOnRead;
};
