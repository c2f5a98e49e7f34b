#include "ui/compare/comparetext.h"

#include "core/compare.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextDocumentLayout>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// A line's bytes without its break, decoded; a lone CR inside it shows as a
// symbol, so that the line stays one line of the view.
TViewText DecodeLine(std::string_view Line, TDisplayEncoding Encoding)
{
    if (!Line.empty() && Line.back() == '\n')
        Line.remove_suffix(1);
    if (!Line.empty() && Line.back() == '\r')
        Line.remove_suffix(1);
    TViewText View = ToViewText(Line, Encoding);
    View.Text.replace(QLatin1Char('\n'), QChar(0x240D));
    return View;
}

class TLayoutBuilder {
public:
    TLayoutBuilder(const TTextDiff& Diff, TDisplayEncoding OldEncoding, TDisplayEncoding NewEncoding, bool Unified)
        : FDiff(Diff), FOldEncoding(OldEncoding), FNewEncoding(NewEncoding), FUnified(Unified)
    {
    }

    TSideBySide Build()
    {
        const TEditScript& Script = FDiff.Script();
        for (std::size_t Run = 0; Run < Script.size(); ++Run) {
            const TDiffRun& R = Script[Run];
            if (R.Op == TDiffOp::Equal) {
                for (std::int32_t I = 0; I < R.Count; ++I) {
                    Add(FOut.Old, DecodeLine(FDiff.OldLine(R.OldLine + I), FOldEncoding), TSideLine::Same);
                    if (!FUnified)
                        Add(FOut.New, DecodeLine(FDiff.NewLine(R.NewLine + I), FNewEncoding), TSideLine::Same);
                }
                continue;
            }
            FOut.Hunks.push_back(std::int32_t(FOut.Old.Lines.size()));
            if (R.Op == TDiffOp::Delete && Run + 1 < Script.size() && Script[Run + 1].Op == TDiffOp::Insert) {
                if (FUnified)
                    ReplaceInOne(R, Script[Run + 1]);
                else
                    Replace(R, Script[Run + 1]);
                ++Run;
            } else if (R.Op == TDiffOp::Delete) {
                for (std::int32_t I = 0; I < R.Count; ++I) {
                    Add(FOut.Old, DecodeLine(FDiff.OldLine(R.OldLine + I), FOldEncoding), TSideLine::Deleted);
                    if (!FUnified)
                        Add(FOut.New, {}, TSideLine::Filler);
                }
            } else {
                for (std::int32_t I = 0; I < R.Count; ++I) {
                    if (!FUnified)
                        Add(FOut.Old, {}, TSideLine::Filler);
                    Add(FUnified ? FOut.Old : FOut.New, DecodeLine(FDiff.NewLine(R.NewLine + I), FNewEncoding),
                        TSideLine::Inserted);
                }
            }
        }
        return std::move(FOut);
    }

private:
    // The deleted lines paired with the inserted ones, first with first; the
    // longer run's rest faces filler lines.
    void Replace(const TDiffRun& Deleted, const TDiffRun& Inserted)
    {
        const std::int32_t Count = std::max(Deleted.Count, Inserted.Count);
        for (std::int32_t I = 0; I < Count; ++I) {
            const bool HasOld = I < Deleted.Count, HasNew = I < Inserted.Count;
            const std::int32_t Line = std::int32_t(FOut.Old.Lines.size());
            TViewText Old, New;
            if (HasOld)
                Old = DecodeLine(FDiff.OldLine(Deleted.OldLine + I), FOldEncoding);
            if (HasNew)
                New = DecodeLine(FDiff.NewLine(Inserted.NewLine + I), FNewEncoding);
            if (HasOld && HasNew) {
                const TWordMarks Marks = FDiff.WordMarks(Deleted.OldLine + I, Inserted.NewLine + I);
                AddMarks(FOut.Old, Line, Old.Map, Marks.Old);
                AddMarks(FOut.New, Line, New.Map, Marks.New);
            }
            Add(FOut.Old, Old, !HasOld ? TSideLine::Filler : HasNew ? TSideLine::Replaced : TSideLine::Deleted);
            Add(FOut.New, New, !HasNew ? TSideLine::Filler : HasOld ? TSideLine::Replaced : TSideLine::Inserted);
        }
    }

