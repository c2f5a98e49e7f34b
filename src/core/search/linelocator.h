// The line an occurrence lies on, numbered as the text view numbers them
// (CR LF, CR and LF each end a line), and the line's text, read from a stream
// of its own. Positions come in order within an object, so each object's
// bytes are counted forward once; the object's end need not be known yet,
// since a line never runs past the line break that ends its object.
#pragma once

#include "platform/filestream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TLineLocator {
public:
    struct TLine {
        std::int32_t Number;   // 1-based within the object
        std::string_view Text; // without its line break; valid until the next call
    };

    // Reader: the file's bytes, with a position of its own.
    explicit TLineLocator(std::unique_ptr<platform::TStream> Reader);

    // The line of the byte at file position At in the object that begins at
    // ObjectStart; At not before the one asked for last in the same object.
    // Raises EReadError when the bytes cannot be read.
    TLine At(std::int64_t ObjectStart, std::int64_t At);

    // Counting rule, for any text held whole: the line (1-based) of Position
    // and where that line starts.
    static std::int32_t LineOf(std::string_view Text, std::size_t Position, std::size_t* LineStart = nullptr);

private:
    // Counts the line breaks in [FCounted, To).
    void CountTo(std::int64_t To);
    // Byte at file position P (reads a block around it when needed); -1 past the end.
    int ByteAt(std::int64_t P);
    void ReadLineText(std::int64_t LineStart);

    std::unique_ptr<platform::TStream> FReader;
    std::string FBlock;            // file bytes [FBlockStart, FBlockStart + size)
    std::int64_t FBlockStart = -1;
    std::int64_t FObjectStart = -1;
    std::int64_t FCounted = 0;     // file position counted up to
    std::int64_t FLineStart = 0;   // file position of the current line's first byte
    std::int32_t FLine = 1;
    bool FPendingCR = false;      // the last byte counted is a CR
    std::int64_t FTextStart = -1;  // the line whose text FText holds
    std::string FText;
};
