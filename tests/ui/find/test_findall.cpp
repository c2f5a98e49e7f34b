// Edit > Find All: the rows against Find Next, what a row shows, report
// layouts left out, a row taking the views to its occurrence (and back out of
// the filter), the limit and Find More, and a search that is stopped,
// overtaken by another file, or cannot read the file.
#include "guitest.h"
#include "core/search/occurrences.h"
#include "ui/find/findall.h"
#include "ui/references/referenceindexer.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <tuple>

namespace {

using TOccurrence = std::tuple<int, int, int>;  // object, byte offset, length

TFindAllPanel* Panel(TfrmMain& Window)
{
    return Component<TFindAllPanel>(Window, "dckFindAll");
}

// Edit > Find All with the find dialog's text, to the end of the search.
void FindAll(TfrmMain& Window, const std::string& Text, bool MatchCase = false)
{
    Window.SetFindText(Text);
    Window.SetFindMatchCase(MatchCase);
    Component<QAction>(Window, "actEditFindAll")->trigger();
    QTRY_VERIFY(!Panel(Window)->Running());
}

QList<TOccurrence> Rows(TFindAllPanel& Panel)
{
    QList<TOccurrence> Found;
    for (int Row = 0; Row < Panel.Results().HitCount(); ++Row)
        Found << TOccurrence{Panel.Results().ObjectOf(Row)->ObjectIndex, Panel.Results().Hit(Row)->Position,
                             Panel.Results().Hit(Row)->Length};
    return Found;
}

// Find Next pressed from the file's node until it beeps.
QList<TOccurrence> FindNextPresses(TfrmMain& Window)
{
    int Beeps = 0;
    Window.SetBeepSink([&Beeps] { ++Beeps; });
    auto* Model = static_cast<TObjectTreeModel*>(Views(Window).Tree->model());
    Views(Window).Tree->setCurrentIndex(Model->NodeAt(0));
    WaitForChangeReport();
    QList<TOccurrence> Found;
    for (int Press = 0; Press < 1000 && Beeps == 0; ++Press) {
        Component<QAction>(Window, "actEditFindNext")->trigger();
        if (Beeps == 0)
            Found << TOccurrence{Views(Window).Tree->currentIndex().row(), Views(Window).Text->ByteSelectionStart(),
                                 Views(Window).Text->ByteSelectionLength()};
    }
    Window.SetBeepSink({});
    return Found;
}

// DOS 850, UTF-8, Windows 1252 and plain ASCII objects; LF and CR LF breaks.
std::string MixedFile()
{
    return ObjectText("Table 3 Periodel\x91ngde",
                      "  { 1 ; ;Bel\x9B" "b ;Decimal }\r\n  { 2 ; ;BEL\x9D" "B i alt;Decimal }\r\n"
                      "  CaptionML=DAN=Bel\x9B" "b bel\x9B" "b;\r\n") +
           ObjectText("Table 4 Bel\xC3\xB8" "b",
                      "  { 1 ; ;L\xC3\xA6ngde ;Decimal }\n  { 2 ; ;Bel\xC3\xB8" "bbel\xC3\xB8" "b ;Decimal }\n") +
           ObjectText("Codeunit 5 Plain", "  aaaaa Belob\r\n  BEGIN belob END\r\n") +
           ObjectText("Table 6 Gr\xF6\xDF" "e", "  { 1 ; ;Gr\xF6\xDF" "e Bel\xF8" "b ;Decimal }\r\n");
}

// Lets reads of the file by other threads than the GUI's through only while
// permits last; each blocked read waits for more.
class TReadGate {
public:
    static TReadGate& Instance()
    {
        static TReadGate Gate;
        return Gate;
    }
    static platform::TFileIo Io()
    {
        Instance();  // on the GUI thread, which it lets through
        platform::TFileIo Gated = platform::SystemFileIo();
        Gated.Read = [](platform::NativeHandle Handle, void* Buffer, std::int64_t Count, std::int64_t Offset,
                        int* Error) {
            Instance().Pass();
            return platform::SystemFileIo().Read(Handle, Buffer, Count, Offset, Error);
        };
        return Gated;
    }
    void Allow(int Permits)
    {
        const std::lock_guard Lock(FMutex);
        FPermits = Permits;
        FChanged.notify_all();
    }
    bool Blocked()
    {
        const std::lock_guard Lock(FMutex);
        return FWaiting > 0;
    }

private:
    void Pass()
    {
        if (std::this_thread::get_id() == FGuiThread)
            return;
        std::unique_lock Lock(FMutex);
        ++FWaiting;
        FChanged.wait(Lock, [this] { return FPermits != 0; });
        --FWaiting;
        if (FPermits > 0)
            --FPermits;
    }

