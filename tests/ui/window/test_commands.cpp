// The window's commands driven for real: the action list, the update rules in
// every situation, shortcuts and who gets the key, copy, select all, fonts,
// About, the main menu and the context menus, and find and export through the
// window. Modal dialogs are answered from a polling timer while they run.
#include "guitest.h"

#include "components/actnpopupctrl.h"
#include "components/brwsfldr.h"
#include "ui/find/finddialog.h"
#include "ui/views/objecttextview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// ---------------------------------------------------------------------------
// Running the event loop and answering dialogs

// Lets the event loop run and wait for more, as it does when the user is idle.
void RunIdle(int Ms = 20)
{
    QEventLoop Loop;
    QTimer::singleShot(Ms, &Loop, &QEventLoop::quit);
    Loop.exec();
}

// Answers the first modal widget, or popup menu, that Match accepts, from
// inside its own event loop, for as long as it lives. Anything left open too
// long is closed, so that a fault fails the test instead of hanging it.
class TReply {
public:
    using TFind = std::function<QWidget*()>;
    using TAnswer = std::function<void(QWidget&)>;

    TReply(TFind Find, TAnswer Answer) : FFind(std::move(Find)), FAnswer(std::move(Answer))
    {
        QObject::connect(&FPoll, &QTimer::timeout, [this] { Poll(); });
        FClock.start();
        FPoll.start(5);
    }
    TReply(const TReply&) = delete;
    TReply& operator=(const TReply&) = delete;

