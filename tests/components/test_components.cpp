// The three small components: the About box, the folder browser and the styled
// popup menus. Modal dialogs and menus are answered from timers.
#include "components/aboutbox.h"
#include "components/actnpopupctrl.h"
#include "components/brwsfldr.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <stdexcept>

namespace {

constexpr int AnswerTimeoutMs = 10000;

// Polls of WhenShown not yet answered; a test's leftovers never reach the next.
QList<QPointer<QTimer>> PendingPolls;

// Calls Answer with the modal dialog (or popup menu) as soon as it is shown,
// from inside its own event loop. Whatever Answer leaves open is closed after a
// while, so that a fault fails the test instead of hanging it.
void WhenShown(std::function<void(QWidget& Shown)> Answer, bool Popup = false)
{
    auto* Poll = new QTimer;
    auto Clock = std::make_shared<QElapsedTimer>();
    Clock->start();
    QObject::connect(Poll, &QTimer::timeout, [=] {
        QWidget* Shown = Popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
        if (!Shown && Clock->elapsed() < AnswerTimeoutMs)
            return;
        Poll->stop();
        Poll->deleteLater();
        if (!Shown)
            return;
        QPointer<QWidget> Guard(Shown);
        Answer(*Shown);
        if (Guard && Guard->isVisible())
            QTimer::singleShot(AnswerTimeoutMs, Guard, [Guard] {
                if (Guard)
                    Guard->close();
            });
    });
    PendingPolls << Poll;
    Poll->start(5);
}

template <class T>
T* Child(QWidget& Parent, const char* Name)
{
    return Parent.findChild<T*>(QLatin1String(Name));
}

// Texts of the visible entries, "-" for a separator.
QStringList Entries(const QMenu& Menu)
{
    QStringList Texts;
    for (QAction* Action : Menu.actions())
        if (Action->isVisible())
            Texts << (Action->isSeparator() ? QStringLiteral("-") : Action->text());
    return Texts;
}

QAction* EntryNamed(const QMenu& Menu, const QString& Text)
{
    for (QAction* Action : Menu.actions())
        if (Action->text() == Text)
            return Action;
    return nullptr;
}

// ---------------------------------------------------------------------------

class TFixedAboutBox : public TAboutBox {
public:
    platform::TVersionData Version{"Orvanta", "1.0.0.23", "Copyright (C) 2026 The Orvanta developers"};
    platform::TMemoryStatus Memory{536281088, 63};
    std::optional<QFont> Font;

protected:
    platform::TVersionData VersionData() const override { return Version; }
    platform::TMemoryStatus MemoryStatus() const override { return Memory; }
    QFont DialogFont() const override { return Font ? *Font : TAboutBox::DialogFont(); }
};

// What a test sees of an About dialog while it is shown.
struct TAboutSeen {
    QString Caption, Product, Version, Copyright, PhysMem, Free;
    int PhysMemRight = 0, FreeRight = 0;
    bool CaptionsClear = false; // no caption runs under its figure
    QSize ClientSize;
    QStringList LayoutFaults;   // texts cut off, controls overlapping or out of order
};

// What is wrong with the dialog's layout as drawn: a control outside the client
// area, a label narrower than its text, two controls overlapping, rows out of
// their top-to-bottom order.
QStringList LayoutFaults(QWidget& Dialog)
{
    QStringList Faults;
    const QRect Client(QPoint(0, 0), Dialog.size());
    const QList<QWidget*> Controls = Dialog.findChildren<QWidget*>();
    for (QWidget* Control : Controls) {
        if (!Client.contains(Control->geometry()))
            Faults << Control->objectName() + " outside";
        if (auto* Label = qobject_cast<QLabel*>(Control); Label && !Label->text().isEmpty()) {
            const QSize Text = Label->fontMetrics().size(0, Label->text());
            if (Label->width() < Text.width() || Label->height() < Text.height())
                Faults << Label->objectName() + " cut";
        }
        for (QWidget* Other : Controls)
            if (Control < Other && Control->geometry().intersects(Other->geometry()))
                Faults << Control->objectName() + " overlaps " + Other->objectName();
    }
    const char* const Order[] = {"lblProductName", "lblVersion", "lblCopyright", "bvlMemory",
                                 "lblPhysMemCaption", "lblFreeCaption", "btnOK"};
    for (std::size_t I = 1; I < std::size(Order); ++I) {
        const QWidget* Above = Dialog.findChild<QWidget*>(QLatin1String(Order[I - 1]));
        const QWidget* Below = Dialog.findChild<QWidget*>(QLatin1String(Order[I]));
        if (Above && Below && Above->geometry().bottom() >= Below->y())
            Faults << QLatin1String(Order[I]) + " not below " + QLatin1String(Order[I - 1]);
    }
    return Faults;
}

TAboutSeen SeeAbout(QWidget& Dialog)
{
    const auto Text = [&](const char* Name) {
        QLabel* Label = Child<QLabel>(Dialog, Name);
        return Label ? Label->text() : QStringLiteral("<missing>");
    };
    const auto Right = [&](const char* Name) {
        QLabel* Label = Child<QLabel>(Dialog, Name);
        return Label ? Label->x() + Label->width() : -1;
    };
    const auto Left = [&](const char* Name) {
        QLabel* Label = Child<QLabel>(Dialog, Name);
        return Label ? Label->x() : -1;
    };
    return {Dialog.windowTitle(), Text("lblProductName"), Text("lblVersion"), Text("lblCopyright"),
            Text("lblPhysMem"),   Text("lblFree"),        Right("lblPhysMem"), Right("lblFree"),
            Right("lblPhysMemCaption") <= Left("lblPhysMem") && Right("lblFreeCaption") <= Left("lblFree"),
            Dialog.size(), LayoutFaults(Dialog)};
}

// ---------------------------------------------------------------------------

class TTestPopup : public TPopupActionBarEx {
public:
    using TPopupActionBarEx::TPopupActionBarEx;
    std::function<QAction*(QMenu& Menu)> Track;
    int Tracks = 0;

protected:
    QAction* TrackPopup(QMenu& Menu, const QPoint&) override
    {
        ++Tracks;
        return Track ? Track(Menu) : nullptr;
    }
};

} // namespace