    const std::thread::id FGuiThread = std::this_thread::get_id();
    std::mutex FMutex;
    std::condition_variable FChanged;
    int FPermits = -1;  // negative: no limit
    int FWaiting = 0;
};

// Reads gated while it lives; let go first, so the window never waits on a blocked search.
class TGatedReads {
public:
    explicit TGatedReads(int Permits) { TReadGate::Instance().Allow(Permits); }
    ~TGatedReads() { TReadGate::Instance().Allow(-1); }
};

// Bytes read at a time by Find Next and Find All while it lives; 0 leaves them.
class TReadSizes {
public:
    explicit TReadSizes(std::int64_t Size)
    {
        if (Size > 0)
            search::TOccurrenceSearch::BlockSize = Size;
    }
    ~TReadSizes()
    {
        search::TOccurrenceSearch::BlockSize = FBlock;
    }

private:
    const std::int64_t FBlock = search::TOccurrenceSearch::BlockSize;
};

// Occurrences a search shows before Find More while it lives.
class TLimit {
public:
    explicit TLimit(int Limit) { TFindAllPanel::Limit = Limit; }
    ~TLimit() { TFindAllPanel::Limit = FLimit; }

private:
    const int FLimit = TFindAllPanel::Limit;
};

// Find More pressed until the search ends, counted in Presses.
void FindMoreToTheEnd(TfrmMain& Window, int& Presses)
{
    auto* More = Component<QPushButton>(Window, "btnFindAllMore");
    for (Presses = 0; More->isEnabled() && Presses < 1000; ++Presses) {
        More->click();
        QTRY_VERIFY(!Panel(Window)->Running());
    }
}

QString Counted(int Hits)
{
    return Hits == 1 ? QStringLiteral("1 occurrence in 1 object")
                     : QStringLiteral("%1 occurrences in %1 objects").arg(Hits);
}

// Many objects, each with an occurrence: a search that takes one read per object.
std::string ManyObjects(int Count)
{
    std::string Text;
    for (int I = 1; I <= Count; ++I)
        Text += ObjectText("Codeunit " + std::to_string(I) + " Post", "  Amount := 1;\r\n");
    return Text;
}

}  // namespace

class TestFindAll : public QObject {
    Q_OBJECT

private slots:
    void rowsAreTheOccurrencesFindNextSelects_data()
    {
        QTest::addColumn<QString>("Text");
        QTest::addColumn<bool>("MatchCase");
        QTest::addColumn<int>("PieceSize");  // bytes read at a time; 0: the default
        QTest::addColumn<int>("AtLeast");    // occurrences
        QTest::newRow("beyond ASCII, any case") << QStringLiteral(u"bel\u00F8b") << false << 0 << 7;
        QTest::newRow("beyond ASCII, match case") << QStringLiteral(u"BEL\u00D8B") << true << 0 << 1;
        QTest::newRow("read 5 bytes at a time") << QStringLiteral(u"bel\u00F8b") << false << 5 << 7;
        QTest::newRow("nowhere") << "Zyxwvut" << false << 0 << 0;
    }

