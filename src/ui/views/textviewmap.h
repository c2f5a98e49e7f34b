// Bytes of the loaded file as the views show them, and the map between byte
// offsets in an object's text and character positions in the text view.
//
// The model hands out 8-bit text; Qt's document holds UTF-16 and folds every
// line break into one paragraph separator, CR LF included. Whatever crosses
// between the two (a find selection, the caret, a copy) goes through the map,
// which knows nothing of any particular encoding: a decoder describes its
// output as runs where one byte is one position and as indivisible units of
// any other shape (CR LF: two bytes, one position; a UTF-8 sequence: two to
// four bytes, one or two positions).
#pragma once

#include "core/codepages.h"

#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

class TTextViewMap {
public:
    // How a byte offset inside an indivisible unit maps to a view position.
    enum class TRounding { Down, Up };

    TTextViewMap() = default;

    // Building, in text order.
    void AppendRun(std::int32_t Length);  // Length bytes, one position each
    void AppendUnit(std::int32_t ByteLength, std::int32_t ViewLength);
    void Clear();

    std::int32_t ByteLength() const { return FByteLength; }
    std::int32_t ViewLength() const { return FViewLength; }

    // Offsets outside the text are clamped to it. An offset that falls inside a
    // unit goes to the unit's start (Down) or its end (Up).
    std::int32_t ViewFromByte(std::int32_t ByteOffset, TRounding Rounding = TRounding::Down) const;
    std::int32_t ByteFromView(std::int32_t ViewPosition, TRounding Rounding = TRounding::Down) const;

    // A unit that is not one byte per position. Only these are stored;
    // everything between them is a plain run.
    struct TUnit {
        std::int32_t Byte;
        std::int32_t View;
        std::int32_t ByteLength;
        std::int32_t ViewLength;
    };

private:
    std::vector<TUnit> FUnits;
    std::int32_t FByteLength = 0;
    std::int32_t FViewLength = 0;
};

// How the views turn the file's bytes into characters: one character per
// byte (Latin1), UTF-8 (a byte that starts no valid sequence shows as U+FFFD),
// or a single-byte code page (a byte it leaves undefined shows as U+FFFD).
using TDisplayEncoding = codepages::TEncoding;

// An object's text as the text view holds it: every line break (CR LF, CR, LF)
// as one '\n', which is what the document keeps, so positions in Text are the
// document's positions.
struct TViewText {
    QString Text;
    TTextViewMap Map;
};
TViewText ToViewText(std::string_view Bytes, TDisplayEncoding Encoding = TDisplayEncoding::Latin1);

// A short one-line text from the file (a name, a display text) for a label.
QString LabelFromBytes(std::string_view Bytes, TDisplayEncoding Encoding = TDisplayEncoding::Latin1);