class TestComponents : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    // About box
    void aboutShowsVersionDataAndLayout();
    void aboutShowsTheBuildsVersionData();
    void aboutFigures_data();
    void aboutFigures();
    void aboutFitsAnyFont_data();
    void aboutFitsAnyFont();
    void aboutCloses_data();
    void aboutCloses();
    void aboutTwiceShowsTwoDialogs();

    // Folder browser
    void browseOptionsReadBack();
    void browseOptionsShapeTheDialog_data();
    void browseOptionsShapeTheDialog();
    void browseOkReturnsPreselectedFolder();
    void browseCancelKeepsFolderName();
    void browseDefaultCaptionAndNoPrompt();
    void browsePromptAboveFolders();
    void browseChosenPath_data();
    void browseChosenPath();
    void browseOnSelectEnablesOk();
    void browseOnSelectJudgesPreselectedFolder();
    void browseOnSelectFailureClosesDialog();

    // Styled popup menus
    void popupMirrorsActionBoundItems();
    void popupFollowsItemsAndActionsBetweenPopups();
    void popupSeparatorsAndWrappers();
    void popupSubMenuFilledOnFirstOpen();
    void popupShadows_data();
    void popupShadows();
    void popupIgnoresReentrantCall();
    void popupStyle();
    void popupFreedOnFailure_data();
    void popupFreedOnFailure();
    void popupRealMenuRunsChosenCommand();
    void popupAttachedToControl();

private:
    QTemporaryDir FTemp;
    QString Folder(const QString& Name) const { return QDir::toNativeSeparators(FTemp.filePath(Name)); }
};

void TestComponents::initTestCase()
{
    QVERIFY(FTemp.isValid());
    for (const char* Name : {"alpha", "beta", "locked"})
        QVERIFY(QDir(FTemp.path()).mkdir(QLatin1String(Name)));
}

void TestComponents::cleanup()
{
    for (const QPointer<QTimer>& Poll : std::exchange(PendingPolls, {}))
        delete Poll.data();
}

// ---------------------------------------------------------------------------
// About box

