// The settings file: first run, round trip, hand-edited values, a maximized
// window, and a file that cannot be written.
#include "guitest.h"

#include "ui/compare/compareview.h"
#include "ui/views/objecttextview.h"
#include "ui/window/windowplacement.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QScreen>
#include <QSplitter>

namespace {

QSize ScreenSize()
{
    return QGuiApplication::primaryScreen()->geometry().size();
}

// div of the settings: integer division truncating toward zero.
int Div(long long A, long long B)
{
    return static_cast<int>(A / B);
}

std::string Line(const std::string& Key, long long Value)
{
    return Key + "=" + std::to_string(Value) + "\n";
}

// The tree's width as the window would store it now.
int TreeWidth(TfrmMain& Window)
{
    return Window.TreeWidth();
}

bool Monospaced(const QFont& Font)
{
    const QFontMetrics Metrics(Font);
    return Metrics.horizontalAdvance(QStringLiteral("iiii")) == Metrics.horizontalAdvance(QStringLiteral("WWWW"));
}

}  // namespace

class TestMainSettings : public QObject {
    Q_OBJECT

private slots:
    void firstRunUsesDefaultsAndWritesEveryKey()
    {
        TTestFolder Folder;
        const QSize Screen = ScreenSize();
        int Width, Height, Left, Top, Tree;
        {
            auto Window = MakeWindow(Folder);
            Width = Window->width();
            Height = Window->height();
            Left = Window->x();
            Top = Window->y();
            Tree = TreeWidth(*Window);
            QCOMPARE(Width, std::max(Screen.width() / 2, Window->minimumWidth()));
            QCOMPARE(Height, std::max(Screen.height() / 2, Window->minimumHeight()));
            QCOMPARE(Left, Div(Screen.width() - Width, 2));
            QCOMPARE(Top, Div(Screen.height() - Height, 2));
            QCOMPARE(Tree, Width / 4);

            const QFont Code = Component<TObjectTextView>(*Window, "memMain")->font();
            QCOMPARE(TfrmMain::StoredFace(Code), QStringLiteral("Courier New"));
            QCOMPARE(Code.pointSize(), 9);
            QVERIFY(!Code.bold() && !Code.italic() && !Code.underline() && !Code.strikeOut());
            const QFont List = Component<QWidget>(*Window, "lvwMain")->font();
            QCOMPARE(TfrmMain::StoredFace(List), QStringLiteral("Tahoma"));
            QCOMPARE(List.pointSize(), 8);
            QVERIFY(!List.bold() && !List.italic());
            QCOMPARE(Component<QWidget>(*Window, "tvwMain")->font(), List);
            QCOMPARE(Window->FindText(), std::string());
            QVERIFY(!Window->FindMatchCase());
            QVERIFY(!Folder.Exists("quib.zup"));  // nothing is written before shutdown
        }
        const std::string Expected = "[Window]\n" + Line("Width", Width) + Line("Height", Height) +
                                     Line("Left", Left) + Line("Top", Top) +
                                     "[View]\n"
                                     "CodeFontName=Courier New\n"
                                     "CodeFontSize=9\n"
                                     "CodeFontBold=0\n"
                                     "CodeFontItalic=0\n"
                                     "ListFontName=Tahoma\n"
                                     "ListFontSize=8\n"
                                     "ListFontBold=0\n"
                                     "ListFontItalic=0\n" +
                                     Line("ObjectListWidth", Tree) +
                                     "[Find]\n"
                                     "FindText=\n"
                                     "MatchCase=0\n"
                                     "[Display]\n"
                                     "Encoding=auto\n"
                                     "SyntaxHighlighting=1\n"
                                     "LineNumbers=1\n"
                                     "WordWrap=1\n"
                                     "ListColumns=\n"
                                     "[Find All]\n"
                                     "SkipReportLayouts=1\n"
                                     "[Compare]\n"
                                     "Strict=0\n"
                                     "Unified=0\n"
                                     "[Merge]\n"
                                     "Strict=0\n"
                                     "Diff3=0\n"
                                     "VersionList=union\n"
                                     "ShowUnchanged=0\n";
        QCOMPARE(Folder.ReadSettings("quib.zup"), Expected);
    }