    void rowsAreTheOccurrencesFindNextSelects()
    {
        QFETCH(QString, Text);
        QFETCH(bool, MatchCase);
        QFETCH(int, PieceSize);
        QFETCH(int, AtLeast);
        const TReadSizes Sizes(PieceSize);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("mixed.txt", MixedFile()));
        QAbstractItemModelTester Tester(&Panel(*Window)->Results());
        FindAll(*Window, Text.toStdString(), MatchCase);
        const QList<TOccurrence> All = Rows(*Panel(*Window));
        const QList<TOccurrence> Presses = FindNextPresses(*Window);
        QCOMPARE(All, Presses);
        QVERIFY2(All.size() >= AtLeast, qPrintable(QString::number(All.size())));
    }

    // View > Encoding changes what the text is written as in each object:
    // the rows shown are searched for again, still those Find Next selects.
    void anotherEncodingSearchesAgain()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("mixed.txt", MixedFile()));
        FindAll(*Window, "bel\xC3\xB8" "b");
        const int Automatic = Panel(*Window)->Results().HitCount();
        Window->SetEncoding(QStringLiteral("latin1"));
        QTRY_VERIFY(!Panel(*Window)->Running());
        const QList<TOccurrence> All = Rows(*Panel(*Window));
        QCOMPARE(All, FindNextPresses(*Window));
        QVERIFY2(!All.isEmpty() && All.size() < Automatic, qPrintable(QString::number(All.size())));
    }

#ifdef ORVANTA_CLI
    // The companion's find --lines reports what Find All's rows show: the
    // same occurrences on the same lines, in a chosen encoding.
    void companionFindLinesAreTheRows()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("mixed.txt", MixedFile()));
        Window->SetEncoding(QStringLiteral("cp850"));
        FindAll(*Window, "bel\xC3\xB8" "b");
        QStringList Rows;
        const TFindAllModel& Results = Panel(*Window)->Results();
        for (int Row = 0; Row < Results.HitCount(); ++Row)
            Rows << QStringLiteral("%1 %2 %3")
                        .arg(Results.ObjectOf(Row)->ObjectIndex)
                        .arg(Results.Hit(Row)->Position + 1)
                        .arg(Results.Hit(Row)->Line);
        QVERIFY(!Rows.isEmpty());
        // A copy: the window holds its file.
        const QString Copy = Folder.Write("copy.txt", MixedFile());
        QProcess Cli;
        Cli.start(QStringLiteral(ORVANTA_CLI), {"find", "--lines", "--encoding", "cp850", QStringLiteral(u"bel\u00F8b"), Copy});
        QVERIFY(Cli.waitForFinished(60000));
        QStringList Lines;
        for (const QByteArray& Line : Cli.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> Fields = Line.split('\t');
            if (Fields.size() >= 4)
                Lines << QStringLiteral("%1 %2 %3").arg(QString(Fields[0]), QString(Fields[1]), QString(Fields[3]));
        }
        QCOMPARE(Lines, Rows);
    }
