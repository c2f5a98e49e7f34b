// bench_find_window: one press of Find Next in the window for a text that
// occurs nowhere, so the search reads every object of the file.
//
//   bench_find_window FILE [TEXT] [RUNS]
//
// Runs offscreen. Opens FILE in the window (root selected, so each search
// starts at the first object), then times RUNS presses with match case on and
// RUNS with it off, and prints the best and the median of each in milliseconds.
#include "ui/find/finddialog.h"
#include "ui/window/mainform.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void Report(const char* What, std::vector<double> Times)
{
    std::sort(Times.begin(), Times.end());
    std::printf("%-22s best %8.1f ms   median %8.1f ms\n", What, Times.front(), Times[Times.size() / 2]);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_find_window FILE [TEXT] [RUNS]\n");
        return 2;
    }
    const QString Text = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("Zyxwvut Qqqq");
    const int Runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    QTemporaryDir Settings;
    TfrmMain Window({QString::fromLocal8Bit(argv[1])}, Settings.filePath(QStringLiteral("quib.zup")));
    auto* Dialog = Window.findChild<TFindDialog*>(QStringLiteral("dlgFind"));
    if (!Dialog || Window.ObjectTextFile().Count() == 0) {
        std::fprintf(stderr, "the file did not load\n");
        return 2;
    }
    Dialog->SetFindText(Text);
    std::printf("%d objects\n", Window.ObjectTextFile().Count());
    auto* FindNext = Window.findChild<QAction*>(QStringLiteral("actEditFindNext"));
    if (!FindNext)
        return 2;
    for (const bool MatchCase : {true, false}) {
        Dialog->SetMatchCase(MatchCase);
        std::vector<double> Times;
        for (int Run = 0; Run < Runs; ++Run) {
            QElapsedTimer Timer;
            Timer.start();
            FindNext->trigger();
            Times.push_back(double(Timer.nsecsElapsed()) / 1e6);
        }
        Report(MatchCase ? "Find Next, match case" : "Find Next, any case", Times);
    }
    return 0;
}