    void roundTripKeepsTheFile()
    {
        TTestFolder Folder;
        const std::string Content =
            "; written by hand\r\n"
            "[Window]\r\nWidth=700\r\nHeight=500\r\nLeft=-30\r\nTop=20\r\n"
            "[Other]\r\nKeep=this\r\n"
            "[View]\r\nCodeFontName=DejaVu Sans Mono\r\nCodeFontSize=11\r\nCodeFontBold=1\r\nCodeFontItalic=1\r\n"
            "ListFontName=DejaVu Sans\r\nListFontSize=10\r\nListFontBold=0\r\nListFontItalic=1\r\n"
            "ObjectListWidth=150\r\n"
            "[Find]\r\nFindText=Sales Header\r\nMatchCase=1\r\n"
            "[Display]\r\nEncoding=cp850\r\nSyntaxHighlighting=0\r\nLineNumbers=0\r\nWordWrap=0\r\n"
            "ListColumns=Modified,Date\r\n"
            "[Recent]\r\nFile1=/gone/first.txt\r\nFile2=/gone/second.txt\r\nFile3=\r\nFile4=\r\nFile5=\r\n"
            "File6=\r\nFile7=\r\nFile8=\r\n"
            "[Find All]\r\nSkipReportLayouts=0\r\n"
            "[Compare]\r\nStrict=1\r\nUnified=1\r\n"
            "[Merge]\r\nStrict=1\r\nDiff3=1\r\nVersionList=theirs\r\nShowUnchanged=1\r\n";
        Folder.Write("quib.zup", Content);
        {
            auto Window = MakeWindow(Folder);
            QCOMPARE(Window->geometry().size(), QSize(700, 500));
            QCOMPARE(Window->pos(), QPoint(-30, 20));
            QCOMPARE(TreeWidth(*Window), 150);
            const QFont Code = Component<TObjectTextView>(*Window, "memMain")->font();
            QCOMPARE(Code.family(), QStringLiteral("DejaVu Sans Mono"));
            QCOMPARE(Code.pointSize(), 11);
            QVERIFY(Code.bold() && Code.italic());
            const QFont List = Component<QWidget>(*Window, "lvwMain")->font();
            QCOMPARE(List.family(), QStringLiteral("DejaVu Sans"));
            QCOMPARE(List.pointSize(), 10);
            QVERIFY(!List.bold() && List.italic());
            QCOMPARE(Component<QWidget>(*Window, "tvwMain")->font(), List);
            QCOMPARE(Window->FindText(), std::string("Sales Header"));
            QVERIFY(Window->FindMatchCase());
            const auto* Text = Component<TObjectTextView>(*Window, "memMain");
            QVERIFY(!Text->LineNumbersShown() && !Text->WordWrap());
            QVERIFY(!Component<QCheckBox>(*Window, "chkFindAllSkipLayouts")->isChecked());
            const TCompareChoices Compare = Window->findChild<TCompareCommand*>()->Choices();
            QVERIFY(Compare.Strict && Compare.Unified);
        }
        QCOMPARE(Folder.Read("quib.zup"), Content);
    }

    void treeWidthHoldsOnScreen()
    {
        TTestFolder Folder;
        Folder.Write("quib.zup", "[Window]\nWidth=640\nHeight=400\n[View]\nObjectListWidth=123\n");
        auto Window = MakeWindow(Folder);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        QCOMPARE(Component<QWidget>(*Window, "tvwMain")->width(), 123);
        const int SplitterWidth = Component<QWidget>(*Window, "splMain")->width();
        Window->resize(700, 500);
        QTRY_VERIFY(Component<QWidget>(*Window, "splMain")->width() != SplitterWidth);
        QCOMPARE(Component<QWidget>(*Window, "tvwMain")->width(), 123);
    }

    void handEditedValues_data()
    {
        QTest::addColumn<QByteArray>("Content");
        QTest::addColumn<QString>("Check");
        QTest::addColumn<int>("Expected");  // for checks that compare a number
        QTest::newRow("hex 0x") << QByteArray("[Window]\nWidth=0x1F4\n") << "width" << 500;
        QTest::newRow("hex $") << QByteArray("[Window]\nHeight=$1F4\n") << "height" << 500;
        QTest::newRow("bare 0x is no number") << QByteArray("[Window]\nWidth=0x\n") << "width" << -1;
        QTest::newRow("wide window centred left of the screen")
            << QByteArray("[Window]\nWidth=1601\n") << "left" << -1;
        QTest::newRow("tiny window: its real width centres it") << QByteArray("[Window]\nWidth=10\n") << "left" << -1;
        QTest::newRow("garbage width") << QByteArray("[Window]\nWidth=12abc\n") << "width" << -1;
        QTest::newRow("tree width not a number") << QByteArray("[View]\nObjectListWidth=abc\n") << "tree" << -1;
        QTest::newRow("empty face keeps the window's") << QByteArray("[View]\nCodeFontName=\n") << "codeface" << 0;
        QTest::newRow("long face cut to 31")
            << QByteArray("[View]\nListFontName=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\n") << "listface" << 31;
        QTest::newRow("bold flag 256 is clear") << QByteArray("[View]\nCodeFontBold=256\n") << "codebold" << 0;
        QTest::newRow("bold flag 3 is set") << QByteArray("[View]\nCodeFontBold=3\n") << "codebold" << 1;
        QTest::newRow("italic flag -1 is set") << QByteArray("[View]\nListFontItalic=-1\n") << "listitalic" << 1;
        QTest::newRow("italic flag 0") << QByteArray("[View]\nListFontItalic=0\n") << "listitalic" << 0;
        QTest::newRow("size 0 keeps the designed size") << QByteArray("[View]\nCodeFontSize=0\n") << "codesize" << 8;
        QTest::newRow("match case 1") << QByteArray("[Find]\nMatchCase=1\n") << "matchcase" << 1;
        QTest::newRow("match case 512") << QByteArray("[Find]\nMatchCase=512\n") << "matchcase" << 0;
        QTest::newRow("find text cut to 255") << QByteArray("[Find]\nFindText=" + QByteArray(300, 'x') + "\n")
                                              << "findtext" << 255;
        QTest::newRow("section and key names in any case")
            << QByteArray("[WINDOW]\nwidth=777\n") << "width" << 777;
        QTest::newRow("junk lines ignored")
            << QByteArray("garbage\n\x01\xFF\n[Window\nWidth=555\n[Window]\n=5\nWidth 600\nWidth=650\n") << "width" << 650;
    }

