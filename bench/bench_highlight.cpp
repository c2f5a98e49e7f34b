// bench_highlight: the largest object shown with syntax colours, against
// without, and its outline.
//
//   bench_highlight [SIZE_MB] [RUNS]
//
// Runs offscreen. Builds a codeunit of SIZE_MB MiB (default 2, some 49,000
// lines: triggers, procedures, strings, names, dates, both kinds of comment)
// and times, best of RUNS each:
//   first paint   a text shown in a text view until its first paint
//                 has finished, without and with a highlighter (target: at
//                 most 1.3 times without);
//   running       ten objects shown one after another as the arrow keys run
//                 through a tree (each painted, the event loop turned once),
//                 without and with;
//   idle pass     with the highlighter, from the text's arrival until every
//                 block is highlighted (not a target: it runs in slices);
//   outline       TObjectOutline over the object's bytes (target: well under
//                 50 ms).
// and the heap the colours of the whole object take once the idle pass is done.
#include "core/objectoutline.h"
#include "ui/views/objecthighlighter.h"
#include "ui/views/textviewmap.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>

namespace {

// Bytes the heap has handed out and not taken back.
long long HeapInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 Info = mallinfo2();
    return static_cast<long long>(Info.uordblks + Info.hblkhd);
#else
    return 0;
#endif
}

// A small fixed generator, the same text on every machine.
class TRandom {
public:
    explicit TRandom(std::uint64_t Seed) : FState(Seed) {}
    std::uint32_t Below(std::uint32_t N)
    {
        FState = FState * 6364136223846793005ull + 1442695040888963407ull;
        return std::uint32_t((FState >> 33) % N);
    }
    template <typename T, std::size_t N>
    const T& Pick(const T (&Items)[N]) { return Items[Below(N)]; }

private:
    std::uint64_t FState;
};

const char* const Records[] = {"SalesHeader", "SalesLine", "Cust", "Item", "GLEntry", "TempBuffer", "CustLedgEntry"};
const char* const Fields[] = {"\"No.\"", "\"Document No.\"", "Amount", "\"Amount (LCY)\"", "\"Posting Date\"",
                              "Quantity", "\"Unit Price\"", "\"Currency Code\"", "Description", "\"Due Date\""};
const char* const Vars[] = {"TotalAmount", "LineCount", "NextLineNo", "RemQty", "Found", "DocNo", "i"};
const char* const Verbs[] = {"Post", "Check", "Calc", "Update", "Get", "Insert", "Validate", "Copy", "Apply"};
const char* const Nouns[] = {"Line", "Header", "Entry", "Amount", "Buffer", "Totals", "Discount", "Ledger"};

void Statement(std::string& Out, TRandom& Random, int Indent, int Depth)
{
    const std::string Pad(std::size_t(Indent), ' ');
    const std::string Rec = Random.Pick(Records), Var = Random.Pick(Vars), Field = Random.Pick(Fields);
    switch (Random.Below(Depth < 3 ? 12 : 8)) {
    case 0: Out += Pad + Rec + ".SETRANGE(" + Field + "," + Var + ");\r\n"; break;
    case 1: Out += Pad + Var + " := " + Var + " + " + Rec + "." + Field + ";\r\n"; break;
    case 2: Out += Pad + "ERROR(Text001,'" + Rec + " ''{x}'' // not a comment'," + Rec + ".FIELDCAPTION(" + Field + "));\r\n"; break;
    case 3: Out += Pad + "// " + Random.Pick(Verbs) + " the " + Random.Pick(Nouns) + " first: keep the order { stable }\r\n"; break;
    case 4: Out += Pad + "IF " + Rec + ".\"Posting Date\" < 010199D THEN\r\n" + Pad + "  " + Rec + ".\"Posting Date\" := 0D;\r\n"; break;
    case 5: Out += Pad + Var + " := ROUND(" + Var + " * 1.25 / 100,0.01);\r\n"; break;
    case 6: Out += Pad + "{ " + Random.Pick(Verbs) + " " + Random.Pick(Nouns) + " was here;\r\n" + Pad + "  kept as it was }\r\n"; break;
    case 7: Out += Pad + Random.Pick(Verbs) + Random.Pick(Nouns) + "(" + Rec + ");\r\n"; break;
    case 8: case 9:
        Out += Pad + "IF " + Rec + "." + Field + " <> '' THEN BEGIN\r\n";
        for (int I = int(Random.Below(4)) + 1; I > 0; --I)
            Statement(Out, Random, Indent + 2, Depth + 1);
        Out += Pad + "END ELSE\r\n";
        Statement(Out, Random, Indent + 2, Depth + 1);
        break;
    case 10:
        Out += Pad + "IF " + Rec + ".FIND('-') THEN\r\n" + Pad + "  REPEAT\r\n";
        for (int I = int(Random.Below(4)) + 1; I > 0; --I)
            Statement(Out, Random, Indent + 4, Depth + 1);
        Out += Pad + "  UNTIL " + Rec + ".NEXT = 0;\r\n";
        break;
    default:
        Out += Pad + "CASE " + Rec + ".\"Document Type\" OF\r\n";
        Out += Pad + "  " + Rec + ".\"Document Type\"::Order:\r\n";
        Statement(Out, Random, Indent + 4, Depth + 1);
        Out += Pad + "  " + Rec + ".\"Document Type\"::\"Credit Memo\":\r\n";
        Statement(Out, Random, Indent + 4, Depth + 1);
        Out += Pad + "END;\r\n";
        break;
    }
}