void TestComponents::aboutShowsVersionDataAndLayout()
{
    QPixmap IconPixmap(32, 32);
    IconPixmap.fill(Qt::darkCyan);
    QApplication::setWindowIcon(QIcon(IconPixmap));
    TFixedAboutBox Box;
    TAboutSeen Seen;
    bool FixedSize = false, NoMinMax = false;
    QString StaticTexts;
    bool OkDefault = false, OkHasFocus = false, IconShown = false;
    WhenShown([&](QWidget& Dialog) {
        Seen = SeeAbout(Dialog);
        FixedSize = Dialog.minimumSize() == Dialog.maximumSize();
        NoMinMax = !(Dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        StaticTexts = Child<QLabel>(Dialog, "lblPhysMemCaption")->text() + '|' +
                      Child<QLabel>(Dialog, "lblFreeCaption")->text();
        auto* Ok = Child<QPushButton>(Dialog, "btnOK");
        OkDefault = Ok->isDefault() && Ok->text() == QLatin1String("OK");
        OkHasFocus = Dialog.focusWidget() == Ok;
        IconShown = !Child<QLabel>(Dialog, "imgIcon")->pixmap().isNull();
        Ok->click();
    });
    QVERIFY(Box.Execute());
    QApplication::setWindowIcon(QIcon());

    QCOMPARE(Seen.Caption, QStringLiteral("About Orvanta"));
    QCOMPARE(Seen.Product, QStringLiteral("Orvanta"));
    QCOMPARE(Seen.Version, QStringLiteral("Version 1.0.0.23"));
    QCOMPARE(Seen.Copyright, QStringLiteral("Copyright (C) 2026 The Orvanta developers"));
#ifdef _WIN32
    QCOMPARE(StaticTexts, QStringLiteral("Physical memory available to Windows:|System resources:"));
#else
    QVERIFY2(!StaticTexts.contains(QLatin1String("Windows")), qPrintable(StaticTexts));
    QVERIFY(StaticTexts.startsWith(QLatin1String("Physical memory available to ")));
    QVERIFY(StaticTexts.endsWith(QLatin1String(":|System resources:")));
#endif
    QVERIFY(FixedSize);
    QVERIFY(NoMinMax);
    QVERIFY(OkDefault);
    QVERIFY(OkHasFocus);
    QVERIFY(IconShown);
    QVERIFY2(Seen.LayoutFaults.isEmpty(), qPrintable(Seen.LayoutFaults.join(", ")));
}

void TestComponents::aboutShowsTheBuildsVersionData()
{
    TAboutBox Box;
    TAboutSeen Seen;
    WhenShown([&](QWidget& Dialog) {
        Seen = SeeAbout(Dialog);
        QTest::keyClick(&Dialog, Qt::Key_Escape);
    });
    QVERIFY(Box.Execute());
    QCOMPARE(Seen.Caption, QStringLiteral("About Orvanta"));
    QCOMPARE(Seen.Version, QStringLiteral("Version " ORVANTA_VERSION));
    QVERIFY(Seen.Copyright.startsWith(QLatin1String("Copyright (C) ")));
    QVERIFY(Seen.PhysMem.endsWith(QLatin1String(" KB")));
    QVERIFY(Seen.Free.endsWith(QLatin1String("% Free")));
}

void TestComponents::aboutFigures_data()
{
    QTest::addColumn<quint64>("TotalPhys");
    QTest::addColumn<uint>("MemoryLoad");
    QTest::addColumn<QLocale>("Locale");
    QTest::addColumn<QString>("PhysMem");
    QTest::addColumn<QString>("Free");

    const QLocale C(QLocale::C);
    const QLocale German(QLocale::German, QLocale::Germany);
    QTest::addRow("example") << quint64(536281088) << 63u << C << "523,712 KB" << "37% Free";
    QTest::addRow("half a kilobyte rounds up") << quint64(1023 * 1024 + 512) << 0u << C << "1,024 KB" << "100% Free";
    QTest::addRow("less than half rounds down") << quint64(1023 * 1024 + 511) << 100u << C << "1,023 KB" << "0% Free";
    QTest::addRow("three digits") << quint64(999 * 1024) << 1u << C << "999 KB" << "99% Free";
    QTest::addRow("64 GiB") << quint64(64) * 1024 * 1024 * 1024 << 50u << C << "67,108,864 KB" << "50% Free";
    QTest::addRow("1 TiB") << (quint64(1) << 40) << 0u << C << "1,073,741,824 KB" << "100% Free";
    QTest::addRow("user's separator") << quint64(536281088) << 63u << German << "523.712 KB" << "37% Free";
}

void TestComponents::aboutFigures()
{
    QFETCH(quint64, TotalPhys);
    QFETCH(uint, MemoryLoad);
    QFETCH(QLocale, Locale);
    QFETCH(QString, PhysMem);
    QFETCH(QString, Free);

    const QLocale Saved;
    QLocale::setDefault(Locale);
    TFixedAboutBox Box;
    Box.Memory = {TotalPhys, MemoryLoad};
    TAboutSeen Seen;
    WhenShown([&](QWidget& Dialog) {
        Seen = SeeAbout(Dialog);
        Dialog.close();
    });
    Box.Execute();
    QLocale::setDefault(Saved);

    QCOMPARE(Seen.PhysMem, PhysMem);
    QCOMPARE(Seen.Free, Free);
    QCOMPARE(Seen.PhysMemRight, Seen.FreeRight);
    QVERIFY(Seen.CaptionsClear);
    QVERIFY2(Seen.LayoutFaults.isEmpty(), qPrintable(Seen.LayoutFaults.join(", ")));
}

// Whatever face and size the system draws the dialog in, every text fits and
// nothing overlaps; where the designed client area holds the texts, the dialog
// keeps it and the figures end where they were drawn.
void TestComponents::aboutFitsAnyFont_data()
{
    QTest::addColumn<QFont>("Font");
    QTest::addColumn<quint64>("TotalPhys");
    QTest::addColumn<bool>("Designed");
    const auto Sized = [](const char* Family, int Pixels, bool Bold = false) {
        QFont Font{QString::fromLatin1(Family)};
        Font.setPixelSize(Pixels);
        Font.setBold(Bold);
        return Font;
    };
    const quint64 TiB = quint64(1) << 40;
    QTest::addRow("tiny sans, short figure") << Sized("Sans Serif", 6) << quint64(536281088) << true;
    QTest::addRow("default face, 1 TiB") << QFont() << TiB << false;
    QTest::addRow("sans 13 px, 1 TiB") << Sized("Sans Serif", 13) << TiB << false;
    QTest::addRow("bold serif 20 px, 1 TiB") << Sized("Serif", 20, true) << TiB << false;
    QTest::addRow("monospace 32 px, 16 EiB") << Sized("Monospace", 32) << ~quint64(0) << false;
}

void TestComponents::aboutFitsAnyFont()
{
    QFETCH(QFont, Font);
    QFETCH(quint64, TotalPhys);
    QFETCH(bool, Designed);

    TFixedAboutBox Box;
    Box.Font = Font;
    Box.Memory = {TotalPhys, 0};
    TAboutSeen Seen;
    WhenShown([&](QWidget& Dialog) {
        Seen = SeeAbout(Dialog);
        Dialog.close();
    });
    Box.Execute();

    QVERIFY(Seen.CaptionsClear);
    QVERIFY2(Seen.LayoutFaults.isEmpty(), qPrintable(Seen.LayoutFaults.join(", ")));
    QCOMPARE(Seen.PhysMemRight, Seen.FreeRight);
    QVERIFY(Seen.ClientSize.width() >= 340 && Seen.ClientSize.height() >= 256);
    if (Designed) {
        QCOMPARE(Seen.ClientSize, QSize(340, 256));
        QCOMPARE(Seen.PhysMemRight, 328);
    }
}

void TestComponents::aboutCloses_data()
{
    QTest::addColumn<QString>("How");
    for (const char* How : {"Esc", "Enter", "OK button", "close box"})
        QTest::addRow("%s", How) << QString::fromLatin1(How);
}

void TestComponents::aboutCloses()
{
    QFETCH(QString, How);
    TFixedAboutBox Box;
    QPointer<QWidget> Shown;
    WhenShown([&](QWidget& Dialog) {
        Shown = &Dialog;
        if (How == QLatin1String("Esc"))
            QTest::keyClick(&Dialog, Qt::Key_Escape);
        else if (How == QLatin1String("Enter"))
            QTest::keyClick(&Dialog, Qt::Key_Return);
        else if (How == QLatin1String("OK button"))
            QTest::mouseClick(Child<QPushButton>(Dialog, "btnOK"), Qt::LeftButton);
        else
            Dialog.close();
    });
    QElapsedTimer Clock;
    Clock.start();
    QCOMPARE(Box.Execute(), true);
    QVERIFY2(Clock.elapsed() < AnswerTimeoutMs, "the dialog did not close");
    QVERIFY(!Shown); // released once closed
}

void TestComponents::aboutTwiceShowsTwoDialogs()
{
    TFixedAboutBox Box;
    QList<TAboutSeen> Seen;
    int Shown = 0;
    const auto Answer = [&](QWidget& Dialog) {
        ++Shown;
        Seen << SeeAbout(Dialog);
        Dialog.close();
    };
    WhenShown(Answer);
    QVERIFY(Box.Execute());
    Box.Memory = {2048ull * 1024 * 1024, 10};
    WhenShown(Answer);
    QVERIFY(Box.Execute());
    QCOMPARE(Shown, 2);
    QCOMPARE(Seen.at(0).PhysMem, QStringLiteral("523,712 KB"));
    QCOMPARE(Seen.at(1).PhysMem, QStringLiteral("2,097,152 KB"));
    QCOMPARE(Seen.at(1).Free, QStringLiteral("90% Free"));
}

// ---------------------------------------------------------------------------
// Folder browser

void TestComponents::browseOptionsReadBack()
{
    TBrowseForFolderDialog Dialog;
    QCOMPARE(Dialog.Options(), TBrowseOptions{});
    Dialog.SetOptions({boNewDialogStyle, boReturnsOnlyFSDirs});
    QCOMPARE(Dialog.Options(), (TBrowseOptions{boReturnsOnlyFSDirs, boNewDialogStyle}));
    QVERIFY(!(Dialog.Options() == TBrowseOptions{boNewDialogStyle}));
}

void TestComponents::browseOptionsShapeTheDialog_data()
{
    QTest::addColumn<TBrowseOptions>("Options");
    QTest::addColumn<bool>("NewFolderButton");
    QTest::addColumn<bool>("DirsOnly");
    QTest::addRow("the window's export options")
        << TBrowseOptions{boNewDialogStyle, boReturnsOnlyFSDirs} << true << true;
    QTest::addRow("boNoNewFolderButton") << TBrowseOptions{boNoNewFolderButton} << false << true;
    QTest::addRow("boBrowseIncludeFiles") << TBrowseOptions{boBrowseIncludeFiles} << true << false;
}

void TestComponents::browseOptionsShapeTheDialog()
{
    QFETCH(TBrowseOptions, Options);
    QFETCH(bool, NewFolderButton);
    QFETCH(bool, DirsOnly);
    TBrowseForFolderDialog Browse;
    Browse.SetOptions(Options);
    bool SeenButton = !NewFolderButton, SeenDirsOnly = !DirsOnly;
    WhenShown([&](QWidget& Shown) {
        auto& Dialog = static_cast<QFileDialog&>(Shown);
        auto* Button = Child<QWidget>(Dialog, "newFolderButton");
        SeenButton = Button && Button->isVisible() && Button->isEnabled();
        SeenDirsOnly = Dialog.testOption(QFileDialog::ShowDirsOnly);
        Dialog.close();
    });
    Browse.Execute();
    QCOMPARE(SeenButton, NewFolderButton);
    QCOMPARE(SeenDirsOnly, DirsOnly);
}

void TestComponents::browseOkReturnsPreselectedFolder()
{
    TBrowseForFolderDialog Browse;
    Browse.SetTitle(QStringLiteral("Export Objects"));
    Browse.SetOptions({boNewDialogStyle, boReturnsOnlyFSDirs});
    Browse.SetFolderName(Folder("beta"));
    for (int Run = 0; Run < 2; ++Run) {
        QString Caption;
        QStringList Selected;
        WhenShown([&](QWidget& Shown) {
            auto& Dialog = static_cast<QFileDialog&>(Shown);
            Caption = Dialog.windowTitle();
            Selected = Dialog.selectedFiles();
            QTest::mouseClick(Dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open),
                              Qt::LeftButton);
        });
        // The second run opens at the folder the first one chose.
        QVERIFY(Browse.Execute());
        QCOMPARE(Caption, QStringLiteral("Export Objects"));
        QCOMPARE(Selected, QStringList{FTemp.filePath("beta")});
        QCOMPARE(Browse.FolderName(), Folder("beta"));
    }
}