    void handEditedValues()
    {
        QFETCH(QByteArray, Content);
        QFETCH(QString, Check);
        QFETCH(int, Expected);
        TTestFolder Folder;
        Folder.Write("quib.zup", Content.toStdString());
        auto Window = MakeWindow(Folder);
        const QSize Screen = ScreenSize();
        const QFont Code = Component<TObjectTextView>(*Window, "memMain")->font();
        const QFont List = Component<QWidget>(*Window, "lvwMain")->font();
        if (Check == "width")
            QCOMPARE(Window->width(), Expected >= 0 ? Expected : std::max(Screen.width() / 2, Window->minimumWidth()));
        else if (Check == "height")
            QCOMPARE(Window->height(), Expected);
        else if (Check == "left")
            QCOMPARE(Window->x(), Div(Screen.width() - Window->width(), 2));
        else if (Check == "tree")
            QCOMPARE(TreeWidth(*Window), Window->width() / 4);
        else if (Check == "codeface")
            QCOMPARE(TfrmMain::StoredFace(Code), QStringLiteral("Tahoma"));
        else if (Check == "listface")
            QCOMPARE(TfrmMain::StoredFace(List).size(), Expected);
        else if (Check == "codebold")
            QCOMPARE(Code.bold(), Expected != 0);
        else if (Check == "listitalic")
            QCOMPARE(List.italic(), Expected != 0);
        else if (Check == "codesize")
            QCOMPARE(Code.pointSize(), Expected);
        else if (Check == "matchcase")
            QCOMPARE(Window->FindMatchCase(), Expected != 0);
        else if (Check == "findtext")
            QCOMPARE(int(Window->FindText().size()), Expected);
        else
            QFAIL("unknown check");
    }

    void hugeValuesDoNotStopStartUp()
    {
        TTestFolder Folder;
        Folder.Write("quib.zup",
                     "[Window]\nWidth=2147483647\nHeight=-2147483648\nTop=2147483647\n"
                     "[View]\nCodeFontSize=2147483647\nListFontSize=-2147483648\nObjectListWidth=2147483647\n");
        const QRect Available = QGuiApplication::primaryScreen()->availableGeometry();
        {
            auto Window = MakeWindow(Folder);
            // No window bigger than the screen: one of 32767 pixels a side
            // takes gigabytes and minutes to paint.
            QVERIFY(Available.contains(Window->frameGeometry()));
            QCOMPARE(Window->height(), Window->minimumHeight());
            QVERIFY(Component<TObjectTextView>(*Window, "memMain")->font().pointSize() > 0);
            QCOMPARE(Component<QWidget>(*Window, "lvwMain")->font().pointSize(), 8);
            Window->show();
            QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        }
        QVERIFY(Folder.Read("quib.zup").find("[Find]") != std::string::npos);

        Folder.Write("quib.zup", "[Window]\nWidth=-2147483648\nHeight=300\nLeft=-2147483648\nTop=-5\n");
        auto Window = MakeWindow(Folder);
        QCOMPARE(Window->width(), Window->minimumWidth());
        QVERIFY(Available.contains(Window->frameGeometry()));
    }