std::string Codeunit(std::size_t Bytes, std::uint64_t Seed)
{
    TRandom Random(Seed);
    std::string Text = "OBJECT Codeunit " + std::to_string(80 + Seed) + " Sales-Post\r\n{\r\n"
                       "  OBJECT-PROPERTIES\r\n  {\r\n    Date=14.03.11;\r\n    Time=10:02:55;\r\n"
                       "    Version List=ORV6.00.01;\r\n  }\r\n  PROPERTIES\r\n  {\r\n    TableNo=36;\r\n"
                       "    Permissions=TableData 37=imd,\r\n                TableData 112=imd;\r\n"
                       "    OnRun=BEGIN\r\n";
    for (int I = 0; I < 12; ++I)
        Statement(Text, Random, 12, 0);
    Text += "          END;\r\n\r\n  }\r\n  CODE\r\n  {\r\n    VAR\r\n";
    for (int I = 0; I < 20; ++I)
        Text += "      Text" + std::to_string(100 + I) + "@" + std::to_string(1000 + I) +
                " : TextConst 'DEU=Bitte geben Sie \"%1\" ein.;ENU=Please enter \"%1\".';\r\n";
    for (int Procedure = 1; Text.size() + 200 < Bytes; ++Procedure) {
        Text += std::string("\r\n    ") + (Random.Below(3) == 0 ? "LOCAL " : "") + "PROCEDURE " + Random.Pick(Verbs) +
                Random.Pick(Nouns) + "@" + std::to_string(Procedure) + "(VAR " + Random.Pick(Records) +
                "@1000 : Record 36;Amount@1001 : Decimal) : Boolean;\r\n    VAR\r\n      Found@1002 : Boolean;\r\n    BEGIN\r\n";
        for (int I = int(Random.Below(12)) + 3; I > 0; --I)
            Statement(Text, Random, 6, 0);
        Text += "    END;\r\n";
    }
    Text += "\r\n    BEGIN\r\n    {\r\n      ORV6.00.01 2011-03-14 KH: generated\r\n    }\r\n    END.\r\n  }\r\n}\r\n";
    return Text;
}

// A plain text view set up as the viewer's (read-only, wrapping at words,
// tab stops of eight), its highlighting left to the benchmark, saying when it
// has painted. Texts arrive as the viewer's do: decoded, line breaks folded.
class TProbeView : public QPlainTextEdit {
public:
    bool Painted = false;

    TProbeView()
    {
        setReadOnly(true);
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        setUndoRedoEnabled(false);
        setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * 8);
    }
    void SetObjectText(const std::string& Bytes) { setPlainText(ToViewText(Bytes).Text); }

protected:
    void paintEvent(QPaintEvent* Event) override
    {
        QPlainTextEdit::paintEvent(Event);
        Painted = true;
    }
};

