#include "ui/views/objecthighlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QStringView>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {

using objectsyntax::TCategory;
using objectsyntax::TSpan;
using objectsyntax::TState;

// Where a format says which category it stands for (tests, and anyone who
// reads the document's formats back).
constexpr int CategoryProperty = QTextFormat::UserProperty + 0x4F48;

// A block whose state FormatBlocks is about to set: any value the scanner
// never gives.
constexpr int Stale = -2;

// One call to rehighlightBlock covers at most this much: short enough to
// keep the event loop's turns short, long enough that Qt's bookkeeping per
// call does not dominate.
constexpr int BatchBlocks = 64;
constexpr int BatchCharacters = 16 * 1024;
// The idle pass gives the event loop back after this long.
constexpr int SliceMilliseconds = 8;
// After a new text the idle pass waits this long, so that running through
// the objects with the arrow keys pays for no object's rest that is left at once.
constexpr int SettleMilliseconds = 60;

double Luminance(const QColor& Color)
{
    const auto Channel = [](double Value) {
        return Value <= 0.03928 ? Value / 12.92 : std::pow((Value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * Channel(Color.redF()) + 0.7152 * Channel(Color.greenF()) + 0.0722 * Channel(Color.blueF());
}

double Contrast(const QColor& A, const QColor& B)
{
    const double La = Luminance(A), Lb = Luminance(B);
    return (std::max(La, Lb) + 0.05) / (std::min(La, Lb) + 0.05);
}

QColor Mix(const QColor& A, const QColor& B, double T)
{
    return QColor::fromRgbF(float(A.redF() * (1 - T) + B.redF() * T), float(A.greenF() * (1 - T) + B.greenF() * T),
                            float(A.blueF() * (1 - T) + B.blueF() * T));
}

// A palette colour with transparency (the placeholder text's, often) as it
// shows on the base.
QColor Opaque(const QColor& Color, const QColor& Base)
{
    return Mix(Base, Color, Color.alphaF());
}

// Color, moved towards the text colour as far as needed to stand out from the
// base by MinContrast (or as far as the text colour itself does).
QColor Readable(const QColor& Color, const QColor& Base, const QColor& Text, double MinContrast)
{
    for (int Step = 0; Step < 10; ++Step) {
        const QColor Candidate = Mix(Color, Text, Step / 10.0);
        if (Contrast(Candidate, Base) >= MinContrast)
            return Candidate;
    }
    return Text;
}

// The link colour's saturation and lightness in another hue: the theme chose
// them to read on its base, and the hues keep categories apart.
QColor TurnHue(const QColor& Color, int Degrees)
{
    int Hue, Saturation, Lightness, Alpha;
    Color.getHsl(&Hue, &Saturation, &Lightness, &Alpha);
    if (Hue < 0)
        Hue = 220;
    return QColor::fromHsl((Hue + Degrees + 360) % 360, std::max(Saturation, 140), std::clamp(Lightness, 60, 200));
}

std::u16string_view Utf16(const QString& Text)
{
    return std::u16string_view(QStringView(Text).utf16(), std::size_t(Text.size()));
}

}  // namespace

TObjectHighlighter::TObjectHighlighter(QTextDocument* Document, const QPalette& Palette)
    : QSyntaxHighlighter(static_cast<QObject*>(Document)), FDocument(Document)
{
    BuildFormats(Palette);
    Document->documentLayout();  // without a layout the document reports no changes
    setDocument(Document);
    // Qt's own pass over every changed block would highlight a whole new text
    // at once; this class decides what to highlight when.
    disconnect(Document, &QTextDocument::contentsChange, this, nullptr);
    connect(Document, &QTextDocument::contentsChange, this, &TObjectHighlighter::DocumentChange);
    // The work waits for contentsChanged: by then the document has finished
    // its edit and its layout has seen the change.
    connect(Document, &QTextDocument::contentsChanged, this, &TObjectHighlighter::DocumentChanged);
    connect(&FTimer, &QTimer::timeout, this, &TObjectHighlighter::Slice);
    FDone.assign(std::size_t(Document->blockCount()), Document->isEmpty());
}

TObjectHighlighter::~TObjectHighlighter()
{
    // Qt takes its formats off the document as it lets go of it, a change
    // this part of the object must not hear of any more.
    if (FDocument)
        disconnect(FDocument, nullptr, this, nullptr);
}

void TObjectHighlighter::SetEnabled(bool Enabled)
{
    if (Enabled == FEnabled)
        return;
    FEnabled = Enabled;
    if (Enabled) {
        std::fill(FDone.begin(), FDone.end(), false);
    } else {
        // Only what was highlighted has formats to lose.
        FDone.flip();
    }
    Restart(0);
}

void TObjectHighlighter::SetPalette(const QPalette& Palette)
{
    BuildFormats(Palette);
    if (!FEnabled)
        return;
    std::fill(FDone.begin(), FDone.end(), false);
    Restart(0);
}

void TObjectHighlighter::HighlightBlocks(int First, int Last)
{
    const int Count = int(FDone.size());
    First = std::clamp(First, 0, std::max(Count - 1, 0));
    Last = std::clamp(Last, First, std::max(Count - 1, 0));
    FFocusFirst = First;
    FFocusLast = Last;
    for (int Block = First; Block <= Last && Block < Count; ++Block) {
        if (FDone[std::size_t(Block)])
            continue;
        int End = Block;
        while (End < Last && !FDone[std::size_t(End + 1)] && End + 1 - Block < BatchBlocks)
            ++End;
        FormatBlocks(Block, End);
        Block = End;
    }
}

bool TObjectHighlighter::IsComplete() const
{
    return std::find(FDone.begin(), FDone.end(), false) == FDone.end();
}

TObjectHighlighter::TCategory TObjectHighlighter::CategoryOf(const QTextFormat& Format)
{
    const QVariant Value = Format.property(CategoryProperty);
    return Value.isValid() ? TCategory(Value.toInt()) : TCategory::Plain;
}

void TObjectHighlighter::highlightBlock(const QString& Text)
{
    const int Previous = previousBlockState();
    const TState State = objectsyntax::ScanLine(Utf16(Text), Previous < 0 ? objectsyntax::StartState : Previous, FSpans);
    if (FEnabled) {
        for (const TSpan& Span : FSpans) {
            const QTextCharFormat& Format = FFormats[std::size_t(Span.Category)];
            if (Format.hasProperty(CategoryProperty))
                setFormat(Span.Start, Span.Length, Format);
        }
    }
    const int Number = currentBlock().blockNumber();
    if (Number == FStopAt)
        FStopState = State;
    else
        setCurrentBlockState(State);
    if (Number >= 0 && std::size_t(Number) < FDone.size())
        FDone[std::size_t(Number)] = true;
}

void TObjectHighlighter::DocumentChange(int From, int /*Removed*/, int /*Added*/)
{
    if (FFormatting)
        return;
    QTextBlock Block = FDocument->findBlock(From);
    const int Number = Block.isValid() ? Block.blockNumber() : FDocument->blockCount() - 1;
    FChangedFrom = FChangedFrom < 0 ? Number : std::min(FChangedFrom, Number);
}

void TObjectHighlighter::DocumentChanged()
{
    if (FFormatting || FChangedFrom < 0)
        return;
    const int From = FChangedFrom;
    FChangedFrom = -1;
    FDone.resize(std::size_t(FDocument->blockCount()));
    // Changed blocks have lost their formats: nothing to do for them when off.
    std::fill(FDone.begin() + std::min<std::ptrdiff_t>(From, std::ptrdiff_t(FDone.size())), FDone.end(), !FEnabled);
    FStatesKnown = std::min(FStatesKnown, From);
    FNext = std::min(FNext, From);
    FFocusFirst = From;
    FFocusLast = From + EagerBlocks - 1;
    if (FEnabled)
        Restart(SettleMilliseconds);
}

void TObjectHighlighter::Restart(int Delay)
{
    FNext = 0;
    HighlightBlocks(FFocusFirst, FFocusLast);
    if (IsComplete()) {
        FTimer.stop();
        emit Completed();
    } else {
        FTimer.start(Delay);
    }
}

void TObjectHighlighter::Slice()
{
    if (!Next(SliceMilliseconds)) {
        FTimer.stop();
        emit Completed();
    } else if (FTimer.interval() != 0) {
        FTimer.start(0);
    }
}

bool TObjectHighlighter::Next(int MaxMilliseconds)
{
    QElapsedTimer Clock;
    Clock.start();
    const int Count = int(FDone.size());
    while (FNext < Count) {
        if (FDone[std::size_t(FNext)]) {
            ++FNext;
            continue;
        }
        int Last = FNext;
        int Characters = 0;
        for (QTextBlock Block = FDocument->findBlockByNumber(FNext);
             Last + 1 < Count && !FDone[std::size_t(Last + 1)] && Last + 1 - FNext < BatchBlocks &&
             Characters < BatchCharacters;
             Block = Block.next(), ++Last)
            Characters += Block.length();
        FormatBlocks(FNext, Last);
        FNext = Last + 1;
        if (Clock.elapsed() >= MaxMilliseconds)
            break;
    }
    return FNext < Count;
}

void TObjectHighlighter::ScanStatesUpTo(int Block)
{
    if (FStatesKnown >= Block)
        return;
    QTextBlock Current = FDocument->findBlockByNumber(FStatesKnown);
    TState State = objectsyntax::StartState;
    if (Current.previous().isValid() && Current.previous().userState() >= 0)
        State = Current.previous().userState();
    for (; FStatesKnown < Block && Current.isValid(); ++FStatesKnown, Current = Current.next()) {
        State = objectsyntax::ScanLine(Utf16(Current.text()), State, FSpans);
        Current.setUserState(State);
    }
}

void TObjectHighlighter::FormatBlocks(int First, int Last)
{
    // The states before First must be right, as highlightBlock starts from them.
    ScanStatesUpTo(First);
    const QTextBlock Start = FDocument->findBlockByNumber(First);
    if (!Start.isValid())
        return;
    // rehighlightBlock goes on to the next block for as long as a block's end
    // state changes. Every block up to Last is made stale, so that it runs
    // through them in one call; Last's state is held back, so that it stops.
    QTextBlock End = Start;
    for (int Number = First;; End = End.next(), ++Number) {
        End.setUserState(Stale);
        if (Number == Last || !End.next().isValid())
            break;
    }
    FStopAt = End.blockNumber();
    FFormatting = true;
    rehighlightBlock(Start);
    FFormatting = false;
    FStopAt = -1;
    End.setUserState(FStopState);
    FStatesKnown = std::max(FStatesKnown, End.blockNumber() + 1);
}

void TObjectHighlighter::BuildFormats(const QPalette& Palette)
{
    const QColor Base = Palette.color(QPalette::Base);
    const QColor Text = Palette.color(QPalette::Text);
    const QColor Link = Palette.color(QPalette::Link);
    const QColor Placeholder = Opaque(Palette.color(QPalette::PlaceholderText), Base);
    const auto Readable_ = [&](const QColor& Color, double MinContrast) {
        return Readable(Color, Base, Text, MinContrast);
    };

    struct TStyle {
        TCategory Category;
        QColor Color;
        bool Bold;
        bool Italic;
    };
    const TStyle Styles[] = {
        {TCategory::Section, Readable_(Mix(Text, Palette.color(QPalette::Highlight), 0.5), 4.5), true, false},
        {TCategory::Property, Readable_(TurnHue(Link, -60), 4.5), false, false},
        {TCategory::Cell, Readable_(Mix(Text, Palette.color(QPalette::Highlight), 0.5), 4.5), false, false},
        {TCategory::Keyword, Readable_(Link, 4.5), true, false},
        {TCategory::String, Readable_(TurnHue(Link, 130), 4.5), false, false},
        {TCategory::Name, Readable_(Mix(Text, Palette.color(QPalette::LinkVisited), 0.45), 4.5), false, false},
        {TCategory::Number, Readable_(TurnHue(Link, -120), 4.5), false, false},
        {TCategory::Date, Readable_(TurnHue(Link, -120), 4.5), false, true},
        {TCategory::Comment, Readable_(Placeholder, 3.0), false, true},
        // Dimmer than a comment, yet legible.
        {TCategory::Layout, Readable_(Mix(Placeholder, Base, 0.35), 1.8), false, false},
    };
    for (QTextCharFormat& Format : FFormats)
        Format = QTextCharFormat();
    for (const TStyle& Style : Styles) {
        QTextCharFormat& Format = FFormats[std::size_t(Style.Category)];
        Format.setForeground(Style.Color);
        if (Style.Bold)
            Format.setFontWeight(QFont::Bold);
        if (Style.Italic)
            Format.setFontItalic(true);
        Format.setProperty(CategoryProperty, int(Style.Category));
    }
}