    // Stored bounds against the screens' available areas: the first area is
    // the primary screen's.
    void fitIntoScreens_data()
    {
        QTest::addColumn<QRect>("Wanted");
        QTest::addColumn<QList<QRect>>("Areas");
        QTest::addColumn<QRect>("Fitted");
        const QRect Primary(0, 0, 1280, 770);
        const QRect Right(1280, 0, 1920, 1050);
        QTest::newRow("fits: as stored") << QRect(100, 50, 640, 400) << QList<QRect>{Primary} << QRect(100, 50, 640, 400);
        QTest::newRow("partly off: stays") << QRect(-30, 20, 640, 400) << QList<QRect>{Primary}
                                         << QRect(-30, 20, 640, 400);
        QTest::newRow("too big: the area's size") << QRect(10, 10, 32767, 32767) << QList<QRect>{Primary}
                                                << QRect(10, 10, 1280, 770);
        QTest::newRow("off every screen: onto the primary") << QRect(-16777215, 90000, 640, 400)
                                                           << QList<QRect>{Primary, Right} << QRect(0, 370, 640, 400);
        QTest::newRow("mostly on the second screen: its size") << QRect(1300, 10, 3000, 3000)
                                                              << QList<QRect>{Primary, Right}
                                                              << QRect(1300, 10, 1920, 1050);
        QTest::newRow("no screens: as stored") << QRect(5, 5, 99999, 99999) << QList<QRect>{}
                                               << QRect(5, 5, 99999, 99999);
    }

    void fitIntoScreens()
    {
        QFETCH(QRect, Wanted);
        QFETCH(QList<QRect>, Areas);
        QFETCH(QRect, Fitted);
        QCOMPARE(FitIntoScreens(Wanted, Areas), Fitted);
    }

    // A find text with a line break keeps its first line; a face or find text
    // that is not valid in the system's encoding comes back byte for byte.
    void storedTextsComeBackUnchanged()
    {
        TTestFolder Folder;
        const std::string Face = "Mono\xC4\xFF\xE9 Sans";
        const std::string Find = "Bel\xF8""b \x9B";
        Folder.Write("quib.zup", "[View]\nCodeFontName=" + Face + "\n[Find]\nFindText=" + Find + "\n");
        {
            auto Window = MakeWindow(Folder);
        }
        std::string Saved = Folder.Read("quib.zup");
        QVERIFY2(Saved.find("CodeFontName=" + Face + "\n") != std::string::npos, Saved.c_str());
        QVERIFY2(Saved.find("FindText=" + Find + "\n") != std::string::npos, Saved.c_str());

        TErrorCapture Errors;
        {
            auto Window = MakeWindow(Folder);
            Window->SetFindText("first line\r\nsecond line");
        }
        QCOMPARE(Errors.Messages, QStringList());
        Saved = Folder.Read("quib.zup");
        QVERIFY2(Saved.find("FindText=first line\n") != std::string::npos, Saved.c_str());
        QVERIFY2(Saved.find("MatchCase=") != std::string::npos, Saved.c_str());
    }

    void maximizedWindowKeepsStoredPlacement()
    {
        TTestFolder Folder;
        Folder.Write("quib.zup", "[Window]\nWidth=500\nHeight=350\nLeft=7\nTop=8\n");
        {
            auto Window = MakeWindow(Folder);
            Window->showMaximized();
            QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        }
        const std::string Saved = Folder.Read("quib.zup");
        QVERIFY(Saved.rfind("[Window]\nWidth=500\nHeight=350\nLeft=7\nTop=8\n[View]\n", 0) == 0);

        TTestFolder Fresh;
        {
            auto Window = MakeWindow(Fresh);
            Window->showMaximized();
            QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        }
        QVERIFY(Fresh.ReadSettings("quib.zup").rfind("[View]\nCodeFontName=", 0) == 0);
    }

    void unwritableFileShowsOneMessage()
    {
        TTestFolder Folder;
        const QString Path = Folder.Path("no such folder/quib.zup");
        TErrorCapture Errors;
        {
            TfrmMain Window({}, Path);
        }
        QCOMPARE(Errors.Messages, QStringList{"Unable to write to " + Path + "."});
        QVERIFY(!QFile::exists(Path));
    }

    void missingFontsFallBackByStyle()
    {
        if (QFontDatabase::hasFamily(QStringLiteral("Courier New")) || QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
            QSKIP("the designed fonts are installed here");
#ifdef _WIN32
        // Under Wine the tests' offscreen platform reads one folder of faces and
        // knows no face by its style; the windows platform asks the system.
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            QSKIP("no fallback by style on the offscreen platform here");
#endif
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        const QFont Code = Component<TObjectTextView>(*Window, "memMain")->font();
        const QFont List = Component<QWidget>(*Window, "lvwMain")->font();
        QVERIFY2(Monospaced(Code), qPrintable(QFontInfo(Code).family()));
        QVERIFY2(!Monospaced(List), qPrintable(QFontInfo(List).family()));
        QCOMPARE(TfrmMain::StoredFace(Code), QStringLiteral("Courier New"));
        QCOMPARE(TfrmMain::StoredFace(List), QStringLiteral("Tahoma"));
    }
};

QTEST_MAIN(TestMainSettings)
#include "test_mainsettings.moc"
