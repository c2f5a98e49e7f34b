// A stream read from its position on, a piece at a time, by a thread of its
// own that keeps a few pieces ahead of the one taking them: the system's
// copying of the file's bytes and the work on the pieces before overlap.
//
// The pieces come in order, each in a buffer of its own with some writable
// room before it, so a taker can put the last bytes of the piece before in
// front of it and see one run of text. A piece read short (end of file, an
// I/O error) is the last one.
#pragma once

#include "platform/filestream.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TReadAhead {
public:
    struct TPiece {
        char* Data;          // Room() writable bytes lie before it
        std::int64_t Size;   // bytes read
        bool Short;          // fewer than asked for: nothing follows
    };

    // Reads Length bytes from Stream's position in pieces of PieceSize; with
    // a single piece to read, no thread is started. Stream must not be used
    // elsewhere while this lives.
    TReadAhead(platform::TStream& Stream, std::int64_t Length, std::int64_t PieceSize, std::int64_t Room);
    // Stops reading and waits for the thread.
    ~TReadAhead();
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    // The next piece, once it is read; the one returned before is given back.
    // Not past the last piece.
    TPiece Next();
    std::int64_t Room() const { return FRoom; }

private:
    struct TSlot {
        std::vector<char> Buffer;
        std::int64_t Size = 0;
        bool Short = false;
        bool Full = false;
    };
    static constexpr std::size_t SlotCount = 4;

    void ReadAll();

    platform::TStream& FStream;
    const std::int64_t FLength;
    const std::int64_t FPieceSize;
    const std::int64_t FRoom;
    const std::size_t FSlotsUsed; // one when a single piece is read
    TSlot FSlots[SlotCount];
    std::size_t FTaken = 0; // pieces handed out
    bool FStop = false;
    std::mutex FLock;
    std::condition_variable FChanged;
    std::thread FReader;
};
