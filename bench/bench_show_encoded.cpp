// bench_show_encoded: showing one big object in the text view decoded from a
// code page, against showing it one character per byte.
//
//   bench_show_encoded [SIZE_MB] [RUNS]
//
// Runs offscreen. Builds an object of SIZE_MB MiB (default 2) of code lines
// with DOS 850 letters in its captions and comments, then times RUNS calls of
// the text view's SetObjectText for each encoding (each on a view that shows
// another text first, so every call decodes and fills the document) and prints
// the best of each and the ratio (target: at most 1.2).
#include "core/codepages.h"
#include "ui/views/objecttextview.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string BigObject(std::size_t Bytes)
{
    const std::string Lines[] = {
        "      CaptionML=[DAN=Periodel\x91ngde;DEU=Periodenl\x84nge;FRA=P\x82riode];\r\n",
        "    { 1   ;   ;Bel\x9B" "b              ;Decimal       ;OnValidate=BEGIN\r\n",
        "                  IF Bel\x9B" "b <> 0 THEN // Bel\x9B" "bet m\x86 ikke v\x91re nul\r\n",
        "                    ERROR(Text001,FIELDCAPTION(\"No.\"));\r\n",
        "                END;\r\n"};
    std::string Text = "OBJECT Table 50000 Periodel\x91ngde\r\n";
    for (std::size_t I = 0; Text.size() < Bytes; ++I)
        Text += Lines[I % std::size(Lines)];
    return Text;
}

double BestShow(TObjectTextView& View, const std::string& Text, codepages::TEncoding Encoding, int Runs)
{
    double Best = 1e30;
    for (int Run = 0; Run < Runs; ++Run) {
        View.SetObjectText("OBJECT Table 1 Other\r\n");
        QElapsedTimer Clock;
        Clock.start();
        View.SetObjectText(Text, Encoding);
        Best = std::min(Best, Clock.nsecsElapsed() / 1e6);
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
    const std::string Text = BigObject(static_cast<std::size_t>(SizeMb * 1024 * 1024));
    TObjectTextView View;
    View.resize(800, 600);
    View.show();

    const double Latin1 = BestShow(View, Text, codepages::TEncoding::Latin1, Runs);
    const double Cp850 = BestShow(View, Text, codepages::TEncoding::Cp850, Runs);
    const double Utf8 = BestShow(View, Text, codepages::TEncoding::Utf8, Runs);
    std::printf("object: %zu bytes\n", Text.size());
    std::printf("one character per byte  %8.1f ms (best of %d)\n", Latin1, Runs);
    std::printf("DOS 850                 %8.1f ms  ratio %.2f (target <= 1.2)\n", Cp850, Cp850 / Latin1);
    std::printf("UTF-8 (invalid bytes)   %8.1f ms  ratio %.2f\n", Utf8, Utf8 / Latin1);
    return 0;
}