void TestComponents::browseCancelKeepsFolderName()
{
    TBrowseForFolderDialog Browse;
    Browse.SetFolderName(Folder("alpha"));
    WhenShown([&](QWidget& Dialog) {
        static_cast<QFileDialog&>(Dialog).selectFile(FTemp.filePath("beta"));
        QTest::keyClick(&Dialog, Qt::Key_Escape);
    });
    QVERIFY(!Browse.Execute());
    QCOMPARE(Browse.FolderName(), Folder("alpha"));
}

void TestComponents::browseDefaultCaptionAndNoPrompt()
{
    QFileDialog Plain;
    Plain.setOption(QFileDialog::DontUseNativeDialog);
    Plain.setFileMode(QFileDialog::Directory);

    TBrowseForFolderDialog Browse;
    QString Caption;
    bool HasPrompt = true;
    WhenShown([&](QWidget& Dialog) {
        Caption = Dialog.windowTitle();
        HasPrompt = Child<QLabel>(Dialog, "lblPrompt") != nullptr;
        Dialog.close();
    });
    QVERIFY(!Browse.Execute());
    QVERIFY(!Caption.isEmpty());
    QCOMPARE(Caption, Plain.windowTitle());
    QVERIFY(!HasPrompt);
}

void TestComponents::browsePromptAboveFolders()
{
    TBrowseForFolderDialog Browse;
    Browse.SetPrompt(QStringLiteral("Choose the folder for the objects:"));
    QString Text;
    bool Above = false;
    WhenShown([&](QWidget& Dialog) {
        auto* Prompt = Child<QLabel>(Dialog, "lblPrompt");
        auto* Folders = Child<QListView>(Dialog, "listView");
        if (Prompt && Folders && Prompt->isVisible()) {
            Text = Prompt->text();
            const QPoint PromptBottom = Prompt->mapTo(&Dialog, QPoint(0, Prompt->height()));
            Above = PromptBottom.y() <= Folders->mapTo(&Dialog, QPoint(0, 0)).y();
        }
        Dialog.close();
    });
    Browse.Execute();
    QCOMPARE(Text, QStringLiteral("Choose the folder for the objects:"));
    QVERIFY(Above);
}