    // One text: the deleted lines, then the inserted ones, words marked in
    // each pair as side by side.
    void ReplaceInOne(const TDiffRun& Deleted, const TDiffRun& Inserted)
    {
        const std::int32_t First = std::int32_t(FOut.Old.Lines.size());
        std::vector<TViewText> Old(std::size_t(Deleted.Count)), New(std::size_t(Inserted.Count));
        for (std::int32_t I = 0; I < Deleted.Count; ++I)
            Old[std::size_t(I)] = DecodeLine(FDiff.OldLine(Deleted.OldLine + I), FOldEncoding);
        for (std::int32_t I = 0; I < Inserted.Count; ++I)
            New[std::size_t(I)] = DecodeLine(FDiff.NewLine(Inserted.NewLine + I), FNewEncoding);
        for (std::int32_t I = 0; I < std::min(Deleted.Count, Inserted.Count); ++I) {
            const TWordMarks Marks = FDiff.WordMarks(Deleted.OldLine + I, Inserted.NewLine + I);
            AddMarks(FOut.Old, First + I, Old[std::size_t(I)].Map, Marks.Old);
            AddMarks(FOut.Old, First + Deleted.Count + I, New[std::size_t(I)].Map, Marks.New);
        }
        for (const TViewText& Line : Old)
            Add(FOut.Old, Line, TSideLine::Deleted);
        for (const TViewText& Line : New)
            Add(FOut.Old, Line, TSideLine::Inserted);
    }

    void AddMarks(TSideBySide::TSide& Side, std::int32_t Line, const TTextViewMap& Map,
                  const std::vector<TTextSpan>& Spans) const
    {
        const std::int32_t Shift = FUnified ? 1 : 0; // past the line's marker
        for (const TTextSpan& Span : Spans) {
            const std::int32_t Start = Map.ViewFromByte(Span.Start);
            const std::int32_t End = Map.ViewFromByte(Span.Start + Span.Length, TTextViewMap::TRounding::Up);
            if (End > Start)
                Side.Marks.push_back({Line, Start + Shift, End - Start});
        }
    }

    // In one text every line starts with its marker, as in a patch, so that
    // it reads without colour and copies as one.
    void Add(TSideBySide::TSide& Side, const TViewText& Line, TSideLine Kind) const
    {
        if (!Side.Lines.empty())
            Side.Text += QLatin1Char('\n');
        if (FUnified)
            Side.Text += Kind == TSideLine::Deleted ? QLatin1Char('-')
                         : Kind == TSideLine::Inserted ? QLatin1Char('+')
                                                       : QLatin1Char(' ');
        Side.Text += Line.Text;
        Side.Lines.push_back(Kind);
    }

    const TTextDiff& FDiff;
    TDisplayEncoding FOldEncoding, FNewEncoding;
    bool FUnified;
    TSideBySide FOut;
};

QColor Blend(const QColor& A, const QColor& B, double Amount)
{
    return QColor::fromRgbF(float(A.redF() + (B.redF() - A.redF()) * Amount),
                            float(A.greenF() + (B.greenF() - A.greenF()) * Amount),
                            float(A.blueF() + (B.blueF() - A.blueF()) * Amount));
}

QPlainTextEdit* MakeSide(QWidget* Parent, const char* Name)
{
    auto* View = new QPlainTextEdit(Parent);
    View->setObjectName(QString::fromLatin1(Name));
    View->setReadOnly(true);
    View->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    // Lines must stay lines for the two sides to line up.
    View->setLineWrapMode(QPlainTextEdit::NoWrap);
    View->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return View;
}

} // namespace

bool OnlyLineBreaksDiffer(std::string_view Old, std::string_view New)
{
    if (Old == New)
        return false;
    const auto NextLine = [](std::string_view& Text) {
        const std::size_t Break = Text.find('\n');
        std::string_view Line = Text.substr(0, Break);
        Text.remove_prefix(Break == std::string_view::npos ? Text.size() : Break + 1);
        if (Break != std::string_view::npos && !Line.empty() && Line.back() == '\r')
            Line.remove_suffix(1);
        return Line;
    };
    while (!Old.empty() && !New.empty())
        if (NextLine(Old) != NextLine(New))
            return false;
    return Old.empty() && New.empty();
}

QString LineBreakCounts(std::string_view Text)
{
    qsizetype CrLf = 0, Lf = 0;
    for (std::size_t At = Text.find('\n'); At != std::string_view::npos; At = Text.find('\n', At + 1))
        ++(At > 0 && Text[At - 1] == '\r' ? CrLf : Lf);
    QStringList Parts;
    if (CrLf > 0)
        Parts << QCoreApplication::translate("TCompareText", "%1 CR LF").arg(CrLf);
    if (Lf > 0)
        Parts << QCoreApplication::translate("TCompareText", "%1 LF").arg(Lf);
    return Parts.isEmpty() ? QCoreApplication::translate("TCompareText", "none") : Parts.join(QStringLiteral(", "));
}

