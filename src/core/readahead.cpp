#include "core/readahead.h"

#include <algorithm>

TReadAhead::TReadAhead(platform::TStream& Stream, std::int64_t Length, std::int64_t PieceSize, std::int64_t Room)
    : FStream(Stream),
      FLength(Length),
      FPieceSize(std::max<std::int64_t>(PieceSize, 1)),
      FRoom(Room),
      FSlotsUsed(FLength > FPieceSize ? SlotCount : 1)
{
    for (std::size_t Index = 0; Index < FSlotsUsed; ++Index)
        FSlots[Index].Buffer.resize(std::size_t(FRoom + std::min(FLength, FPieceSize)));
    if (FSlotsUsed > 1)
        FReader = std::thread([this] { ReadAll(); });
    else
        ReadAll();
}

TReadAhead::~TReadAhead()
{
    if (FReader.joinable()) {
        {
            const std::lock_guard<std::mutex> Guard(FLock);
            FStop = true;
        }
        FChanged.notify_all();
        FReader.join();
    }
}

void TReadAhead::ReadAll()
{
    std::int64_t Done = 0;
    for (std::size_t Index = 0; Done < FLength || Index == 0; ++Index) {
        TSlot& Into = FSlots[Index % FSlotsUsed];
        {
            std::unique_lock<std::mutex> Guard(FLock);
            FChanged.wait(Guard, [&] { return FStop || !Into.Full; });
            if (FStop)
                return;
        }
        const std::int64_t Want = std::min(FPieceSize, FLength - Done);
        std::int64_t Got = 0;
        try {
            Got = std::max<std::int64_t>(0, FStream.Read(Into.Buffer.data() + FRoom, Want));
        } catch (...) { // a stream that throws counts as one that failed
            Got = -1;
        }
        {
            const std::lock_guard<std::mutex> Guard(FLock);
            Into.Size = std::max<std::int64_t>(Got, 0);
            Into.Short = Got != Want;
            Into.Full = true;
        }
        FChanged.notify_all();
        if (Got != Want)
            return;
        Done += Got;
    }
}

TReadAhead::TPiece TReadAhead::Next()
{
    std::unique_lock<std::mutex> Guard(FLock);
    if (FTaken > 0) {
        FSlots[(FTaken - 1) % FSlotsUsed].Full = false;
        FChanged.notify_all();
    }
    TSlot& Piece = FSlots[FTaken % FSlotsUsed];
    FChanged.wait(Guard, [&] { return Piece.Full; });
    ++FTaken;
    return {Piece.Buffer.data() + FRoom, Piece.Size, Piece.Short};
}