void WaitForPaint(TProbeView& View)
{
    while (!View.Painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ShowOther(TProbeView& View)
{
    View.Painted = false;
    View.SetObjectText("OBJECT Codeunit 1 Other\r\n{\r\n}\r\n");
    WaitForPaint(View);
}

// Milliseconds from a text's arrival until the first paint has finished.
double FirstPaint(TProbeView& View, const std::string& Text)
{
    ShowOther(View);
    QElapsedTimer Clock;
    Clock.start();
    View.Painted = false;
    View.SetObjectText(Text);
    WaitForPaint(View);
    return Clock.nsecsElapsed() / 1e6;
}

// Milliseconds for Texts shown one after another, each painted.
double Running(TProbeView& View, const std::string (&Texts)[10])
{
    ShowOther(View);
    QElapsedTimer Clock;
    Clock.start();
    for (const std::string& Text : Texts) {
        View.Painted = false;
        View.SetObjectText(Text);
        WaitForPaint(View);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return Clock.nsecsElapsed() / 1e6;
}

// Milliseconds from a text's arrival until every block is highlighted.
double IdlePass(TProbeView& View, TObjectHighlighter& Highlighter, const std::string& Text)
{
    ShowOther(View);
    QElapsedTimer Clock;
    Clock.start();
    View.SetObjectText(Text);
    while (!Highlighter.IsComplete())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return Clock.nsecsElapsed() / 1e6;
}

double Outline(const std::string& Text, int Runs, std::size_t& Entries)
{
    double Best = 1e30;
    for (int Run = 0; Run < Runs; ++Run) {
        QElapsedTimer Clock;
        Clock.start();
        const TObjectOutline Outline(Text);
        Best = std::min(Best, Clock.nsecsElapsed() / 1e6);
        Entries = Outline.Entries().size();
    }
    return Best;
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication Application(argc, argv);
    const double SizeMb = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int Runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const auto Bytes = static_cast<std::size_t>(SizeMb * 1024 * 1024);
    std::string Texts[10];
    for (int I = 0; I < 10; ++I)
        Texts[I] = Codeunit(Bytes, std::uint64_t(I + 1));
    const std::string& Text = Texts[0];

    // Both views side by side, timed in turns, so that whatever else the
    // machine does weighs on both alike.
    TProbeView Plain, Coloured;
    for (TProbeView* View : {&Plain, &Coloured}) {
        View->resize(1000, 800);
        View->show();
    }
    auto* Highlighter = new TObjectHighlighter(Coloured.document(), Coloured.palette());
    double PlainPaint = 1e30, ColourPaint = 1e30, PlainRunning = 1e30, ColourRunning = 1e30, Pass = 1e30;
    for (int Run = 0; Run < Runs; ++Run) {
        PlainPaint = std::min(PlainPaint, FirstPaint(Plain, Text));
        ColourPaint = std::min(ColourPaint, FirstPaint(Coloured, Text));
    }
    for (int Run = 0; Run < std::max(1, Runs / 3); ++Run) {
        PlainRunning = std::min(PlainRunning, Running(Plain, Texts));
        ColourRunning = std::min(ColourRunning, Running(Coloured, Texts));
        Pass = std::min(Pass, IdlePass(Coloured, *Highlighter, Text));
    }
    // The heap the whole object's colours take, beyond its first screen's.
    FirstPaint(Coloured, Text);
    const long long Before = HeapInUse();
    while (!Highlighter->IsComplete())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    const long long ColourHeap = HeapInUse() - Before;

    std::size_t Entries = 0;
    const double OutlineMs = Outline(Text, Runs, Entries);

    std::printf("object: %zu bytes, %d lines\n", Text.size(), Coloured.document()->blockCount());
    std::printf("first paint, plain        %8.1f ms (best of %d)\n", PlainPaint, Runs);
    std::printf("first paint, highlighted  %8.1f ms  ratio %.2f (target <= 1.3)\n", ColourPaint, ColourPaint / PlainPaint);
    std::printf("ten objects, plain        %8.1f ms\n", PlainRunning);
    std::printf("ten objects, highlighted  %8.1f ms  ratio %.2f\n", ColourRunning, ColourRunning / PlainRunning);
    std::printf("idle pass to the end      %8.1f ms (in slices, from the text's arrival)\n", Pass);
    std::printf("heap for the colours      %8.1f MiB (whole object highlighted)\n",
                double(ColourHeap) / (1024.0 * 1024.0));
    std::printf("outline                   %8.1f ms, %zu entries (target well under 50)\n", OutlineMs, Entries);
    return 0;
}