TSideBySide LayOutSideBySide(const TTextDiff& Diff, TDisplayEncoding OldEncoding, TDisplayEncoding NewEncoding)
{
    return TLayoutBuilder(Diff, OldEncoding, NewEncoding, false).Build();
}

TSideBySide LayOutUnified(const TTextDiff& Diff, TDisplayEncoding OldEncoding, TDisplayEncoding NewEncoding)
{
    return TLayoutBuilder(Diff, OldEncoding, NewEncoding, true).Build();
}

TCompareText::TCompareText(QWidget* Parent)
    : QWidget(Parent),
      FNotice(new QLabel(this)),
      FOld(MakeSide(this, "memOld")),
      FNew(MakeSide(this, "memNew")),
      FLastUsed(FOld)
{
    FNotice->setObjectName(QStringLiteral("lblCompareNotice"));
    FNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FNotice->hide();
    auto* Sides = new QHBoxLayout;
    Sides->addWidget(FOld);
    Sides->addWidget(FNew);
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(FNotice);
    Layout->addLayout(Sides, 1);
    Follow(*FOld, *FNew);
    Follow(*FNew, *FOld);
}

void TCompareText::Follow(QPlainTextEdit& From, QPlainTextEdit& To)
{
    const auto Sync = [this](QScrollBar* Target) {
        return [this, Target](int Value) {
            if (FSyncing)
                return;
            FSyncing = true;
            Target->setValue(Value);
            FSyncing = false;
        };
    };
    connect(From.verticalScrollBar(), &QScrollBar::valueChanged, this, Sync(To.verticalScrollBar()));
    connect(From.horizontalScrollBar(), &QScrollBar::valueChanged, this, Sync(To.horizontalScrollBar()));
    connect(&From, &QPlainTextEdit::cursorPositionChanged, this, [this, &From] {
        if (!FSyncing)
            FLastUsed = &From;
    });
}

void TCompareText::ShowDiff(TTextDiff Diff, TDisplayEncoding OldEncoding, TDisplayEncoding NewEncoding, bool HasOld,
                            bool HasNew)
{
    FDiff = std::move(Diff);
    FOldEncoding = OldEncoding;
    FNewEncoding = NewEncoding;
    FHasOld = HasOld;
    FHasNew = HasNew;
    Lay();
}

void TCompareText::SetUnified(bool Unified)
{
    if (FUnified == Unified)
        return;
    FUnified = Unified;
    if (FHasOld || FHasNew)
        Lay();
}

void TCompareText::Lay()
{
    const bool Both = FHasOld && FHasNew;
    const bool InOne = Both && FUnified;
    FSyncing = true;
    FLayout = InOne ? LayOutUnified(FDiff, FOldEncoding, FNewEncoding)
                    : LayOutSideBySide(FDiff, FOldEncoding, FNewEncoding);
    // An object only one file has is its one text, unmarked.
    if (!Both) {
        TSideBySide::TSide& Side = FHasOld ? FLayout.Old : FLayout.New;
        std::fill(Side.Lines.begin(), Side.Lines.end(), TSideLine::Same);
        FLayout.Hunks.clear();
    }
    // Both sides would read alike, every line marked and no word in it.
    if (Both && FDiff.Differs() && OnlyLineBreaksDiffer(FDiff.OldText(), FDiff.NewText())) {
        FNotice->setText(tr("Only line breaks differ: %1 in the old version, %2 in the new one.")
                             .arg(LineBreakCounts(FDiff.OldText()), LineBreakCounts(FDiff.NewText())));
        FNotice->show();
    } else {
        FNotice->hide();
    }
    FOld->setVisible(FHasOld);
    FNew->setVisible(FHasNew && !InOne);
    SetText(*FOld, FLayout.Old.Text);
    SetText(*FNew, FLayout.New.Text);
    Paint(*FOld, FLayout.Old);
    Paint(*FNew, FLayout.New);
    FLastUsed = FHasOld ? FOld : FNew;
    FSyncing = false;
    if (!FLayout.Hunks.empty())
        GoToLine(FLayout.Hunks.front());
}

// A new document for every text: refilling the old one would move every
// cursor of the old marks on each line inserted, which grows with the square
// of a big object's changes.
void TCompareText::SetText(QPlainTextEdit& View, const QString& Text)
{
    // Ours, so that the view never deletes them; the one the view started
    // with stays the view's.
    QPointer<QTextDocument> Old = View.document();
    auto* Document = new QTextDocument(this);
    Document->setDocumentLayout(new QPlainTextDocumentLayout(Document));
    Document->setDefaultFont(View.font());
    Document->setPlainText(Text);
    View.setExtraSelections({});
    View.setDocument(Document);
    if (Old && Old->parent() == this)
        delete Old.data();
}