void TestComponents::browseChosenPath_data()
{
    QTest::addColumn<QString>("Preselected");
    QTest::addColumn<QString>("Expected");
    QTest::addRow("root keeps its separator") << QDir::rootPath() << QDir::toNativeSeparators(QDir::rootPath());
    QTest::addRow("folder") << FTemp.filePath("alpha") << Folder("alpha");
    QTest::addRow("folder given with a trailing separator") << FTemp.filePath("beta") + '/' << Folder("beta");
}

void TestComponents::browseChosenPath()
{
    QFETCH(QString, Preselected);
    QFETCH(QString, Expected);
#ifdef _WIN32
    // Under Wine Qt's dialog accepts no drive root; not yet seen on Windows itself.
    if (Preselected == QDir::rootPath())
        QSKIP("a drive root is not accepted by the dialog under Wine");
#endif
    TBrowseForFolderDialog Browse;
    Browse.SetFolderName(Preselected);
    WhenShown([&](QWidget& Dialog) {
        QTest::mouseClick(Dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open),
                          Qt::LeftButton);
    });
    QVERIFY(Browse.Execute());
    QCOMPARE(Browse.FolderName(), Expected);
}

void TestComponents::browseOnSelectEnablesOk()
{
    TBrowseForFolderDialog Browse;
    Browse.SetFolderName(Folder("alpha"));
    QStringList Judged;
    TBrowseForFolderDialog* SeenSender = nullptr;
    Browse.SetOnSelect([&](TBrowseForFolderDialog& Sender, const QString& Path, bool& Allow) {
        SeenSender = &Sender;
        Judged << Path;
        QVERIFY(Allow);
        Allow = !Path.endsWith(QLatin1String("locked"));
    });

    QList<bool> OkEnabled;
    bool StayedOpen = false;
    WhenShown([&](QWidget& Shown) {
        auto& Dialog = static_cast<QFileDialog&>(Shown);
        auto* Model = Dialog.findChild<QFileSystemModel*>();
        auto* Folders = Child<QListView>(Dialog, "listView");
        QPushButton* Ok = Dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
        const auto Select = [&](const char* Name) {
            const QString Path = FTemp.filePath(QLatin1String(Name));
            const bool Loaded = QTest::qWaitFor([&] { return Model->index(Path).isValid(); }, AnswerTimeoutMs);
            Folders->setCurrentIndex(Model->index(Path));
            QCoreApplication::processEvents();
            OkEnabled << (Loaded && Ok->isEnabled());
        };
        Select("locked");
        // Typing does not lift the refusal; only the next selection change does.
        Child<QLineEdit>(Dialog, "fileNameEdit")->setText(QStringLiteral("beta"));
        OkEnabled << Ok->isEnabled();
        static_cast<QDialog&>(Dialog).accept(); // refused while the folder is not allowed
        StayedOpen = Dialog.isVisible();
        Select("beta");
        Select("locked");
        QTest::keyClick(&Dialog, Qt::Key_Escape);
    });
    QVERIFY(!Browse.Execute());

    QCOMPARE(SeenSender, &Browse);
    QCOMPARE(OkEnabled, (QList<bool>{false, false, true, false}));
    QVERIFY(StayedOpen);
    QVERIFY(Judged.contains(Folder("beta")));
    QCOMPARE(Judged.last(), Folder("locked"));
    // The folder last selected, although the user cancelled.
    QCOMPARE(Browse.FolderName(), Folder("locked"));
}

void TestComponents::browseOnSelectJudgesPreselectedFolder()
{
    TBrowseForFolderDialog Browse;
    Browse.SetFolderName(Folder("locked"));
    QStringList Judged;
    Browse.SetOnSelect([&](TBrowseForFolderDialog&, const QString& Path, bool& Allow) {
        Judged << Path;
        Allow = !Path.endsWith(QLatin1String("locked"));
    });
    bool OkEnabled = true;
    WhenShown([&](QWidget& Dialog) {
        OkEnabled = Dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->isEnabled();
        QTest::keyClick(&Dialog, Qt::Key_Escape);
    });
    QVERIFY(!Browse.Execute());
    QCOMPARE(Judged.value(0), Folder("locked"));
    QVERIFY(!OkEnabled);
    QCOMPARE(Browse.FolderName(), Folder("locked"));
}

void TestComponents::browseOnSelectFailureClosesDialog()
{
    TBrowseForFolderDialog Browse;
    Browse.SetFolderName(Folder("alpha"));
    bool Shown = false;
    Browse.SetOnSelect([](TBrowseForFolderDialog&, const QString& Path, bool&) {
        // Thrown inside the dialog's event loop, on the user's move to beta.
        if (Path.endsWith(QLatin1String("beta")))
            throw std::runtime_error("judge failed");
    });
    WhenShown([&](QWidget& Open) {
        Shown = true;
        auto& Dialog = static_cast<QFileDialog&>(Open);
        auto* Model = Dialog.findChild<QFileSystemModel*>();
        const QString Path = FTemp.filePath("beta");
        if (!QTest::qWaitFor([&] { return Model->index(Path).isValid(); }, AnswerTimeoutMs))
            return Dialog.close(), void();
        Child<QListView>(Dialog, "listView")->setCurrentIndex(Model->index(Path));
    });
    QString Message;
    try {
        Browse.Execute();
    } catch (const std::runtime_error& Error) {
        Message = QString::fromUtf8(Error.what());
    }
    QVERIFY(Shown);
    QCOMPARE(Message, QStringLiteral("judge failed"));
    QVERIFY(!QApplication::activeModalWidget());
}

// ---------------------------------------------------------------------------
// Styled popup menus

