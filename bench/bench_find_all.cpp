// bench_find_all: Edit > Find All in the window, offscreen, over a big file.
//
//   bench_find_all FILE [NOWHERE_TEXT] [COMMON_TEXT] [RUNS]
//   bench_find_all --memory FILE [LETTER] [FIND_MORE_PRESSES]
//   bench_find_all --rows FILE TEXT [LIMIT]
//
// Nowhere: a text that occurs nowhere (default "Zyxwvut Qqqq"), match case, so
// the search reads every object; each run times the command until the search
// has ended, and `grep -c TEXT FILE` (its output through a pipe) in turn with
// it. Target: Find All at most 1.2 x grep.
// Common: a word of the generated text with about 100,000 occurrences (default
// "Integer", match case); each run times the command until the first rows are
// painted (target: at most 100 ms) and until the end, and keeps the longest
// time the GUI thread went without an event loop pass, measured by a 1 ms
// timer. Prints the best and the median of RUNS (default 7) for each.
//
// --memory: one search for a letter that is everywhere (default "e", any
// case), then Find More pressed FIND_MORE_PRESSES times (default 9: a
// million rows), and the memory the process holds: after the load, at its
// peak after the search and after the presses, once a search that finds
// nothing has replaced it and once the file is closed; with the times, the
// rows and the longest event loop gap. One measurement per process, so the
// peaks are its own.
//
// --rows: see PrintRows.
#include "ui/find/findall.h"
#include "ui/window/mainform.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct TStats {
    double Best, Median, Worst;
};

TStats Stats(std::vector<double> Times)
{
    std::sort(Times.begin(), Times.end());
    return {Times.front(), Times[Times.size() / 2], Times.back()};
}

void Report(const char* What, const std::vector<double>& Times)
{
    const TStats S = Stats(Times);
    std::printf("%-30s best %8.1f ms   median %8.1f ms\n", What, S.Best, S.Median);
}

double Ms(const QElapsedTimer& Timer)
{
    return double(Timer.nsecsElapsed()) / 1e6;
}

// Records when the results' viewport first paints rows.
class TFirstPaint : public QObject {
public:
    TFirstPaint(QTreeView& View, const QElapsedTimer& Clock) : FView(View), FClock(Clock)
    {
        View.viewport()->installEventFilter(this);
    }
    void Reset() { At = -1; }
    double At = -1;

protected:
    bool eventFilter(QObject*, QEvent* Event) override
    {
        if (Event->type() == QEvent::Paint && At < 0 && FView.model()->rowCount() > 0)
            At = Ms(FClock);
        return false;
    }

private:
    QTreeView& FView;
    const QElapsedTimer& FClock;
};

// The longest interval between two passes of the event loop while it runs.
class TLoopGaps : public QObject {
public:
    TLoopGaps()
    {
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setInterval(1);
        connect(&FTimer, &QTimer::timeout, this, [this] {
            Longest = std::max(Longest, Ms(FSince));
            FSince.start();
        });
    }
    void Start()
    {
        Longest = 0;
        FSince.start();
        FTimer.start();
    }
    void Stop()
    {
        Longest = std::max(Longest, Ms(FSince));
        FTimer.stop();
    }
    double Longest = 0;

private:
    QTimer FTimer;
    QElapsedTimer FSince;
};