void TCompareText::Clear()
{
    FLayout = {};
    FDiff = {};
    FHasOld = FHasNew = false;
    FNotice->hide();
    SetText(*FOld, {});
    SetText(*FNew, {});
}

void TCompareText::Paint(QPlainTextEdit& View, const TSideBySide::TSide& Side)
{
    const QPalette Colours = View.palette();
    const QColor Base = Colours.color(QPalette::Base);
    const QColor Highlight = Colours.color(QPalette::Highlight);
    const auto LineColour = [&](TSideLine Kind) {
        switch (Kind) {
        case TSideLine::Deleted:
            return Blend(Base, QColor(Qt::red), 0.18);
        case TSideLine::Inserted:
            return Blend(Base, QColor(Qt::green), 0.18);
        case TSideLine::Replaced:
            return Blend(Base, Highlight, 0.2);
        case TSideLine::Filler:
            return Colours.color(QPalette::Window);
        case TSideLine::Same:
            break;
        }
        return Base;
    };
    QList<QTextEdit::ExtraSelection> Selections;
    QTextDocument& Document = *View.document();
    // One selection per run of lines of a kind: the view lays out the block
    // of every selection it is given, so a mark per line would be slow on a
    // big object that changed throughout.
    for (std::size_t Line = 0; Line < Side.Lines.size();) {
        const TSideLine Kind = Side.Lines[Line];
        std::size_t End = Line + 1;
        while (End < Side.Lines.size() && Side.Lines[End] == Kind)
            ++End;
        const std::size_t First = std::exchange(Line, End);
        if (Kind == TSideLine::Same)
            continue;
        QTextEdit::ExtraSelection Selection;
        Selection.cursor = QTextCursor(Document.findBlockByNumber(int(First)));
        Selection.format.setBackground(LineColour(Kind));
        Selection.format.setProperty(QTextFormat::FullWidthSelection, true);
        const QTextBlock Last = Document.findBlockByNumber(int(End - 1));
        if (End - First > 1) {
            // To the start of the next line, so that the last one is painted
            // even when empty; the text's last line has no next one.
            const int Stop = Last.position() + Last.length();
            Selection.cursor.setPosition(std::min(Stop, Document.characterCount() - 1), QTextCursor::KeepAnchor);
            if (!Last.next().isValid()) {
                Selections << Selection;
                Selection.cursor = QTextCursor(Last);
            }
        }
        Selections << Selection;
    }
    const QColor WordColour = Blend(Base, Highlight, 0.55);
    for (const TSideBySide::TMark& Mark : Side.Marks) {
        const QTextBlock Block = Document.findBlockByNumber(Mark.Line);
        QTextEdit::ExtraSelection Selection;
        Selection.cursor = QTextCursor(Block);
        Selection.cursor.setPosition(Block.position() + Mark.Start);
        Selection.cursor.setPosition(Block.position() + Mark.Start + Mark.Length, QTextCursor::KeepAnchor);
        Selection.format.setBackground(WordColour);
        Selections << Selection;
    }
    View.setExtraSelections(Selections);
}

int TCompareText::CurrentLine() const
{
    return FLastUsed->textCursor().blockNumber();
}

void TCompareText::GoToLine(int Line)
{
    FSyncing = true;
    for (QPlainTextEdit* View : {FOld, FNew}) {
        View->setTextCursor(QTextCursor(View->document()->findBlockByNumber(Line)));
        View->centerCursor();
    }
    FSyncing = false;
}

bool TCompareText::NextDifference()
{
    const int Line = CurrentLine();
    const auto Next = std::upper_bound(FLayout.Hunks.begin(), FLayout.Hunks.end(), Line);
    if (Next == FLayout.Hunks.end())
        return false;
    GoToLine(*Next);
    return true;
}

void TCompareText::LastDifference()
{
    if (!FLayout.Hunks.empty())
        GoToLine(FLayout.Hunks.back());
}

bool TCompareText::PreviousDifference()
{
    const int Line = CurrentLine();
    const auto Next = std::lower_bound(FLayout.Hunks.begin(), FLayout.Hunks.end(), Line);
    if (Next == FLayout.Hunks.begin())
        return false;
    GoToLine(*std::prev(Next));
    return true;
}