void TestComponents::popupMirrorsActionBoundItems()
{
    QAction Copy(QStringLiteral("&Copy"));
    Copy.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    QPixmap Pixmap(16, 16);
    Pixmap.fill(Qt::blue);
    Copy.setIcon(QIcon(Pixmap));
    QAction Export(QStringLiteral("&Export..."));
    Export.setEnabled(false);
    QAction Hidden(QStringLiteral("&Font..."));
    TActionManager Manager;

    TTestPopup Popup;
    Popup.setObjectName(QStringLiteral("pumTreeView"));
    Popup.SetActionManager(&Manager);
    TMenuItem& CopyItem = Popup.Items().Add(&Copy);
    Popup.Items().Add(&Export);
    Popup.Items().Add(&Hidden);
    int Popups = 0;
    Popup.SetOnPopup([&](TCustomPopupActionBarEx& Sender) {
        QCOMPARE(&Sender, &Popup);
        // Before the items copy their actions' states: the entry stays hidden.
        Hidden.setVisible(false);
        ++Popups;
    });

    QStringList Texts;
    QString StyleSheet, Shortcut;
    bool CopyEnabled = false, ExportEnabled = true, HasIcon = false, Bound = false;
    QPointer<QMenu> Shown;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        Shown = &Menu;
        Texts = Entries(Menu);
        StyleSheet = Menu.styleSheet();
        auto* CopyEntry = qobject_cast<TActionClientItem*>(EntryNamed(Menu, "&Copy"));
        auto* ExportEntry = EntryNamed(Menu, "&Export...");
        if (!CopyEntry || !ExportEntry)
            return nullptr;
        Bound = CopyEntry->Tag() == &CopyItem;
        Shortcut = CopyEntry->shortcut().toString(QKeySequence::PortableText);
        HasIcon = !CopyEntry->icon().isNull();
        CopyEnabled = CopyEntry->isEnabled();
        ExportEnabled = ExportEntry->isEnabled();
        return CopyEntry;
    };
    int Copies = 0;
    bool MenuAliveWhenRun = false;
    connect(&Copy, &QAction::triggered, this, [&] {
        ++Copies;
        MenuAliveWhenRun = !Shown.isNull();
    });

    Popup.Popup(QPoint(10, 10));

    QCOMPARE(Popups, 1);
    QCOMPARE(Texts, (QStringList{"&Copy", "&Export..."})); // the hidden action's item does not appear
    QCOMPARE(StyleSheet, Manager.StyleSheet());
    QCOMPARE(Manager.Style().Name, QStringLiteral("XP Style"));
    QVERIFY(Bound);
    QCOMPARE(Shortcut, QStringLiteral("Ctrl+C"));
    QVERIFY(HasIcon);
    QVERIFY(CopyEnabled);
    QVERIFY(!ExportEnabled);
    QCOMPARE(Copies, 1); // the chosen command ran, before the popup was freed
    QVERIFY(MenuAliveWhenRun);
    QVERIFY(!Shown);
}

void TestComponents::popupFollowsItemsAndActionsBetweenPopups()
{
    QAction Export(QStringLiteral("&Export..."));
    QAction Font(QStringLiteral("&Font..."));
    TTestPopup Popup;
    Popup.Items().Add(&Export);
    Popup.Items().Add(&Font);
    QList<QStringList> Seen;
    QList<bool> EnabledWhileOpen;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        Seen << Entries(Menu);
        // The entry follows its action's enabled state while the menu is open.
        QAction* Entry = Menu.actions().value(0);
        Export.setEnabled(!Export.isEnabled());
        EnabledWhileOpen << (Entry && Entry->isEnabled());
        return nullptr;
    };
    Popup.Popup(QPoint());
    Font.setVisible(false);
    Export.setText(QStringLiteral("Ex&port..."));
    Popup.Items().Add(QStringLiteral("&Added"));
    Popup.Popup(QPoint());

    QCOMPARE(Seen.value(0), (QStringList{"&Export...", "&Font..."}));
    QCOMPARE(Seen.value(1), (QStringList{"Ex&port...", "&Added"}));
    QCOMPARE(EnabledWhileOpen, (QList<bool>{false, true}));
}

void TestComponents::popupSeparatorsAndWrappers()
{
    TTestPopup Popup;
    TMenuItem& Refresh = Popup.Items().Add(QStringLiteral("&Refresh"));
    Refresh.SetShortCut(QKeySequence(Qt::Key_F5));
    Refresh.SetImageIndex(1);
    TMenuItem* ClickedBy = nullptr;
    Refresh.SetOnClick([&](TMenuItem& Sender) { ClickedBy = &Sender; });
    Popup.Items().Add(QStringLiteral("-"));
    Popup.Items().Add(std::make_unique<TMenuItem>()); // no caption
    TMenuItem& Disabled = Popup.Items().Add(QStringLiteral("&Later"));
    Disabled.SetEnabled(false);
    QPixmap Pixmap(16, 16);
    Pixmap.fill(Qt::red);
    Popup.SetImages({QIcon(), QIcon(Pixmap)});

    QStringList Texts;
    bool WrapsRefresh = false, SeparatorUnwrapped = false, EmptyUnwrapped = false, LaterDisabled = false, RefreshIcon = false;
    QString RefreshShortcut;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        Texts = Entries(Menu);
        const QList<QAction*> All = Menu.actions();
        if (All.size() != 4)
            return nullptr;
        // An entry's wrapper is its child.
        const auto Wrapped = [](QAction* Entry) {
            return Entry->findChild<TMenuAction*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
        };
        auto* RefreshEntry = qobject_cast<TActionClientItem*>(All[0]);
        WrapsRefresh = Wrapped(RefreshEntry);
        RefreshShortcut = RefreshEntry->shortcut().toString(QKeySequence::PortableText);
        RefreshIcon = !RefreshEntry->icon().isNull();
        SeparatorUnwrapped = All[1]->isSeparator() && !Wrapped(All[1]);
        EmptyUnwrapped = !Wrapped(All[2]);
        LaterDisabled = !All[3]->isEnabled();
        return RefreshEntry;
    };
    Popup.Popup(QPoint());

    QCOMPARE(Texts, (QStringList{"&Refresh", "-", "", "&Later"}));
    QVERIFY(WrapsRefresh);
    QCOMPARE(RefreshShortcut, QStringLiteral("F5"));
    QVERIFY(RefreshIcon);
    QVERIFY(SeparatorUnwrapped);
    QVERIFY(EmptyUnwrapped);
    QVERIFY(LaterDisabled);
    QCOMPARE(ClickedBy, &Refresh);
}

