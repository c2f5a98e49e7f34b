// bench_open_window: opening a big file in the window, against the model alone.
//
//   bench_open_window FILE [RUNS]
//   bench_open_window --objects N [RUNS]      a generated file of N small objects
//
// Runs offscreen. Each run times the model's LoadFromFile on a fresh model,
// then the window's OpenFile (up to the list's item count, the tree filled)
// and, separately, the first layout of the expanded tree that follows on
// screen. Prints the best of RUNS for each, the ratio window / model, and the
// resident memory the views add per object.
#include "ui/window/mainform.h"
#include "core/quibfile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <string>

namespace {

// Bytes the heap has handed out and not taken back (what RSS cannot show once
// freed pages are reused).
long long HeapInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 Info = mallinfo2();
    return static_cast<long long>(Info.uordblks + Info.hblkhd);
#else
    return 0;
#endif
}

// Resident set size in KiB, from /proc (0 where there is none).
long ResidentKiB()
{
    std::ifstream Status("/proc/self/status");
    std::string Line;
    while (std::getline(Status, Line))
        if (Line.rfind("VmRSS:", 0) == 0)
            return std::strtol(Line.c_str() + 6, nullptr, 10);
    return 0;
}

std::string SmallObjects(long Count)
{
    static const char* const Kinds[] = {"Table", "Form", "Report", "Dataport", "Codeunit", "XMLport", "MenuSuite"};
    std::string Text;
    Text.reserve(static_cast<std::size_t>(Count) * 64);
    for (long I = 0; I < Count; ++I) {
        Text += "OBJECT ";
        Text += Kinds[I % 7];
        Text += ' ' + std::to_string(I) + " Object number " + std::to_string(I) + "\r\n{\r\n}\r\n";
    }
    return Text;
}

double Ms(const QElapsedTimer& Timer)
{
    return Timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication Application(argc, argv);
    const QStringList Arguments = Application.arguments();
    if (Arguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_open_window FILE [RUNS] | --objects N [RUNS]\n");
        return 2;
    }
    QTemporaryDir Scratch;
    std::string FileName;
    int ArgRuns = 2;
    if (Arguments[1] == QLatin1String("--objects") && Arguments.size() >= 3) {
        FileName = Scratch.filePath(QStringLiteral("small-objects.txt")).toStdString();
        std::ofstream(FileName, std::ios::binary) << SmallObjects(Arguments[2].toLong());
        ArgRuns = 3;
    } else {
        FileName = Arguments[1].toStdString();
    }
    const int Runs = Arguments.size() > ArgRuns ? std::max(1, Arguments[ArgRuns].toInt()) : 5;

    TfrmMain Window({}, Scratch.filePath(QStringLiteral("quib.zup")));
    Window.resize(1000, 700);
    Window.show();
    QApplication::processEvents();

    double BestModel = 1e300, BestWindow = 1e300, BestLayout = 1e300;
    long long ModelHeap = 0, WindowHeap = 0;
    long Count = 0;
    {
        TObjectTextFile WarmUp;  // the page cache holds the file from here on
        WarmUp.LoadFromFile(FileName);
    }
    // The window holds the big file until it loads another: a tiny one.
    const QString Tiny = Scratch.filePath(QStringLiteral("tiny.txt"));
    std::ofstream(Tiny.toStdString(), std::ios::binary) << "OBJECT Table 1 Tiny\r\n";
    for (int Run = 0; Run < Runs; ++Run) {
        Window.OpenFile(Tiny);
        Window.actFileCloseExecute();
        QApplication::processEvents();
        const long long Before = HeapInUse();
        {
            TObjectTextFile Model;
            QElapsedTimer Timer;
            Timer.start();
            Model.LoadFromFile(FileName);
            BestModel = std::min(BestModel, Ms(Timer));
            if (Run == 0)
                ModelHeap = HeapInUse() - Before;
            Count = Model.Count();
        }
        const long long WindowBefore = HeapInUse();
        QElapsedTimer Timer;
        Timer.start();
        Window.OpenFile(QString::fromStdString(FileName));
        BestWindow = std::min(BestWindow, Ms(Timer));
        Timer.restart();
        QApplication::processEvents();  // the tree lays out its expanded root and paints
        QApplication::processEvents();
        BestLayout = std::min(BestLayout, Ms(Timer));
        if (Run == 0)  // the views keep their capacity across loads: count the first
            WindowHeap = HeapInUse() - WindowBefore;
    }

    std::printf("file:            %s\n", FileName.c_str());
    std::printf("objects:         %ld\n", Count);
    std::printf("model load:      %.1f ms (best of %d)\n", BestModel, Runs);
    std::printf("window OpenFile: %.1f ms  (ratio %.3f, target <= 1.3)\n", BestWindow, BestWindow / BestModel);
    std::printf("  + first tree layout and paint: %.1f ms  (ratio with it %.3f)\n", BestLayout,
                (BestWindow + BestLayout) / BestModel);
    std::printf("heap after load: model %.1f MiB, window %.1f MiB\n", ModelHeap / 1048576.0,
                WindowHeap / 1048576.0);
    if (Count > 0)
        std::printf("views add:       %.0f bytes per object (target <= ~200)\n",
                    double(WindowHeap - ModelHeap) / Count);
    std::printf("resident now:    %ld KiB\n", ResidentKiB());
    return 0;
}