#endif

    void rowShowsObjectLineAndMarkedText_data()
    {
        QTest::addColumn<QByteArray>("Body");
        QTest::addColumn<int>("Line");
        QTest::addColumn<QString>("LineText");
        QTest::addColumn<int>("MatchStart");
        QTest::addColumn<int>("MatchLength");
        // The object's first line is its header, its second "{".
        QTest::newRow("CR LF, indentation left out") << QByteArray("  CODE\r\n    x := Amount;\r\n") << 4
                                                     << "x := Amount;" << 5 << 6;
        QTest::newRow("LF and a lone CR end lines too") << QByteArray("a\nb\rc\r\n  Amount\r\n") << 6 << "Amount" << 0
                                                        << 6;
        QTest::newRow("decoded from DOS 850")
            << QByteArray("  Caption=Bel\x9B" "b AMOUNT;\r\n") << 3 << QStringLiteral(u"Caption=Bel\u00F8b AMOUNT;")
            << 14 << 6;
        QTest::newRow("a long line cut around the occurrence")
            << (QByteArray(300, 'x') + "Amount" + QByteArray(300, 'y') + "\r\n") << 3
            << QChar(0x2026) + QString(60, 'x') + "Amount" + QString(200, 'y') + QChar(0x2026) << 61 << 6;
    }

    void rowShowsObjectLineAndMarkedText()
    {
        QFETCH(QByteArray, Body);
        QFETCH(int, Line);
        QFETCH(QString, LineText);
        QFETCH(int, MatchStart);
        QFETCH(int, MatchLength);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("one.txt", ObjectText("Table 1 Plain") +
                                                     ObjectText("Codeunit 7 Periodel\x91ngde", Body.toStdString())));
        FindAll(*Window, "amount");
        TFindAllModel& Results = Panel(*Window)->Results();
        QCOMPARE(Results.rowCount(), 1);
        QCOMPARE(Results.index(0, TFindAllModel::ObjectColumn).data().toString(),
                 QStringLiteral(u"Codeunit 7 Periodel\u00E6ngde"));
        QCOMPARE(Results.index(0, TFindAllModel::LineColumn).data().toInt(), Line);
        const QModelIndex Text = Results.index(0, TFindAllModel::TextColumn);
        QCOMPARE(Text.data().toString(), LineText);
        QCOMPARE(Text.data(TFindAllModel::MatchStartRole).toInt(), MatchStart);
        QCOMPARE(Text.data(TFindAllModel::MatchLengthRole).toInt(), MatchLength);
        QCOMPARE(Panel(*Window)->windowTitle(), QStringLiteral("Find All: 1 occurrence in 1 object"));
        // The line as the text view numbers it.
        Panel(*Window)->Activate(0);
        QCOMPARE(Views(*Window).Text->CaretPlace().Line, Line);
    }

    void reportLayoutsLeftOutOrNot_data()
    {
        QTest::addColumn<bool>("Skip");
        QTest::addColumn<QList<int>>("Lines");
        QTest::newRow("skipped") << true << QList<int>{5, 15};
        QTest::newRow("kept") << false << QList<int>{5, 9, 10, 15};
    }

    void reportLayoutsLeftOutOrNot()
    {
        QFETCH(bool, Skip);
        QFETCH(QList<int>, Lines);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("report.txt", ObjectText("Report 111 Customer Amounts",
                                                               "  PROPERTIES\r\n  {\r\n    CaptionML=ENU=Amount;\r\n"
                                                               "  }\r\n  RDLDATA\r\n  {\r\n"
                                                               "    <Report><Value>Amount</Value>\r\n"
                                                               "    <Value>=Fields!Amount.Value</Value></Report>\r\n"
                                                               "    END_OF_RDLDATA\r\n  }\r\n  CODE\r\n  {\r\n"
                                                               "    BEGIN Amount := 0; END.\r\n  }\r\n")));
        Component<QCheckBox>(*Window, "chkFindAllSkipLayouts")->setChecked(Skip);
        FindAll(*Window, "amount");
        QList<int> Found;
        for (int Row = 0; Row < Panel(*Window)->Results().HitCount(); ++Row)
            Found << Panel(*Window)->Results().Hit(Row)->Line;
        // The header's name is not in the layout either.
        QCOMPARE(Found, QList<int>{1} + Lines);
        // The other choice searches again.
        Component<QCheckBox>(*Window, "chkFindAllSkipLayouts")->setChecked(!Skip);
        QTRY_VERIFY(!Panel(*Window)->Running());
        QCOMPARE(Panel(*Window)->Results().HitCount(), Skip ? 5 : 3);
    }

    void activatingARowSelectsItsOccurrence_data()
    {
        QTest::addColumn<bool>("DoubleClick");
        QTest::newRow("Enter") << false;
        QTest::newRow("double click") << true;
    }

    void activatingARowSelectsItsOccurrence()
    {
        QFETCH(bool, DoubleClick);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        Window->OpenFile(Folder.Write("mixed.txt", MixedFile()));
        FindAll(*Window, "bel\xC3\xB8" "b");
        auto* Results = Component<QTreeView>(*Window, "tvwFindAll");
        // The UTF-8 object's last: "Bel\u00F8bbel\u00F8b".
        int Row = Panel(*Window)->Results().HitCount() - 1;
        while (Row >= 0 && Panel(*Window)->Results().ObjectOf(Row)->ObjectIndex != 1)
            --Row;
        QVERIFY(Row >= 0);
        const TFindAllHit Hit = *Panel(*Window)->Results().Hit(Row);
        const QModelIndex Index = Results->model()->index(Row, TFindAllModel::ObjectColumn);
        Results->setCurrentIndex(Index);
        if (DoubleClick) {
            Results->scrollTo(Index);
            const QPoint Place = Results->visualRect(Index).center();
            // A double click's first click reaches the view on its own.
            QTest::mouseClick(Results->viewport(), Qt::LeftButton, {}, Place);
            QTest::mouseDClick(Results->viewport(), Qt::LeftButton, {}, Place);
        } else {
            QTest::keyClick(Results, Qt::Key_Return);
        }
        WaitForChangeReport();
        QCOMPARE(Views(*Window).Tree->currentIndex().row(), Panel(*Window)->Results().ObjectOf(Row)->ObjectIndex);
        QCOMPARE(Views(*Window).Text->ByteSelectionStart(), Hit.Position);
        QCOMPARE(Views(*Window).Text->textCursor().selectedText(), QStringLiteral(u"bel\u00F8b"));
    }

    void typedInThePanelItBecomesTheFindText()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->show();
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        // No find text yet: the panel, ready for one.
        Component<QAction>(*Window, "actEditFindAll")->trigger();
        auto* Edit = Component<QLineEdit>(*Window, "edtFindAllText");
        QTRY_VERIFY(Panel(*Window)->isVisible());
        QCOMPARE(Panel(*Window)->Results().HitCount(), 0);
        QTest::keyClicks(Edit, "SALES-POST");
        Component<QCheckBox>(*Window, "chkFindAllMatchCase")->setChecked(true);
        QTest::keyClick(Edit, Qt::Key_Return);
        QTRY_VERIFY(!Panel(*Window)->Running());
        QCOMPARE(Panel(*Window)->Results().HitCount(), 0);
        Component<QCheckBox>(*Window, "chkFindAllMatchCase")->setChecked(false);
        Component<QPushButton>(*Window, "btnFindAll")->click();
        QTRY_VERIFY(!Panel(*Window)->Running());
        QCOMPARE(Panel(*Window)->Results().HitCount(), 2);
        QCOMPARE(Window->FindText(), "SALES-POST");
        QVERIFY(!Window->FindMatchCase());
    }

    // A search stops at the limit, in the middle of an object or between
    // two; Find More goes on from there: the rows are still those Find Next
    // selects, none twice, none left out.
    void stopsAtTheLimitAndFindMoreGoesOn_data()
    {
        QTest::addColumn<int>("Limit");
        QTest::addColumn<int>("PieceSize");  // bytes read at a time; 0: the default
        QTest::newRow("one at a time") << 1 << 0;
        QTest::newRow("two at a time") << 2 << 0;
        QTest::newRow("three at a time, read 5 bytes at a time") << 3 << 5;
        QTest::newRow("seven at a time") << 7 << 0;
    }

    void stopsAtTheLimitAndFindMoreGoesOn()
    {
        QFETCH(int, Limit);
        QFETCH(int, PieceSize);
        const TReadSizes Sizes(PieceSize);
        const TLimit Bound(Limit);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("mixed.txt", MixedFile()));
        QAbstractItemModelTester Tester(&Panel(*Window)->Results());
        FindAll(*Window, "bel");
        TFindAllPanel& FindAll = *Panel(*Window);
        QCOMPARE(FindAll.Results().HitCount(), Limit);
        QCOMPARE(FindAll.windowTitle(), QStringLiteral("Find All: Stopped at %1 in %2")
                                            .arg(Limit == 1 ? QStringLiteral("1 occurrence")
                                                            : QStringLiteral("%1 occurrences").arg(Limit),
                                                 FindAll.Results().ObjectCount() == 1
                                                     ? QStringLiteral("1 object")
                                                     : QStringLiteral("%1 objects").arg(FindAll.Results().ObjectCount())));
        QVERIFY(Component<QPushButton>(*Window, "btnFindAllMore")->isEnabled());
        int Presses = 0;
        FindMoreToTheEnd(*Window, Presses);
        const QList<TOccurrence> All = Rows(FindAll);
        QVERIFY2(All.size() >= 10, qPrintable(QString::number(All.size())));
        QCOMPARE(Presses, (int(All.size()) - 1) / Limit);
        QVERIFY(!FindAll.windowTitle().contains(QStringLiteral("Stopped")));
        QCOMPARE(All, FindNextPresses(*Window));
        // An object searched on after a stop in it is one object still.
        QSet<int> Objects;
        for (const TOccurrence& Row : All)
            Objects.insert(std::get<0>(Row));
        QCOMPARE(FindAll.Results().ObjectCount(), Objects.size());

        // A new search after them: the rows go, the results view works on.
        const int ObjectsBefore = FindAll.Results().ObjectCount();
        ::FindAll(*Window, "bel\xC3\xB8" "b");
        QVERIFY(FindAll.Results().ObjectCount() <= ObjectsBefore);
        auto* Results = Component<QTreeView>(*Window, "tvwFindAll");
        QCOMPARE(Results->model(), &FindAll.Results());
        Results->setCurrentIndex(Results->model()->index(0, 0));
        QTest::keyClick(Results, Qt::Key_Return);
        WaitForChangeReport();
        QCOMPARE(Views(*Window).Text->ByteSelectionStart(), FindAll.Results().Hit(0)->Position);
    }

    // Occurrences left out in a report's layout count for no limit.
    void theLimitCountsOnlyRowsShown()
    {
        const TLimit Bound(1);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("report.txt", ObjectText("Report 111 Customer Amounts",
                                                               "  RDLDATA\r\n  {\r\n"
                                                               "    <Report><Value>Amount</Value></Report>\r\n"
                                                               "    END_OF_RDLDATA\r\n  }\r\n  CODE\r\n  {\r\n"
                                                               "    BEGIN Amount := 0; END.\r\n  }\r\n")));
        FindAll(*Window, "amount");
        QCOMPARE(Panel(*Window)->Results().HitCount(), 1);
        int Presses = 0;
        FindMoreToTheEnd(*Window, Presses);
        QCOMPARE(Presses, 1);
        QCOMPARE(Panel(*Window)->Results().HitCount(), 2);
        QCOMPARE(Panel(*Window)->Results().Hit(1)->Line, 10);
    }

    void theTitleCountsAsShown_data()
    {
        QTest::addColumn<int>("Occurrences");
        QTest::addColumn<QString>("Title");
        QTest::newRow("exactly the limit: not stopped")
            << 100000 << QStringLiteral("Find All: 100,000 occurrences in 1 object");
        QTest::newRow("one more: stopped")
            << 100001 << QStringLiteral("Find All: Stopped at 100,000 occurrences in 1 object");
    }

    void theTitleCountsAsShown()
    {
        QFETCH(int, Occurrences);
        QFETCH(QString, Title);
        // Numbers read the same whatever the user's locale writes between thousands.
        const QLocale Before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        std::string Body;
        for (int Line = 0; Line < Occurrences / 10; ++Line)
            Body += "  qqqqqqqqqq\r\n";
        Window->OpenFile(Folder.Write("many.txt", ObjectText("Codeunit 1 Many", Body + std::string(Occurrences % 10, 'q'))));
        FindAll(*Window, "q");
        QLocale::setDefault(Before);
        QCOMPARE(Panel(*Window)->windowTitle(), Title);
        QCOMPARE(Component<QPushButton>(*Window, "btnFindAllMore")->isEnabled(), Occurrences > 100000);
    }

    // An occurrence in an object the filter hides clears the filter, and the
    // status bar says so.
    void showingAHiddenObjectClearsTheFilterAndSaysSo_data()
    {
        QTest::addColumn<bool>("FindAllRow");
        QTest::newRow("Find All row") << true;
        QTest::newRow("Find Next") << false;
    }

    void showingAHiddenObjectClearsTheFilterAndSaysSo()
    {
        QFETCH(bool, FindAllRow);
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        Component<QAction>(*Window, "actViewFilter")->trigger();
        auto* Name = Component<QLineEdit>(*Window, "edtFilterName");
        QTest::keyClicks(Name, QStringLiteral("*Customer*"));
        QTest::keyClick(Name, Qt::Key_Return);
        const auto Status = [&] { return Component<QLabel>(*Window, "stbMainText")->text(); };
        QCOMPARE(Status(), QStringLiteral("2 of 5 object(s)"));
        if (FindAllRow) {
            FindAll(*Window, "sales-post");
            Panel(*Window)->Activate(0);
        } else {
            Window->SetFindText("sales-post");
            Component<QAction>(*Window, "actEditFindNext")->trigger();
        }
        QCOMPARE(Status(), QStringLiteral("Filter cleared to show Codeunit 80 Sales-Post"));
        QCOMPARE(Name->text(), QString());
        QCOMPARE(Views(*Window).Tree->currentIndex().row(), 2);
        // An object the filter shows leaves the status as it was.
        QTest::keyClicks(Name, QStringLiteral("*Sales*"));
        QTest::keyClick(Name, Qt::Key_Return);
        if (FindAllRow)
            Panel(*Window)->Activate(1);
        else
            Component<QAction>(*Window, "actEditFindNext")->trigger();
        QCOMPARE(Status(), QStringLiteral("2 of 5 object(s)"));
    }

    void stoppedTheRowsFoundStayAndNothingMoreComes_data()
    {
        QTest::addColumn<bool>("Escape");
        QTest::newRow("Escape") << true;
        QTest::newRow("Stop") << false;
    }

    void stoppedTheRowsFoundStayAndNothingMoreComes()
    {
        QFETCH(bool, Escape);
        TTestFolder Folder;
        const platform::TFileIoOverride Io(TReadGate::Io());
        auto Window = MakeWindow(Folder);
        Window->show();
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window.get()));
        Window->OpenFile(Folder.Write("many.txt", ManyObjects(200)));
        // The reads are gated for the search alone: the index of references is built first.
        QTRY_VERIFY(Window->findChild<TReferenceIndexer*>()->Index() != nullptr);
        const TReadSizes Sizes(64);  // an object or two a block
        const TGatedReads Gate(2);
        Window->SetFindText("amount");
        Component<QAction>(*Window, "actEditFindAll")->trigger();
        TFindAllPanel& FindAll = *Panel(*Window);
        // The first rows come at once; the search then waits on its third read.
        QTRY_VERIFY(FindAll.Results().HitCount() > 0);
        QTRY_VERIFY(TReadGate::Instance().Blocked());
        QVERIFY(FindAll.Running());
        QVERIFY(Component<QProgressBar>(*Window, "prgFindAll")->isVisible());
        if (Escape)
            QTest::keyClick(Component<QTreeView>(*Window, "tvwFindAll"), Qt::Key_Escape);
        else
            Component<QPushButton>(*Window, "btnFindAllStop")->click();
        QVERIFY(!FindAll.Running());
        const int Found = FindAll.Results().HitCount();
        QCOMPARE(FindAll.windowTitle(), "Find All: " + Counted(Found) + " (stopped)");
        QVERIFY(!Component<QProgressBar>(*Window, "prgFindAll")->isVisible());
        QVERIFY(!Component<QPushButton>(*Window, "btnFindAllStop")->isEnabled());

        TReadGate::Instance().Allow(-1);
        auto* Worker = FindAll.findChild<TFindAllWorker*>();
        QVERIFY(Worker);
        QTRY_VERIFY(Worker->isFinished());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(FindAll.Results().HitCount(), Found);
        // Escape is the views' again.
        QTest::keyClick(Component<QTreeView>(*Window, "tvwFindAll"), Qt::Key_Escape);
        QVERIFY(!Component<QAction>(*Window, "actEditStopFindAll")->isEnabled());
    }

    void anotherFileCancelsTheSearch_data()
    {
        QTest::addColumn<bool>("Close");
        QTest::newRow("another file opened") << false;
        QTest::newRow("the file closed") << true;
    }

    void anotherFileCancelsTheSearch()
    {
        QFETCH(bool, Close);
        TTestFolder Folder;
        const platform::TFileIoOverride Io(TReadGate::Io());
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("many.txt", ManyObjects(200)));
        // The reads are gated for the search alone: the index of references is built first.
        QTRY_VERIFY(Window->findChild<TReferenceIndexer*>()->Index() != nullptr);
        const QString Other = Folder.Write("five.txt", FiveObjects());
        const TReadSizes Sizes(64);
        const TGatedReads Gate(2);
        Window->SetFindText("amount");
        Component<QAction>(*Window, "actEditFindAll")->trigger();
        TFindAllPanel& FindAll = *Panel(*Window);
        QTRY_VERIFY(FindAll.Results().HitCount() > 0);
        QTRY_VERIFY(TReadGate::Instance().Blocked());
        // The rows go before the search is waited for: let it go on then.
        connect(&FindAll.Results(), &QAbstractItemModel::modelReset, this, [] { TReadGate::Instance().Allow(-1); });
        if (Close)
            Window->actFileCloseExecute();
        else
            Window->OpenFile(Other);
        QVERIFY(!FindAll.Running());
        QVERIFY(!FindAll.findChild<TFindAllWorker*>());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(FindAll.Results().HitCount(), 0);
        QCOMPARE(FindAll.windowTitle(), QStringLiteral("Find All"));
        if (!Close) {
            ::FindAll(*Window, "sales-post");
            QCOMPARE(Rows(FindAll), (QList<TOccurrence>{{2, 19, 10}, {4, 19, 10}}));
        }
    }

    void unreadableFileEndsTheSearchWithAMessage()
    {
        TTestFolder Folder;
        platform::TFileIo Failing = platform::SystemFileIo();
        Failing.Read = [](platform::NativeHandle, void*, std::int64_t, std::int64_t, int* Error) -> std::int64_t {
            *Error = EIO;
            return -1;
        };
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("five.txt", FiveObjects()));
        TErrorCapture Errors;
        {
            const platform::TFileIoOverride Io(Failing);
            Window->SetFindText("sales");
            Component<QAction>(*Window, "actEditFindAll")->trigger();
            QTRY_VERIFY(!Panel(*Window)->Running());
        }
        QCOMPARE(Errors.Messages, QStringList{"Stream read error."});
        QCOMPARE(Panel(*Window)->windowTitle(), QStringLiteral("Find All: 0 occurrences in 0 objects (stopped)"));
    }
};

QTEST_MAIN(TestFindAll)
#include "test_findall.moc"