// A field of /proc/self/status in MiB ("VmRSS": now, "VmHWM": the peak);
// -1 where there is none.
double ProcessMemory(const char* Field)
{
    QFile Status(QStringLiteral("/proc/self/status"));
    if (!Status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray Prefix = QByteArray(Field) + ':';
    for (const QByteArray& Line : Status.readAll().split('\n'))
        if (Line.startsWith(Prefix))
            return Line.mid(Prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

// Runs Edit > Find All and lets the event loop run until the search ends.
void RunFindAll(TfrmMain& Window, TFindAllPanel& Panel, const QString& Text, bool MatchCase = true)
{
    Window.SetFindText(Text.toStdString());
    Window.SetFindMatchCase(MatchCase);
    Window.findChild<QAction*>(QStringLiteral("actEditFindAll"))->trigger();
    while (Panel.Running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double TimeGrep(const QString& Text, const QString& FileName)
{
    QProcess Grep;
    QElapsedTimer Timer;
    Timer.start();
    Grep.start(QStringLiteral("grep"), {QStringLiteral("-c"), Text, FileName});
    if (!Grep.waitForFinished(-1) || Grep.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "grep did not run\n");
        std::exit(2);
    }
    Grep.readAllStandardOutput();
    return Ms(Timer);
}

// Find More pressed, and the event loop run until that search ends.
void RunFindMore(TFindAllPanel& Panel)
{
    Panel.FindMore();
    while (Panel.Running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// --memory: see the top of the file.
int MeasureMemory(TfrmMain& Window, TFindAllPanel& Panel, const QString& Letter, int More)
{
    const double Loaded = ProcessMemory("VmRSS");
    TLoopGaps Loop;
    QElapsedTimer Clock;
    Loop.Start();
    Clock.start();
    RunFindAll(Window, Panel, Letter, false);
    const double Took = Ms(Clock);
    const int Rows = Panel.Results().HitCount();
    const int Objects = Panel.Results().ObjectCount();
    const QString Title = Panel.windowTitle();
    const double Peak = ProcessMemory("VmHWM");
    Clock.start();
    int Presses = 0;
    for (; Presses < More && Panel.CanFindMore(); ++Presses)
        RunFindMore(Panel);
    const double MoreTook = Ms(Clock);
    Loop.Stop();
    const int MoreRows = Panel.Results().HitCount();
    const double MorePeak = ProcessMemory("VmHWM");
    RunFindAll(Window, Panel, QStringLiteral("Zyxwvut Qqqq"));
    // What an event loop that runs exec() deletes on its next pass.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const double Replaced = ProcessMemory("VmRSS");
    Window.actFileCloseExecute();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const double Closed = ProcessMemory("VmRSS");
    std::printf("\n\"%s\", any case: %d occurrences in %d objects, \"%s\"\n", qPrintable(Letter), Rows, Objects,
                qPrintable(Title));
    std::printf("%-30s %8.1f ms\n", "search ended", Took);
    std::printf("%-30s %8.1f MiB\n", "resident after the load", Loaded);
    std::printf("%-30s %8.1f MiB   (target: well under 100 MiB)\n", "peak resident", Peak);
    std::printf("Find More pressed %d times: %d occurrences, %.1f ms\n", Presses, MoreRows, MoreTook);
    std::printf("%-30s %8.1f MiB\n", "peak resident", MorePeak);
    std::printf("%-30s %8.1f ms\n", "longest event loop gap", Loop.Longest);
    std::printf("%-30s %8.1f MiB\n", "resident, search replaced", Replaced);
    std::printf("%-30s %8.1f MiB\n", "resident, file closed", Closed);
    return 0;
}

// --rows: every row of TEXT (any case), Find More pressed until the search
// ends (LIMIT: occurrences a search shows, default the panel's), one line
// each: object index, 1-based position (as `orvanta-cli find --encoding auto`
// writes them for a file without report layouts), line number, where the
// occurrence lies in the row's text (UTF-16 units) and that text.
int PrintRows(TfrmMain& Window, TFindAllPanel& Panel, const QString& Text)
{
    RunFindAll(Window, Panel, Text, false);
    int Presses = 0;
    for (; Panel.CanFindMore(); ++Presses)
        RunFindMore(Panel);
    const TFindAllModel& Rows = Panel.Results();
    for (int Row = 0; Row < Rows.HitCount(); ++Row)
    {
        const TFindAllLine& Line = Rows.Line(Row);
        std::printf("%d\t%d\t%d\t%d\t%d\t%s\n", Rows.ObjectOf(Row)->ObjectIndex, Rows.Hit(Row)->Position + 1,
                    Rows.Hit(Row)->Line, Line.MatchStart, Line.MatchLength, qPrintable(Line.Text));
    }
    std::fprintf(stderr, "%d rows, Find More pressed %d times\n", Rows.HitCount(), Presses);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    const bool Memory = argc > 1 && std::strcmp(argv[1], "--memory") == 0;
    const bool AllRows = argc > 1 && std::strcmp(argv[1], "--rows") == 0;
    if (Memory || AllRows) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_find_all FILE [NOWHERE_TEXT] [COMMON_TEXT] [RUNS]\n"
                             "       bench_find_all --memory FILE [LETTER] [FIND_MORE_PRESSES]\n"
                             "       bench_find_all --rows FILE TEXT [LIMIT]\n");
        return 2;
    }
    const QString FileName = QString::fromLocal8Bit(argv[1]);
    const QString Nowhere = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("Zyxwvut Qqqq");
    const QString Common = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Integer");
    const int Runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 7;
    QTemporaryDir Settings;
    TfrmMain Window({FileName}, Settings.filePath(QStringLiteral("quib.zup")));
    auto* Panel = Window.findChild<TFindAllPanel*>(QStringLiteral("dckFindAll"));
    auto* Results = Window.findChild<QTreeView*>(QStringLiteral("tvwFindAll"));
    if (!Panel || !Results || Window.ObjectTextFile().Count() == 0) {
        std::fprintf(stderr, "the file did not load\n");
        return 2;
    }
    Window.resize(1200, 800);
    Window.show();
    QCoreApplication::processEvents();
    if (AllRows)
    {
        if (argc > 3)
            TFindAllPanel::Limit = std::max(1, std::atoi(argv[3]));
        return argc > 2 ? PrintRows(Window, *Panel, QString::fromLocal8Bit(argv[2])) : 2;
    }
    std::printf("%d objects\n", Window.ObjectTextFile().Count());
    if (Memory)
        return MeasureMemory(Window, *Panel, argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("e"),
                             argc > 3 ? std::max(0, std::atoi(argv[3])) : 9);

    // Warm the page cache, and the first run of each.
    TimeGrep(Nowhere, FileName);
    RunFindAll(Window, *Panel, Nowhere);

    std::vector<double> Find, Grep;
    for (int Run = 0; Run < Runs; ++Run) {
        Grep.push_back(TimeGrep(Nowhere, FileName));
        QElapsedTimer Timer;
        Timer.start();
        RunFindAll(Window, *Panel, Nowhere);
        Find.push_back(Ms(Timer));
        if (Panel->Results().HitCount() != 0) {
            std::fprintf(stderr, "\"%s\" was found\n", qPrintable(Nowhere));
            return 2;
        }
    }
    std::printf("\nText that occurs nowhere (\"%s\", match case)\n", qPrintable(Nowhere));
    Report("Find All", Find);
    Report("grep -c", Grep);
    std::printf("ratio (medians)                %.2f   (target <= 1.2)\n", Stats(Find).Median / Stats(Grep).Median);

    std::vector<double> First, Total, Gaps;
    QElapsedTimer Clock;
    TFirstPaint Paint(*Results, Clock);
    TLoopGaps Loop;
    int Rows = 0;
    for (int Run = 0; Run < Runs; ++Run) {
        Paint.Reset();
        Loop.Start();
        Clock.start();
        RunFindAll(Window, *Panel, Common);
        Total.push_back(Ms(Clock));
        // The last batch's rows are painted once the loop runs again.
        while (Paint.At < 0 && Ms(Clock) < Total.back() + 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        Loop.Stop();
        First.push_back(Paint.At);
        Gaps.push_back(Loop.Longest);
        Rows = Panel->Results().HitCount();
    }
    std::printf("\nCommon text (\"%s\", match case): %d occurrences in %d objects\n", qPrintable(Common), Rows,
                Panel->Results().ObjectCount());
    Report("first rows painted", First);
    std::printf("%-30s (target <= 100 ms)\n", "");
    Report("search ended", Total);
    const TStats GapStats = Stats(Gaps);
    std::printf("%-30s best %8.1f ms   median %8.1f ms   worst %8.1f ms\n", "longest event loop gap", GapStats.Best,
                GapStats.Median, GapStats.Worst);
    return 0;
}
