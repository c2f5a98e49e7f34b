// The search for every occurrence of a find text in the objects of a file:
// the one engine behind Find Next, Find Previous, Find All and the
// companion's find.
//
// Each object is searched in its own encoding, and each occurrence is found
// from the end of the one before it, as successive Find Next presses find
// them. The rule that keeps this one pass: an object without the text's ASCII
// part (or, its encoding known, without the text in that encoding) cannot
// hold the text, so most objects are passed over with one scan of a block
// and never have their encoding detected.
//
// The objects' bytes are read through the stream given, a block at a time
// (one read serves many small objects); the search moves its position.
// Standard C++ only; read failures throw platform::EReadError.
#pragma once

#include "core/codepages.h"
#include "core/encodingchoice.h"
#include "core/search/findtext.h"
#include "platform/filestream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace search {

// An object's text in the file.
struct TObjectBytes {
    std::int64_t Offset = 0;
    std::int32_t Size = 0;
    // A report, whose layout lines a search may leave out.
    bool MayHoldLayout = false;
};

struct TObjectList {
    std::int32_t Count = 0;
    std::function<TObjectBytes(std::int32_t Index)> At;
};

struct TOccurrence {
    std::int32_t Object = 0;     // index in the list
    std::int32_t Position = 0;   // 0-based byte offset in the object's text
    std::int32_t Length = 0;     // in bytes
    std::int32_t Line = 1;       // 1-based: CR LF, CR and LF each end one
    std::int32_t LineStart = 0;  // 0-based offset of that line's first byte
    codepages::TEncoding Encoding = codepages::TEncoding::Latin1;  // the text's, as searched
    std::string_view Text;       // the object's whole text, valid during the call
};

struct TOccurrenceCallbacks {
    using TFound = std::function<bool(const TOccurrence&)>;
    using TCancelled = std::function<bool()>;
    using TSearched = std::function<void(std::int32_t Object)>;

    TOccurrenceCallbacks(TFound AFound, TCancelled ACancelled = {}, TSearched ASearched = {})
        : Found(std::move(AFound)), Cancelled(std::move(ACancelled)), Searched(std::move(ASearched))
    {
    }

    // An occurrence; false stops the search.
    TFound Found;
    // Asked between objects and every 1,024 occurrences; true stops the search.
    TCancelled Cancelled;
    // Every object up to Object searched through.
    TSearched Searched;
};

class TOccurrenceSearch {
public:
    // Encodings is the choice the objects are shown in; on Automatic the
    // search detects into it. All must outlive the search.
    TOccurrenceSearch(platform::TStream& Stream, TObjectList Objects, const TFindText& Find,
                      TEncodingChoice& Encodings);
    ~TOccurrenceSearch();

    // Occurrences inside a report's layout (RDLDATA, WORDLAYOUT) left out.
    void SetSkipLayouts(bool Skip) { FSkipLayouts = Skip; }

    // Every occurrence from byte Position (0-based) of object Object on, in
    // order, until the last object, a callback stops it, or it is cancelled.
    void Run(std::int32_t Object, std::int32_t Position, const TOccurrenceCallbacks& Callbacks);
    // The last occurrence in object Object that begins before byte Before.
    bool LastBefore(std::int32_t Object, std::int32_t Before, TOccurrence& Found);

    // Bytes read at a time; tests shrink it to reach every block boundary.
    static std::int64_t BlockSize;

private:
    class TBlockReader;

    std::size_t PassOver(std::size_t First);
    bool SearchObject(std::int32_t Index, std::int32_t From, const TOccurrenceCallbacks& Callbacks);
    const TNeedle* NeedleFor(std::int32_t Index, std::string_view Text, std::int32_t From,
                             codepages::TEncoding& Encoding);
    bool Collect(std::int32_t Index, std::string_view Text, codepages::TEncoding Encoding, const TNeedle& Needle,
                 std::size_t From, const TOccurrenceCallbacks& Callbacks);

    TObjectList FObjects;
    const TFindText& FFind;
    TEncodingChoice& FEncodings;
    std::unique_ptr<TBlockReader> FBlocks;
    bool FSkipLayouts = false;
};

}  // namespace search