void TestComponents::popupSubMenuFilledOnFirstOpen()
{
    TTestPopup Popup;
    TMenuItem& More = Popup.Items().Add(QStringLiteral("&More"));
    More.Add(QStringLiteral("stale"));
    TMenuItem& HiddenParent = Popup.Items().Add(QStringLiteral("&Hidden"));
    HiddenParent.Add(QStringLiteral("never"));
    HiddenParent.SetVisible(false);
    int Fills = 0;
    TMenuItem* FilledFor = nullptr;
    TMenuItem* Chosen = nullptr;
    More.SetOnClick([&](TMenuItem& Sender) {
        ++Fills;
        FilledFor = &Sender;
        // The owner fills the sub-menu as it opens.
        Sender.Clear();
        Sender.Add(QStringLiteral("&One")).SetOnClick([&](TMenuItem& Item) { Chosen = &Item; });
        Sender.Add(QStringLiteral("&Deeper")).Add(QStringLiteral("&Inner"));
    });

    int PlaceholdersBefore = -1;
    bool HiddenIsPlain = false;
    QStringList SubEntries, DeeperEntries;
    int FillsAfterSecondOpen = -1;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        QAction* MoreEntry = EntryNamed(Menu, "&More");
        QAction* HiddenEntry = EntryNamed(Menu, "&Hidden");
        if (!MoreEntry || !MoreEntry->menu() || !HiddenEntry)
            return nullptr;
        HiddenIsPlain = !HiddenEntry->menu() && !HiddenEntry->isVisible();
        auto* Sub = MoreEntry->menu<QMenu*>();
        PlaceholdersBefore = Sub->actions().size();
        if (Fills != 0 || qobject_cast<TActionClientItem*>(Sub->actions().value(0))->Tag())
            PlaceholdersBefore = -1;
        emit Sub->aboutToShow();
        SubEntries = Entries(*Sub);
        emit Sub->aboutToShow(); // already filled: nothing happens
        FillsAfterSecondOpen = Fills;
        QAction* DeeperEntry = EntryNamed(*Sub, "&Deeper");
        if (DeeperEntry && DeeperEntry->menu()) {
            emit DeeperEntry->menu<QMenu*>()->aboutToShow();
            DeeperEntries = Entries(*DeeperEntry->menu<QMenu*>());
        }
        return EntryNamed(*Sub, "&One");
    };
    Popup.Popup(QPoint());

    QCOMPARE(PlaceholdersBefore, 1);
    QVERIFY(HiddenIsPlain);
    QCOMPARE(FilledFor, &More);
    QCOMPARE(SubEntries, (QStringList{"&One", "&Deeper"}));
    QCOMPARE(FillsAfterSecondOpen, 1);
    QCOMPARE(DeeperEntries, QStringList{"&Inner"});
    QCOMPARE(Chosen, &More.Items(0));
}

void TestComponents::popupShadows_data()
{
    QTest::addColumn<bool>("Shadows");
    QTest::addRow("with shadow") << true;
    QTest::addRow("without shadow") << false;
}

void TestComponents::popupShadows()
{
    QFETCH(bool, Shadows);
    TTestPopup Popup;
    QVERIFY(Popup.Shadows());
    Popup.SetShadows(Shadows);
    Popup.Items().Add(QStringLiteral("&Sub")).Add(QStringLiteral("&Item"));
    bool NoShadow = Shadows, SubNoShadow = Shadows;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        NoShadow = Menu.windowFlags().testFlag(Qt::NoDropShadowWindowHint);
        if (QAction* Sub = EntryNamed(Menu, "&Sub"); Sub && Sub->menu())
            SubNoShadow = Sub->menu()->windowFlags().testFlag(Qt::NoDropShadowWindowHint);
        return nullptr;
    };
    Popup.Popup(QPoint());
    QCOMPARE(NoShadow, !Shadows);
    QCOMPARE(SubNoShadow, !Shadows);
}

void TestComponents::popupIgnoresReentrantCall()
{
    TTestPopup Popup;
    Popup.Items().Add(QStringLiteral("&Item"));
    int Popups = 0;
    Popup.SetOnPopup([&](TCustomPopupActionBarEx&) { ++Popups; });
    QPointer<QMenu> Shown;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        Shown = &Menu;
        Popup.Popup(QPoint(5, 5));
        return nullptr;
    };
    Popup.Popup(QPoint());
    QCOMPARE(Popups, 1);
    QCOMPARE(Popup.Tracks, 1);
    QVERIFY(!Shown);
}

void TestComponents::popupStyle()
{
    TTestPopup Popup;
    Popup.Items().Add(QStringLiteral("&Item"));
    QString Sheet;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        Sheet = Menu.styleSheet();
        return nullptr;
    };

    // No action manager: the first registered style.
    QVERIFY(!Popup.ActionManager());
    Popup.Popup(QPoint());
    QCOMPARE(TActionBarStyles::First().Name, QStringLiteral("XP Style"));
    QVERIFY(!TActionBarStyles::First().StyleSheet.isEmpty());
    QCOMPARE(Sheet, TActionBarStyles::First().StyleSheet);

    // The action manager's style: the platform's own look has no style sheet.
    auto Manager = std::make_unique<TActionManager>();
    QVERIFY(Manager->SetStyle(QStringLiteral("Standard")));
    QVERIFY(!Manager->SetStyle(QStringLiteral("No Such Style")));
    QCOMPARE(Manager->Style().Name, QStringLiteral("Standard"));
    Popup.SetActionManager(Manager.get());
    Popup.Popup(QPoint());
    QCOMPARE(Sheet, QString());

    // A destroyed manager is forgotten.
    Manager.reset();
    QVERIFY(!Popup.ActionManager());
    Popup.Popup(QPoint());
    QCOMPARE(Sheet, TActionBarStyles::First().StyleSheet);
}