    template <class T>
    static TReply* Modal(std::function<void(T&)> Answer)
    {
        return new TReply([] { return qobject_cast<T*>(QApplication::activeModalWidget()); },
                          [Answer](QWidget& Shown) { Answer(static_cast<T&>(Shown)); });
    }
    static TReply* Popup(std::function<void(QMenu&)> Answer)
    {
        return new TReply([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                          [Answer](QWidget& Shown) { Answer(static_cast<QMenu&>(Shown)); });
    }

    bool Answered() const { return FAnswered; }

private:
    void Poll()
    {
        QWidget* Shown = FFind();
        if (Shown && !FAnswered) {
            FAnswered = true;
            FAnswer(*Shown);
            return;
        }
        if (FClock.elapsed() > 10000) {
            FPoll.stop();
            if (QWidget* Stuck = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                                   : QApplication::activeModalWidget())
                Stuck->close();
        }
    }

    TFind FFind;
    TAnswer FAnswer;
    QTimer FPoll;
    QElapsedTimer FClock;
    bool FAnswered = false;
};

template <class T>
std::unique_ptr<TReply> Answer(std::function<void(T&)> Reply)
{
    return std::unique_ptr<TReply>(TReply::Modal<T>(std::move(Reply)));
}

std::unique_ptr<TReply> AnswerPopup(std::function<void(QMenu&)> Reply)
{
    return std::unique_ptr<TReply>(TReply::Popup(std::move(Reply)));
}

// Records the key presses a widget receives.
class TKeySpy : public QObject {
public:
    explicit TKeySpy(QWidget* Widget) { Widget->installEventFilter(this); }
    QList<QKeyCombination> Keys;

protected:
    bool eventFilter(QObject*, QEvent* Event) override
    {
        if (Event->type() == QEvent::KeyPress)
            Keys << static_cast<QKeyEvent*>(Event)->keyCombination();
        return false;
    }
};

// ---------------------------------------------------------------------------
// The file the commands work on

// Object 0 holds CR LF breaks, a lone LF, a lone CR and bytes above 127, which
// must all reach the clipboard unchanged.
const std::string Object0 = "OBJECT Table 18 Customer\r\n{\r\n  Caption=Kunde \xE9t\xE9;\r\n"
                            "  Lone LF\n  Lone CR\r  END\r\n}\r\n";
const std::string Object1 = "OBJECT Codeunit 80 Sales-Post\r\n{\r\n  x;\r\n  y;\r\n  CALL Beta; Beta;\r\n}\r\n";
const std::string Object2 = "OBJECT Form 21 Customer Card\r\n{\r\n}\r\n";
const std::string Object3 = "OBJECT Report 4 Epsilon\r\n{\r\n  beta\r\n}\r\n";
const std::string Object4 = "OBJECT Table 18 Customer\r\n{\r\n  second of the same name\r\n}\r\n";
const std::string Objects[] = {Object0, Object1, Object2, Object3, Object4};
constexpr int ObjectCount = 5;

std::string CommandFile()
{
    std::string Text;
    for (const std::string& Object : Objects)
        Text += Object;
    return Text;
}

// Where Needle starts in object Object's text, as a byte offset.
int ByteOffset(int Object, const std::string& Needle, int From = 0)
{
    return int(Objects[Object].find(Needle, std::size_t(From)));
}

QString EntryText(const QAction& Action)
{
    QString Text = Action.isSeparator() ? QStringLiteral("-") : Action.text();
    if (!Action.shortcut().isEmpty())
        Text += QLatin1Char('\t') + Action.shortcut().toString();
    if (!Action.isSeparator() && !Action.isEnabled())
        Text += QStringLiteral(" (greyed)");
    return Text;
}

// The entries a menu shows, top to bottom.
QStringList VisibleEntries(const QMenu& Menu)
{
    QStringList Entries;
    for (const QAction* Action : Menu.actions())
        if (Action->isVisible())
            Entries << EntryText(*Action);
    return Entries;
}

QString State(const QAction& Action)
{
    if (!Action.isVisible())
        return QStringLiteral("hidden");
    return Action.isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled");
}

QImage Picture(const QIcon& Icon)
{
    return Icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

QByteArray ClipboardBytes()
{
    return QGuiApplication::clipboard()->text().toLatin1();
}

// The situations of the states table.
enum TSituation {
    sNoFileTree,
    sRootTree,
    sObjectTree,
    sObjectText,
    sRootListRows,
    sRootListNoRows,
    sObjectNoControl,
    sObjectOtherControl,
};

}  // namespace

Q_DECLARE_METATYPE(TSituation)

class TestCommands : public QObject {
    Q_OBJECT

private:
    static QAction* Action(TfrmMain& Window, const char* Name) { return Component<QAction>(Window, Name); }
    static QModelIndex Node(TfrmMain& Window, int AbsoluteIndex)
    {
        return static_cast<TObjectTreeModel*>(Views(Window).Tree->model())->NodeAt(AbsoluteIndex);
    }
    static void SelectNode(TfrmMain& Window, int AbsoluteIndex)
    {
        Views(Window).Tree->setCurrentIndex(Node(Window, AbsoluteIndex));
        WaitForChangeReport();
    }
    static void SelectRows(TfrmMain& Window, const QList<int>& Rows)
    {
        TObjectListView* List = Views(Window).List;
        List->clearSelection();
        for (int Row : Rows)
            List->selectionModel()->select(List->model()->index(Row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static void Focus(QWidget* Control)
    {
        Control->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), Control);
    }

    // A shown, active window; with the command file loaded unless told not to.
    std::unique_ptr<TfrmMain> ShownWindow(bool Loaded = true)
    {
        auto Window = MakeWindow(Folder());
        Window->resize(800, 500);
        Window->show();
        Window->activateWindow();
        if (!QTest::qWaitForWindowActive(Window.get()))
            qWarning("window not active");
        if (Loaded) {
            Window->OpenFile(Folder().Write("objects.txt", CommandFile()));
            WaitForChangeReport();
        }
        return Window;
    }

    // Brings the window into one of the situations of the states table.
    void Enter(TfrmMain& Window, TSituation Situation)
    {
        const TViews V = Views(Window);
        switch (Situation) {
        case sNoFileTree:
        case sRootTree:
            Focus(V.Tree);
            break;
        case sObjectTree:
            SelectNode(Window, 2);
            Focus(V.Tree);
            break;
        case sObjectText:
            SelectNode(Window, 2);
            Focus(V.Text);
            break;
        case sRootListRows:
            Focus(V.List);
            SelectRows(Window, {1, 3});
            break;
        case sRootListNoRows:
            Focus(V.List);
            V.List->clearSelection();
            break;
        case sObjectNoControl:
            SelectNode(Window, 2);
            Focus(V.Tree);
            V.Tree->clearFocus();
            QTRY_VERIFY(!Window.focusWidget());
            break;
        case sObjectOtherControl: {
            SelectNode(Window, 2);
            auto* Other = new QLineEdit(Window.statusBar());
            Other->setObjectName(QStringLiteral("edtOther"));
            Other->show();
            Focus(Other);
            break;
        }
        }
    }

    // Each test has its own folder, so no settings pass from one to the next.
    std::unique_ptr<TTestFolder> FFolderHolder;
    TTestFolder& Folder() { return *FFolderHolder; }

private slots:
    void init()
    {
        FFolderHolder = std::make_unique<TTestFolder>();
        QGuiApplication::clipboard()->setText(QStringLiteral("<before>"));
    }
    void cleanup()
    {
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    // --- the action list ------------------------------------------------------------

    void actionList()
    {
        auto Window = MakeWindow(Folder());
        struct TRow {
            const char* Name;
            const char* Caption;
            QKeySequence Shortcut;
            int Image;
        };
        const TRow Table[] = {
            {"actFileOpen", "&Open...", {}, 1},
            {"actFileExit", "E&xit", {}, -1},
            {"actViewFontMemo", "&Font...", {}, 2},
            {"actHelpAbout", "About...", {}, -1},
            {"actEditFind", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F), 0},
            {"actEditSelectAllTreeView", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A), -1},
            {"actEditCopyTreeView", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), 3},
            {"actFileExportTreeView", "&Export...", {}, 4},
            {"actFileExportListView", "&Export...", {}, 4},
            {"actFileClose", "&Close", {}, -1},
            {"actViewFontTreeView", "&Font...", {}, 2},
            // The features' commands come after the window's own.
            {"actViewFilter", "F&ilter", QKeySequence(Qt::CTRL | Qt::Key_L), -1},
            {"actViewOutline", "&Outline", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), -1},
            {"actFileOpenFolder", "Open Fol&der...", {}, -1},
            {"actEditFindNext", "Find &Next", QKeySequence(Qt::Key_F3), -1},
            {"actEditFindPrevious", "Find &Previous", QKeySequence(Qt::SHIFT | Qt::Key_F3), -1},
            {"actEditGoToObject", "&Go to Object...", QKeySequence(Qt::CTRL | Qt::Key_G), -1},
            {"actFileCompareWith", "Co&mpare With...", {}, -1},
            {"actFileCompareWithFolder", "Compare With Fo&lder...", {}, -1},
            {"actFileMerge", "Mer&ge...", {}, -1},
            {"actEditFindAll", "Find A&ll", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), -1},
            {"actEditStopFindAll", "Stop Find All", QKeySequence(Qt::Key_Escape), -1},
            {"actEditBack", "&Back", QKeySequence(Qt::ALT | Qt::Key_Left), -1},
            {"actEditForward", "For&ward", QKeySequence(Qt::ALT | Qt::Key_Right), -1},
            {"actEditGoToDefinition", "Go to &Definition", QKeySequence(Qt::Key_F12), -1},
            {"actEditFindReferences", "Find &References", QKeySequence(Qt::SHIFT | Qt::Key_F12), -1},
            {"actWhereUsed", "&Where Used", {}, 0},
        };
        const QList<QAction*> Actions = Window->actions();
        QCOMPARE(Actions.size(), int(std::size(Table)));
        for (int Index = 0; Index < Actions.size(); ++Index) {
            const TRow& Row = Table[Index];
            const QAction& Action = *Actions[Index];
            QCOMPARE(Action.objectName(), QString::fromLatin1(Row.Name));
            QCOMPARE(Action.text(), QString::fromLatin1(Row.Caption));
            QCOMPARE(Action.shortcut(), Row.Shortcut);
            // The filter bar's is a switch; the commands are not.
            QCOMPARE(Action.isCheckable(), Action.objectName() == QLatin1String("actViewFilter"));
            if (Row.Image < 0)
                QVERIFY2(Action.icon().isNull(), Row.Name);
            else
                QCOMPARE(Picture(Action.icon()),
                         QImage(QStringLiteral(":/icons/cmd%1.png").arg(Row.Image))
                             .convertToFormat(QImage::Format_ARGB32));
        }
        // Open: Ctrl+O only as its second shortcut, so no menu shows a key for it.
        QCOMPARE(Action(*Window, "actFileOpen")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(), QKeySequence(Qt::CTRL | Qt::Key_O)}));
        // No two actions share a key.
        QList<QKeySequence> Keys;
        for (const QAction* A : Actions)
            for (const QKeySequence& Key : A->shortcuts())
                if (!Key.isEmpty()) {
                    QVERIFY(!Keys.contains(Key));
                    Keys << Key;
                }
        // The manager holds the flat menu style that the main menu is drawn in.
        auto* Manager = Component<TActionManager>(*Window, "acmMain");
        QCOMPARE(Manager->Style().Name, QStringLiteral("XP Style"));
        auto* Bar = Component<QMenuBar>(*Window, "ActionMainMenuBar1");
        QCOMPARE(Bar->styleSheet(), Manager->StyleSheet());
        QVERIFY(Bar->styleSheet().contains(QStringLiteral("#F7F6EE"), Qt::CaseInsensitive));
    }

    // --- the states table -------------------------------------------------------------

    void statesTable_data()
    {
        QTest::addColumn<TSituation>("Situation");
        QTest::addColumn<QString>("CloseFindSelectAll");
        QTest::addColumn<QString>("Copy");
        QTest::addColumn<QString>("ExportTree");
        QTest::addColumn<QString>("ExportList");
        QTest::addColumn<QString>("FontTree");
        QTest::addColumn<QString>("FontMemo");
        const QString E = "enabled", D = "disabled", H = "hidden";
        QTest::newRow("no file, tree active") << sNoFileTree << D << D << D << H << E << H;
        QTest::newRow("root, tree active") << sRootTree << E << D << D << H << E << H;
        QTest::newRow("object, tree active") << sObjectTree << E << E << E << H << E << H;
        QTest::newRow("object, text view active") << sObjectText << E << E << H << H << H << E;
        QTest::newRow("root, list active, rows") << sRootListRows << E << D << H << E << E << H;
        QTest::newRow("root, list active, no row") << sRootListNoRows << E << D << H << D << E << H;
        QTest::newRow("object, no control active") << sObjectNoControl << E << E << H << H << H << H;
        QTest::newRow("object, another control active") << sObjectOtherControl << E << E << H << H << H << H;
    }

    void statesTable()
    {
        QFETCH(TSituation, Situation);
        auto Window = ShownWindow(Situation != sNoFileTree);
        Enter(*Window, Situation);
        RunIdle();

        QFETCH(QString, CloseFindSelectAll);
        QCOMPARE(State(*Action(*Window, "actFileClose")), CloseFindSelectAll);
        QCOMPARE(State(*Action(*Window, "actEditFind")), CloseFindSelectAll);
        QCOMPARE(State(*Action(*Window, "actEditSelectAllTreeView")), CloseFindSelectAll);
        QTEST(State(*Action(*Window, "actEditCopyTreeView")), "Copy");
        QTEST(State(*Action(*Window, "actFileExportTreeView")), "ExportTree");
        QTEST(State(*Action(*Window, "actFileExportListView")), "ExportList");
        QTEST(State(*Action(*Window, "actViewFontTreeView")), "FontTree");
        QTEST(State(*Action(*Window, "actViewFontMemo")), "FontMemo");
        for (const char* Always : {"actFileOpen", "actFileExit", "actHelpAbout"})
            QCOMPARE(State(*Action(*Window, Always)), QStringLiteral("enabled"));
    }

    // The rules run when the loop goes idle, as a menu opens, and before a command.
    void rulesRunWhenIdle()
    {
        auto Window = ShownWindow();
        QAction* Close = Action(*Window, "actFileClose");
        Close->setEnabled(false);
        RunIdle();
        QVERIFY(Close->isEnabled());
    }

    void rulesRunAsMenuOpens()
    {
        auto Window = ShownWindow();
        QAction* Close = Action(*Window, "actFileClose");
        Close->setEnabled(false);
        auto* File = Component<QMenu>(*Window, "mnuFile");
        File->popup(Window->mapToGlobal(QPoint(10, 10)));
        QVERIFY(Close->isEnabled());
        File->hide();
    }

    void disabledByItsRuleRunsNothing()
    {
        auto Window = ShownWindow();
        SelectNode(*Window, 1);
        Focus(Views(*Window).Tree);
        RunIdle();
        QAction* Copy = Action(*Window, "actEditCopyTreeView");
        QVERIFY(Copy->isEnabled());
        // The root is selected; the action still holds the state of before.
        Views(*Window).Tree->setCurrentIndex(Node(*Window, 0));
        Copy->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<before>"));
        QVERIFY(!Copy->isEnabled());
    }

    // --- shortcuts -----------------------------------------------------------------------

    void shortcuts_data()
    {
        QTest::addColumn<bool>("Loaded");
        QTest::addColumn<int>("Node");  // absolute index; -1: none
        QTest::addColumn<QString>("View");
        QTest::addColumn<int>("Key");
        QTest::addColumn<QString>("Command");
        QTest::addColumn<bool>("Runs");
        const int C = Qt::Key_C, A = Qt::Key_A, F = Qt::Key_F;
        QTest::newRow("Ctrl+C text view, object") << true << 1 << "text" << C << "actEditCopyTreeView" << true;
        QTest::newRow("Ctrl+A text view, object") << true << 1 << "text" << A << "actEditSelectAllTreeView" << true;
        QTest::newRow("Ctrl+C tree, object") << true << 1 << "tree" << C << "actEditCopyTreeView" << true;
        QTest::newRow("Ctrl+C tree, root") << true << 0 << "tree" << C << "actEditCopyTreeView" << false;
        QTest::newRow("Ctrl+C list, root") << true << 0 << "list" << C << "actEditCopyTreeView" << false;
        QTest::newRow("Ctrl+A list, root") << true << 0 << "list" << A << "actEditSelectAllTreeView" << true;
        QTest::newRow("Ctrl+A tree, no file") << false << -1 << "tree" << A << "actEditSelectAllTreeView" << false;
        QTest::newRow("Ctrl+A text view, no file") << false << -1 << "text" << A << "actEditSelectAllTreeView" << false;
        QTest::newRow("Ctrl+F tree, root") << true << 0 << "tree" << F << "actEditFind" << true;
        QTest::newRow("Ctrl+F text view, object") << true << 1 << "text" << F << "actEditFind" << true;
        QTest::newRow("Ctrl+F tree, no file") << false << -1 << "tree" << F << "actEditFind" << false;
    }

    // An enabled command takes its key before the focused view sees it; a
    // disabled one leaves the key to the view.
    void shortcuts()
    {
        QFETCH(bool, Loaded);
        QFETCH(int, Node);
        QFETCH(QString, View);
        QFETCH(int, Key);
        QFETCH(QString, Command);
        QFETCH(bool, Runs);
        auto Window = ShownWindow(Loaded);
        if (Node >= 0)
            SelectNode(*Window, Node);
        const TViews V = Views(*Window);
        QWidget* Target = View == "tree" ? static_cast<QWidget*>(V.Tree)
                                         : View == "list" ? static_cast<QWidget*>(V.List) : V.Text;
        Focus(Target);
        // No idle moment between focusing and the key: the rules run as it is matched.
        TKeySpy Spy(Target);
        QSignalSpy Triggered(Action(*Window, qPrintable(Command)), &QAction::triggered);
        QTest::keyClick(Target, Qt::Key(Key), Qt::ControlModifier);
        QCOMPARE(Triggered.count(), Runs ? 1 : 0);
        QCOMPARE(Spy.Keys.contains(QKeyCombination(Qt::ControlModifier, Qt::Key(Key))), !Runs);
        if (Command == "actEditCopyTreeView" && !Runs)
            QVERIFY(!ClipboardBytes().contains("OBJECT"));
        auto* Find = Component<TFindDialog>(*Window, "dlgFind");
        QCOMPARE(Find->isVisible(), Command == "actEditFind" && Runs);
        Find->hide();
    }

    void openShortcutOpensDialog()
    {
        auto Window = ShownWindow(false);
        Focus(Views(*Window).Tree);
        QString Seen;
        auto Reply = Answer<QFileDialog>([&](QFileDialog& Dialog) {
            Seen = Dialog.objectName();
            Dialog.reject();
        });
        QTest::keyClick(Views(*Window).Tree, Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY(Reply->Answered());
        QCOMPARE(Seen, QStringLiteral("dlgOpen"));
        // The File menu's Open entry shows no key.
        QCOMPARE(Action(*Window, "actFileOpen")->shortcut(), QKeySequence());
    }

    // --- copy ------------------------------------------------------------------------------

    void copy_data()
    {
        QTest::addColumn<QString>("View");
        QTest::addColumn<int>("Start");  // bytes; -1: nothing selected
        QTest::addColumn<int>("Length");
        QTest::addColumn<QByteArray>("Expected");
        const QByteArray Whole = QByteArray::fromStdString(Object0);
        const auto Part = [&](int Start, int Length) { return Whole.mid(Start, Length); };
        const int Kunde = ByteOffset(0, "Kunde");
        const int Customer = ByteOffset(0, "Customer");
        const int LoneLF = ByteOffset(0, "Lone LF");
        QTest::newRow("nothing selected: the whole text") << "text" << -1 << 0 << Whole;
        QTest::newRow("within a line") << "text" << Kunde << 5 << Part(Kunde, 5);
        QTest::newRow("bytes above 127") << "text" << Kunde + 6 << 3 << QByteArray("\xE9t\xE9");
        QTest::newRow("across CR LF") << "text" << Customer << 13 << Part(Customer, 13);
        QTest::newRow("lone LF and lone CR") << "text" << LoneLF << 20 << Part(LoneLF, 20);
        QTest::newRow("tree active, selection") << "tree" << Customer << 13 << Part(Customer, 13);
        QTest::newRow("tree active, no selection") << "tree" << -1 << 0 << Whole;
    }

    void copy()
    {
        QFETCH(QString, View);
        QFETCH(int, Start);
        QFETCH(int, Length);
        QFETCH(QByteArray, Expected);
        auto Window = ShownWindow();
        SelectNode(*Window, 1);
        const TViews V = Views(*Window);
        if (Start >= 0)
            V.Text->SelectBytes(Start, Length);
        Focus(View == "tree" ? static_cast<QWidget*>(V.Tree) : V.Text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ClipboardBytes(), Expected);
    }

    // --- select all ------------------------------------------------------------------------

    void selectAll_data()
    {
        QTest::addColumn<int>("Node");
        QTest::addColumn<QString>("View");
        QTest::addColumn<bool>("ListAll");
        QTest::addColumn<bool>("TextAll");
        QTest::newRow("list active") << 0 << "list" << true << false;
        QTest::newRow("text view active") << 2 << "text" << false << true;
        QTest::newRow("tree active, root") << 0 << "tree" << true << false;
        QTest::newRow("tree active, object") << 2 << "tree" << false << true;
        QTest::newRow("none active") << 2 << "none" << false << false;
    }

    void selectAll()
    {
        QFETCH(int, Node);
        QFETCH(QString, View);
        QFETCH(bool, ListAll);
        QFETCH(bool, TextAll);
        auto Window = ShownWindow();
        SelectNode(*Window, 2);  // the text view holds object 1's text
        SelectNode(*Window, Node);
        const TViews V = Views(*Window);
        QWidget* Focused = View == "tree" ? static_cast<QWidget*>(V.Tree)
                           : View == "list" ? static_cast<QWidget*>(V.List)
                           : View == "text" ? static_cast<QWidget*>(V.Text) : nullptr;
        if (Focused) {
            Focus(Focused);
        } else {
            Focus(V.Tree);
            V.Tree->clearFocus();
        }
        RunIdle();
        Action(*Window, "actEditSelectAllTreeView")->trigger();
        QCOMPARE(V.List->selectionModel()->selectedRows().size(), ListAll ? ObjectCount : 0);
        QCOMPARE(V.Text->textCursor().selectedText().size(),
                 TextAll ? V.Text->document()->characterCount() - 1 : 0);
        QCOMPARE(Window->focusWidget(), Focused);
    }

    // --- fonts -----------------------------------------------------------------------------

    void fonts_data()
    {
        QTest::addColumn<QString>("Command");
        QTest::addColumn<bool>("Confirm");
        QTest::addColumn<bool>("Change");
        QTest::newRow("tree and list") << "actViewFontTreeView" << true << true;
        QTest::newRow("text view") << "actViewFontMemo" << true << true;
        QTest::newRow("tree and list, cancelled") << "actViewFontTreeView" << false << true;
        QTest::newRow("text view, cancelled") << "actViewFontMemo" << false << true;
        QTest::newRow("tree and list, OK unchanged") << "actViewFontTreeView" << true << false;
        QTest::newRow("text view, OK unchanged") << "actViewFontMemo" << true << false;
    }

    void fonts()
    {
        QFETCH(QString, Command);
        QFETCH(bool, Confirm);
        QFETCH(bool, Change);
        auto Window = ShownWindow();
        const TViews V = Views(*Window);
        const bool ForText = Command == "actViewFontMemo";
        if (ForText)
            SelectNode(*Window, 1);
        Focus(ForText ? static_cast<QWidget*>(V.Text) : V.Tree);
        RunIdle();
        // Fonts of faces this system has, so that the dialog can show them as they are.
        const QStringList Families = QFontDatabase::families();
        QVERIFY(Families.size() >= 2);
        const QString Face = Families.first();
        V.Tree->setFont(QFont(Families.last(), 11));
        V.List->setFont(QFont(Families.last(), 11));
        V.Text->setFont(QFont(Families.last(), 12));
        const QFont TreeBefore = V.Tree->font(), ListBefore = V.List->font(), TextBefore = V.Text->font();
        QFont Started, Chosen;
        bool EffectsOffered = true;
        auto Reply = Answer<QFontDialog>([&](QFontDialog& Dialog) {
            Started = Dialog.currentFont();
            EffectsOffered = false;
            for (const QCheckBox* Box : Dialog.findChildren<QCheckBox*>())
                EffectsOffered = EffectsOffered || Box->isVisibleTo(&Dialog);
            if (Change)
                Dialog.setCurrentFont(QFont(Face, 17));
            Chosen = Dialog.currentFont();
            if (Confirm)
                Dialog.accept();
            else
                Dialog.reject();
        });
        Action(*Window, qPrintable(Command))->trigger();
        QVERIFY(Reply->Answered());
        QVERIFY(!EffectsOffered);
        // The dialog starts from the face drawn, which may be a fallback.
        QCOMPARE(Started.family(), QFontInfo(ForText ? TextBefore : TreeBefore).family());
        QCOMPARE(Started.pointSize(), (ForText ? TextBefore : TreeBefore).pointSize());

        const auto Same = [](const QFont& A, const QFont& B) {
            return A.family() == B.family() && A.pointSize() == B.pointSize();
        };
        if (!Confirm || !Change) {
            QVERIFY(Same(V.Tree->font(), TreeBefore));
            QVERIFY(Same(V.List->font(), ListBefore));
            QVERIFY(Same(V.Text->font(), TextBefore));
            return;
        }
        QCOMPARE(Chosen.pointSize(), 17);
        QVERIFY(Same(ForText ? V.Text->font() : V.Tree->font(), Chosen));
        if (ForText) {
            QVERIFY(Same(V.Tree->font(), TreeBefore));
            QVERIFY(Same(V.List->font(), ListBefore));
        } else {
            QVERIFY(Same(V.List->font(), Chosen));
            QVERIFY(Same(V.Text->font(), TextBefore));
        }
    }

    // --- About and Exit ----------------------------------------------------------------------

    void aboutOpensAndCloses()
    {
        auto Window = ShownWindow(false);
        QString Title;
        auto Reply = Answer<QDialog>([&](QDialog& Dialog) {
            Title = Dialog.windowTitle();
            Click(Dialog.findChild<QPushButton*>(QStringLiteral("btnOK")));
        });
        auto* Help = Component<QMenu>(*Window, "mnuHelp");
        Help->popup(Window->mapToGlobal(QPoint(10, 10)));
        QCOMPARE(VisibleEntries(*Help), QStringList{"&About..."});
        Help->hide();
        Help->actions().first()->trigger();
        QVERIFY(Reply->Answered());
        QVERIFY(Title.startsWith(QStringLiteral("About ")));
        QVERIFY(Window->isVisible());
    }

    void exitFromMenu()
    {
        auto Window = ShownWindow();
        auto* File = Component<QMenu>(*Window, "mnuFile");
        File->popup(Window->mapToGlobal(QPoint(10, 10)));
        File->hide();
        File->actions().last()->trigger();
        QVERIFY(!Window->isVisible());
    }

    // --- the main menu ---------------------------------------------------------------------------

    void mainMenu_data()
    {
        QTest::addColumn<TSituation>("Situation");
        QTest::addColumn<QStringList>("File");
        QTest::addColumn<QStringList>("Edit");
        QTest::addColumn<QString>("Font");  // the View menu's one Font entry, if any
        const QStringList Again{"Find &Next\tF3", "Find &Previous\tShift+F3", "&Go to Object...\tCtrl+G",
                                "Find A&ll\tCtrl+Shift+F", "-", "&Back\tAlt+Left (greyed)",
                                "For&ward\tAlt+Right (greyed)", "Go to &Definition\tF12",
                                "Find &References\tShift+F12"};
        const QStringList EditOn = QStringList{"&Copy\tCtrl+C", "&Find...\tCtrl+F"} + Again +
                                   QStringList{"-", "Select &All\tCtrl+A"};
        const QStringList EditNoCopy = QStringList{"&Copy\tCtrl+C (greyed)", "&Find...\tCtrl+F"} + Again +
                                       QStringList{"-", "Select &All\tCtrl+A"};
        QTest::newRow("no file, tree active")
            << sNoFileTree
            << QStringList{"&Open...", "Open Fol&der...", "&Close (greyed)", "&Export... (greyed)", "Co&mpare With... (greyed)", "Compare With Fo&lder... (greyed)", "Mer&ge... (greyed)",
                           "Recent &Files (greyed)", "-", "E&xit"}
            << QStringList{"&Copy\tCtrl+C (greyed)", "&Find...\tCtrl+F (greyed)", "Find &Next\tF3 (greyed)",
                           "Find &Previous\tShift+F3 (greyed)", "&Go to Object...\tCtrl+G (greyed)",
                           "Find A&ll\tCtrl+Shift+F (greyed)", "-", "&Back\tAlt+Left (greyed)",
                           "For&ward\tAlt+Right (greyed)", "Go to &Definition\tF12 (greyed)",
                           "Find &References\tShift+F12 (greyed)", "-", "Select &All\tCtrl+A (greyed)"}
            << "actViewFontTreeView";
        QTest::newRow("object, tree active")
            << sObjectTree
            << QStringList{"&Open...", "Open Fol&der...", "&Close", "&Export...", "Co&mpare With...", "Compare With Fo&lder...", "Mer&ge...", "Recent &Files", "-", "E&xit"}
            << EditOn << "actViewFontTreeView";
        QTest::newRow("object, text view active")
            << sObjectText
            << QStringList{"&Open...", "Open Fol&der...", "&Close", "Co&mpare With...", "Compare With Fo&lder...", "Mer&ge...", "Recent &Files", "-", "E&xit"} << EditOn
            << "actViewFontMemo";
        QTest::newRow("none active")
            << sObjectNoControl
            << QStringList{"&Open...", "Open Fol&der...", "&Close", "Co&mpare With...", "Compare With Fo&lder...", "Mer&ge...", "Recent &Files", "-", "E&xit"} << EditOn
            << QString();
        QTest::newRow("list active, no row")
            << sRootListNoRows
            << QStringList{"&Open...", "Open Fol&der...", "&Close", "Ex&port... (greyed)", "Co&mpare With...", "Compare With Fo&lder...", "Mer&ge...", "Recent &Files", "-",
                           "E&xit"}
            << EditNoCopy << "actViewFontTreeView";
        QTest::newRow("list active, rows")
            << sRootListRows
            << QStringList{"&Open...", "Open Fol&der...", "&Close", "Ex&port...", "Co&mpare With...", "Compare With Fo&lder...", "Mer&ge...", "Recent &Files", "-", "E&xit"}
            << EditNoCopy << "actViewFontTreeView";
    }

    // What each menu shows as it opens, with no idle moment before.
    void mainMenu()
    {
        QFETCH(TSituation, Situation);
        auto Window = ShownWindow(Situation != sNoFileTree);
        Enter(*Window, Situation);
        auto* Bar = Component<QMenuBar>(*Window, "ActionMainMenuBar1");
        QStringList Titles;
        for (const QAction* Menu : Bar->actions())
            Titles << Menu->text();
        QCOMPARE(Titles, (QStringList{"&File", "&Edit", "&View", "&Help"}));

        const auto Opened = [&](const char* Name) {
            auto* Menu = Component<QMenu>(*Window, Name);
            Menu->popup(Window->mapToGlobal(QPoint(10, 10)));
            const QStringList Entries = VisibleEntries(*Menu);
            Menu->hide();
            return Entries;
        };
        QTEST(Opened("mnuFile"), "File");
        QTEST(Opened("mnuEdit"), "Edit");
        QFETCH(QString, Font);
        auto* View = Component<QMenu>(*Window, "mnuView");
        View->popup(Window->mapToGlobal(QPoint(10, 10)));
        QStringList Shown;
        // The font entries; the switches for the text view always show.
        for (const QAction* Entry : View->actions())
            if (Entry->isVisible() && Entry->objectName().startsWith(QLatin1String("actViewFont")))
                Shown << Entry->objectName();
        View->hide();
        QCOMPARE(Shown, Font.isEmpty() ? QStringList() : QStringList{Font});
        QCOMPARE(Opened("mnuHelp"), QStringList{"&About..."});
    }

    // Alt hands the focus to the menu bar for keyboard navigation; the view
    // focused before stays the active one.
    void menuBarKeyboardKeepsActiveView()
    {
        auto Window = ShownWindow();
        SelectNode(*Window, 1);
        Focus(Views(*Window).Tree);
        auto* Bar = Component<QMenuBar>(*Window, "ActionMainMenuBar1");
        QTest::keyClick(Views(*Window).Tree, Qt::Key_Alt, Qt::AltModifier);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Bar));
        RunIdle();
        QCOMPARE(Window->ActiveView(), TActiveView::Tree);
        QVERIFY(Action(*Window, "actFileExportTreeView")->isVisible());
        QTest::keyClick(Bar, Qt::Key_Escape);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Views(*Window).Tree));
    }

    // The File menu's list export entry runs the list's command.
    void listExportEntryRunsCommand()
    {
        auto Window = ShownWindow();
        Enter(*Window, sRootListRows);
        QSignalSpy Triggered(Action(*Window, "actFileExportListView"), &QAction::triggered);
        auto Reply = Answer<QFileDialog>([](QFileDialog& Dialog) { Dialog.reject(); });
        auto* File = Component<QMenu>(*Window, "mnuFile");
        File->popup(Window->mapToGlobal(QPoint(10, 10)));
        File->hide();
        Component<QAction>(*Window, "mniFileExportListView")->trigger();
        QCOMPARE(Triggered.count(), 1);
        QVERIFY(Reply->Answered());  // the folder browser, cancelled
    }

    // --- context menus -------------------------------------------------------------------------

    void contextMenus_data()
    {
        QTest::addColumn<QString>("View");
        QTest::addColumn<int>("NodeIndex");
        QTest::addColumn<QList<int>>("Rows");
        QTest::addColumn<QString>("Menu");
        QTest::addColumn<QStringList>("Entries");
        QTest::newRow("tree, object") << "tree" << 2 << QList<int>() << "pumTreeView"
                                      << QStringList{"&Copy\tCtrl+C", "&Export...", "&Where Used"};
        QTest::newRow("tree, root") << "tree" << 0 << QList<int>() << "pumTreeView"
                                    << QStringList{"&Copy\tCtrl+C (greyed)", "&Export... (greyed)", "&Where Used (greyed)"};
        QTest::newRow("text view") << "text" << 2 << QList<int>() << "pumMemo"
                                   << QStringList{"&Copy\tCtrl+C", "Select &All\tCtrl+A"};
        QTest::newRow("list, no row") << "list" << 0 << QList<int>() << "pumListView"
                                      << QStringList{"&Export... (greyed)", "&Where Used (greyed)"};
        QTest::newRow("list, rows") << "list" << 0 << QList<int>{0, 2} << "pumListView"
                                    << QStringList{"&Export...", "&Where Used"};
    }

    void contextMenus()
    {
        QFETCH(QString, View);
        QFETCH(int, NodeIndex);
        QFETCH(QList<int>, Rows);
        QFETCH(QString, Menu);
        QFETCH(QStringList, Entries);
        auto Window = ShownWindow();
        const TViews V = Views(*Window);
        SelectNode(*Window, View == "tree" ? 1 : NodeIndex);  // the tree's right click moves it
        QAbstractScrollArea* Area = View == "tree" ? static_cast<QAbstractScrollArea*>(V.Tree)
                                    : View == "list" ? static_cast<QAbstractScrollArea*>(V.List) : V.Text;
        Focus(Area);
        SelectRows(*Window, Rows);

        QStringList Seen;
        QString Name, Style;
        bool Icons = true;  // the command icons, where the command has one
        auto Reply = AnswerPopup([&](QMenu& Shown) {
            Name = Shown.objectName();
            Style = Shown.styleSheet();
            Seen = VisibleEntries(Shown);
            for (const QAction* Entry : Shown.actions())
                if (Entry->isVisible())
                    Icons = Icons && Entry->icon().isNull() == Entry->text().startsWith("Select");
            Shown.close();
        });
        QPoint At(5, 5);
        if (View == "tree") {
            At = V.Tree->visualRect(Node(*Window, NodeIndex)).center();
            QTest::mousePress(V.Tree->viewport(), Qt::RightButton, {}, At);
            QTest::mouseRelease(V.Tree->viewport(), Qt::RightButton, {}, At);
        }
        QContextMenuEvent Request(QContextMenuEvent::Mouse, At, Area->viewport()->mapToGlobal(At));
        QApplication::sendEvent(Area->viewport(), &Request);
        QVERIFY(Reply->Answered());
        QCOMPARE(Name, Menu);
        QCOMPARE(Seen, Entries);
        QVERIFY(Icons);
        QCOMPARE(Style, Component<TActionManager>(*Window, "acmMain")->StyleSheet());
        if (View == "tree")
            QCOMPARE(V.Tree->currentIndex(), Node(*Window, NodeIndex));
    }

    void contextMenuRunsChosenCommand()
    {
        auto Window = ShownWindow();
        SelectNode(*Window, 1);
        TObjectTextView* Text = Views(*Window).Text;
        Focus(Text);
        auto Reply = AnswerPopup([](QMenu& Shown) {
            Shown.setActiveAction(Shown.actions().first());  // Copy
            QTest::keyClick(&Shown, Qt::Key_Return);
        });
        QContextMenuEvent Request(QContextMenuEvent::Mouse, QPoint(5, 5), Text->viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(Text->viewport(), &Request);
        QVERIFY(Reply->Answered());
        QCOMPARE(ClipboardBytes(), QByteArray::fromStdString(Object0));
    }

    // --- find through the window -------------------------------------------------------------------

    void findInWindow()
    {
        auto Window = ShownWindow();
        int Beeps = 0;
        Window->SetBeepSink([&] { ++Beeps; });
        const TViews V = Views(*Window);
        Focus(V.Tree);
        RunIdle();
        Action(*Window, "actEditFind")->trigger();
        auto* Find = Component<TFindDialog>(*Window, "dlgFind");
        QVERIFY(Find->isVisible());
        QVERIFY(!Find->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        Find->SetFindText(QStringLiteral("Beta"));
        auto* FindNext = Find->findChild<QPushButton*>(QStringLiteral("btnFindNext"));

        // Each press: the object's node, its text shown, the occurrence selected
        // exactly, whatever CR LF breaks come before it; still so after the
        // tree's delayed report.
        const auto Expect = [&](int Object, int Byte) {
            QCOMPARE(V.Tree->currentIndex(), Node(*Window, Object + 1));
            WaitForChangeReport();
            QVERIFY(!V.Text->isHidden());
            QVERIFY(V.List->isHidden());
            QCOMPARE(V.Text->ObjectText(), Objects[Object]);
            QCOMPARE(V.Text->ByteSelectionStart(), Byte);
            QCOMPARE(V.Text->ByteSelectionLength(), 4);
            QCOMPARE(V.Text->textCursor().selectedText().toLower(), QStringLiteral("beta"));
        };
        Click(FindNext);
        Expect(1, ByteOffset(1, "Beta"));
        Click(FindNext);
        Expect(1, ByteOffset(1, "Beta", ByteOffset(1, "Beta") + 1));
        Click(FindNext);
        Expect(3, ByteOffset(3, "beta"));
        QCOMPARE(Beeps, 0);
        Click(FindNext);
        QCOMPARE(Beeps, 1);
        Expect(3, ByteOffset(3, "beta"));

        // Match case, from the root again.
        Find->SetMatchCase(true);
        SelectNode(*Window, 0);
        Click(FindNext);
        Expect(1, ByteOffset(1, "Beta"));
        Click(FindNext);
        Click(FindNext);
        QCOMPARE(Beeps, 2);

        // The dialog stays open across Close; with no file a search only beeps.
        Action(*Window, "actFileClose")->trigger();
        QVERIFY(Find->isVisible());
        Click(FindNext);
        QCOMPARE(Beeps, 3);
        QVERIFY(Find->isVisible());
    }

    // The dialog moves off an occurrence it would cover.
    void findDialogClearsOccurrence()
    {
        auto Window = ShownWindow();
        Window->move(0, 0);
        const TViews V = Views(*Window);
        Focus(V.Tree);
        RunIdle();
        Action(*Window, "actEditFind")->trigger();
        auto* Find = Component<TFindDialog>(*Window, "dlgFind");
        Find->SetFindText(QStringLiteral("Sales-Post"));
        Click(Find->findChild<QPushButton*>(QStringLiteral("btnFindNext")));
        WaitForChangeReport();
        const auto Occurrence = [&] {
            QTextCursor At = V.Text->textCursor();
            At.setPosition(At.selectionStart());
            const QRect Caret = V.Text->cursorRect(At);
            return QRect(V.Text->viewport()->mapToGlobal(Caret.topLeft()), Caret.size());
        };
        QVERIFY(!Find->frameGeometry().intersects(Occurrence()));
        // Put it right over the occurrence and search again from the root.
        Find->move(Occurrence().topLeft() - QPoint(10, 10));
        QTRY_VERIFY(Find->frameGeometry().intersects(Occurrence()));
        SelectNode(*Window, 0);
        Click(Find->findChild<QPushButton*>(QStringLiteral("btnFindNext")));
        QTRY_VERIFY(!Find->frameGeometry().intersects(Occurrence()));
        QCOMPARE(V.Text->textCursor().selectedText(), QStringLiteral("Sales-Post"));
    }

    void findSettingsRoundTrip()
    {
        {
            auto Window = MakeWindow(Folder());
            auto* Find = Component<TFindDialog>(*Window, "dlgFind");
            QCOMPARE(Find->FindText(), QString());
            Find->SetFindText(QStringLiteral("Sales Header \xE9"));
            Find->SetMatchCase(true);
        }
        auto Window = MakeWindow(Folder());
        auto* Find = Component<TFindDialog>(*Window, "dlgFind");
        QCOMPARE(Find->FindText(), QStringLiteral("Sales Header \xE9"));
        QVERIFY(Find->MatchCase());
        // Kept in UTF-8.
        QCOMPARE(Window->FindText(), std::string("Sales Header \xC3\xA9"));
    }

    // --- export through the window -------------------------------------------------------------------

    void exportFromTree()
    {
        auto Window = ShownWindow();
        SelectNode(*Window, 4);  // Report 4 Epsilon
        Focus(Views(*Window).Tree);
        const QString Out = Folder().Path("out");
        QVERIFY(QDir().mkpath(Out));
        QString Offered, Title;
        auto Reply = Answer<QFileDialog>([&](QFileDialog& Dialog) {
            Title = Dialog.windowTitle();
            Offered = QFileInfo(Dialog.selectedFiles().value(0)).fileName();
            Dialog.setDirectory(Out);
            Dialog.selectFile(QDir(Out).filePath(Offered));
            static_cast<QDialog&>(Dialog).accept();
        });
        RunIdle();
        Action(*Window, "actFileExportTreeView")->trigger();
        QVERIFY(Reply->Answered());
        QCOMPARE(Title, QStringLiteral("Export"));
        QCOMPARE(Offered, QStringLiteral("rep4.txt"));
        QCOMPARE(Folder().Read("out/rep4.txt"), Object3);
    }

    void exportFromList_data()
    {
        QTest::addColumn<QList<int>>("Rows");
        QTest::addColumn<QString>("Choice");  // the answer to the one replace question
        QTest::addColumn<bool>("Asked");
        QTest::addColumn<QByteArray>("Tab18");  // what tab18.txt then holds
        QTest::addColumn<QStringList>("Others");
        const QByteArray Old("old");
        const QStringList Both{"cod80.txt", "rep4.txt"};
        QTest::newRow("no existing target") << QList<int>{3, 1} << "" << false << Old << Both;
        QTest::newRow("No keeps the file") << QList<int>{4, 1, 3} << "&No" << true << Old << Both;
        QTest::newRow("Yes replaces it") << QList<int>{3, 1, 4} << "&Yes" << true
                                         << QByteArray::fromStdString(Object4) << Both;
        QTest::newRow("Cancel ends the export") << QList<int>{0, 1, 3} << "Cancel" << true << Old << QStringList();
    }

    // Several rows go into the chosen folder in row order, whatever the order
    // of selection, with the replace question for a file already there.
    void exportFromList()
    {
        QFETCH(QList<int>, Rows);
        QFETCH(QString, Choice);
        QFETCH(bool, Asked);
        QFETCH(QByteArray, Tab18);
        QFETCH(QStringList, Others);
        auto Window = ShownWindow();
        const QString Out = Folder().Path("out");
        QVERIFY(QDir().mkpath(Out));
        Folder().Write("out/tab18.txt", "old");
        Component<TBrowseForFolderDialog>(*Window, "dlgBrowseForFolder")->SetFolderName(Out);
        Enter(*Window, sRootListNoRows);
        SelectRows(*Window, Rows);

        auto Browser = Answer<QFileDialog>([](QFileDialog& Dialog) {
            Click(Dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open));
        });
        QString Question;
        auto Box = Answer<QMessageBox>([&](QMessageBox& Shown) {
            Question = Shown.windowTitle() + "|" + Shown.text();
            for (QAbstractButton* Button : Shown.buttons())
                if (Button->text() == Choice)
                    Click(Button);
        });
        RunIdle();
        Action(*Window, "actFileExportListView")->trigger();
        QVERIFY(Browser->Answered());
        QCOMPARE(Box->Answered(), Asked);
        if (Asked)
            QCOMPARE(Question, "Warning|" + QDir::toNativeSeparators(QDir(Out).filePath("tab18.txt")) +
                                   " already exists.\r\nDo you want to replace it?");
        QCOMPARE(QByteArray::fromStdString(Folder().Read("out/tab18.txt")), Tab18);
        QStringList Files = QDir(Out).entryList(QDir::Files);
        Files.removeAll(QStringLiteral("tab18.txt"));
        QCOMPARE(Files, Others);
        if (Others.contains("cod80.txt"))
            QCOMPARE(Folder().Read("out/cod80.txt"), Object1);
    }

    void exportOneListRowUsesSaveDialog()
    {
        auto Window = ShownWindow();
        Enter(*Window, sRootListNoRows);
        SelectRows(*Window, {2});
        QString Offered;
        auto Reply = Answer<QFileDialog>([&](QFileDialog& Dialog) {
            Offered = Dialog.objectName() + "|" + QFileInfo(Dialog.selectedFiles().value(0)).fileName();
            Dialog.reject();
        });
        RunIdle();
        Action(*Window, "actFileExportListView")->trigger();
        QVERIFY(Reply->Answered());
        QCOMPARE(Offered, QStringLiteral("dlgSave|for21.txt"));
    }

private:
    static void Click(QAbstractButton* Button)
    {
        QVERIFY(Button);
        QTest::mouseClick(Button, Qt::LeftButton);
    }
};

QTEST_MAIN(TestCommands)
#include "test_commands.moc"