void TestComponents::popupFreedOnFailure_data()
{
    QTest::addColumn<QString>("Where");
    QTest::addColumn<QString>("Message");
    QTest::addRow("tracking") << "track" << "tracking failed";
    QTest::addRow("chosen item's handler") << "click" << "handler failed";
    QTest::addRow("sub-menu filling") << "submenu" << "filling failed";
}

void TestComponents::popupFreedOnFailure()
{
    QFETCH(QString, Where);
    QFETCH(QString, Message);

    TTestPopup Popup;
    Popup.setObjectName(QStringLiteral("pumTest"));
    Popup.Items().Add(QStringLiteral("&Fail")).SetOnClick([](TMenuItem&) {
        throw std::runtime_error("handler failed");
    });
    TMenuItem& Sub = Popup.Items().Add(QStringLiteral("&Sub"));
    Sub.Add(QStringLiteral("&Inner"));
    Sub.SetOnClick([](TMenuItem&) { throw std::runtime_error("filling failed"); });
    QPointer<QMenu> Shown;
    Popup.Track = [&](QMenu& Menu) -> QAction* {
        Shown = &Menu;
        if (Where == QLatin1String("track"))
            throw std::runtime_error("tracking failed");
        if (Where == QLatin1String("submenu")) {
            emit EntryNamed(Menu, "&Sub")->menu<QMenu*>()->aboutToShow();
            return nullptr;
        }
        return EntryNamed(Menu, "&Fail");
    };

    QString Caught;
    try {
        Popup.Popup(QPoint());
    } catch (const std::exception& Error) {
        Caught = QString::fromUtf8(Error.what());
    }
    QCOMPARE(Caught, Message);
    QVERIFY(!Shown);

    // The component is usable again.
    Popup.Track = nullptr;
    const int Tracks = Popup.Tracks;
    Popup.Popup(QPoint());
    QCOMPARE(Popup.Tracks, Tracks + 1);
}

void TestComponents::popupRealMenuRunsChosenCommand()
{
    QAction Copy(QStringLiteral("&Copy"));
    TPopupActionBarEx Popup;
    Popup.Items().Add(&Copy);
    TMenuItem& More = Popup.Items().Add(QStringLiteral("&More"));
    More.Add(QStringLiteral("placeholder"));
    More.SetOnClick([](TMenuItem& Sender) {
        Sender.Clear();
        Sender.Add(QStringLiteral("&Inner"));
    });
    int Copies = 0;
    connect(&Copy, &QAction::triggered, this, [&] { ++Copies; });

    // Choose Copy with the keyboard.
    QStringList Texts;
    QPointer<QWidget> Freed;
    WhenShown(
        [&](QWidget& Shown) {
            Freed = &Shown;
            auto* Menu = qobject_cast<QMenu*>(&Shown);
            if (!Menu)
                return Shown.close(), void();
            Texts = Entries(*Menu);
            Menu->setActiveAction(EntryNamed(*Menu, "&Copy"));
            QTest::keyClick(Menu, Qt::Key_Return);
        },
        true);
    Popup.Popup(QPoint(20, 20));
    QCOMPARE(Texts, (QStringList{"&Copy", "&More"}));
    QCOMPARE(Copies, 1);
    QVERIFY(!Freed);

    // Open the sub-menu, then close everything.
    QStringList SubTexts;
    WhenShown(
        [&](QWidget& Shown) {
            Freed = &Shown;
            auto* Menu = qobject_cast<QMenu*>(&Shown);
            if (!Menu)
                return Shown.close(), void();
            QAction* MoreEntry = EntryNamed(*Menu, "&More");
            Menu->setActiveAction(MoreEntry);
            QTest::keyClick(Menu, Qt::Key_Right);
            if (QTest::qWaitFor([&] { return MoreEntry->menu()->isVisible(); }, AnswerTimeoutMs))
                SubTexts = Entries(*MoreEntry->menu<QMenu*>());
            Menu->close();
        },
        true);
    Popup.Popup(QPoint(20, 20));
    QCOMPARE(SubTexts, QStringList{"&Inner"});
    QCOMPARE(Copies, 1);
    QVERIFY(!Freed);
}

void TestComponents::popupAttachedToControl()
{
    QPlainTextEdit Memo;
    Memo.resize(200, 100);
    Memo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Memo));
    TPopupActionBarEx Popup;
    Popup.Items().Add(QStringLiteral("&Item"));
    int Guarded = 0;
    Popup.AttachTo(&Memo, [&](const std::function<void()>& Work) {
        ++Guarded;
        Work();
    });
    QCOMPARE(Memo.contextMenuPolicy(), Qt::CustomContextMenu);

    QStringList Texts;
    WhenShown(
        [&](QWidget& Shown) {
            if (auto* Menu = qobject_cast<QMenu*>(&Shown))
                Texts = Entries(*Menu);
            Shown.close();
        },
        true);
    QContextMenuEvent Event(QContextMenuEvent::Mouse, QPoint(10, 10),
                            Memo.viewport()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(Memo.viewport(), &Event);
    QCOMPARE(Guarded, 1);
    QCOMPARE(Texts, QStringList{"&Item"});
}

QTEST_MAIN(TestComponents)
#include "test_components.moc"
