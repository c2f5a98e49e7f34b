// The find dialog, one press of Find Next over a real loaded file, and the
// export of objects with its dialogs and its replace question. Modal dialogs
// are answered from timers while they run.
#include "components/brwsfldr.h"
#include "core/encodingchoice.h"
#include "core/search/findtext.h"
#include "core/quibfile.h"
#include "ui/export/exportobjects.h"
#include "ui/find/finddialog.h"
#include "ui/find/findnext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Answering modal dialogs

// Answers the first modal widget that Match accepts, from inside its own event
// loop, for as long as it lives. A modal widget left open for too long is
// closed, so that a fault fails the test instead of hanging it.
class TModalAnswer {
public:
    using TMatch = std::function<bool(QWidget&)>;
    using TAnswer = std::function<void(QWidget&)>;

    TModalAnswer(TMatch Match, TAnswer Answer) : FMatch(std::move(Match)), FAnswer(std::move(Answer))
    {
        QObject::connect(&FPoll, &QTimer::timeout, [this] { Poll(); });
        FClock.start();
        FPoll.start(5);
    }
    TModalAnswer(const TModalAnswer&) = delete;
    TModalAnswer& operator=(const TModalAnswer&) = delete;

    template <class T>
    static TMatch Is()
    {
        return [](QWidget& Widget) { return qobject_cast<T*>(&Widget) != nullptr; };
    }

    bool Answered() const { return FAnswered; }

private:
    static constexpr int TimeoutMs = 10000;

    void Poll()
    {
        QWidget* Shown = QApplication::activeModalWidget();
        if (!Shown)
            return;
        if (!FAnswered && FMatch(*Shown)) {
            FAnswered = true;
            FClock.restart();
            QPointer<QWidget> Guard(Shown);
            FAnswer(*Shown);
            return;
        }
        if (FClock.elapsed() > TimeoutMs)
            Shown->close();
    }

    TMatch FMatch;
    TAnswer FAnswer;
    QTimer FPoll;
    QElapsedTimer FClock;
    bool FAnswered = false;
};

QPushButton* DialogButton(QWidget& Dialog, QDialogButtonBox::StandardButton Which)
{
    auto* Buttons = Dialog.findChild<QDialogButtonBox*>();
    return Buttons ? Buttons->button(Which) : nullptr;
}

void Click(QAbstractButton* Button)
{
    QVERIFY(Button);
    QTest::mouseClick(Button, Qt::LeftButton);
}

// The button of a message box with the given text.
QAbstractButton* BoxButton(QMessageBox& Box, const QString& Text)
{
    for (QAbstractButton* Button : Box.buttons())
        if (Button->text() == Text)
            return Button;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Files

std::string ReadBytes(const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        return "<missing>";
    return File.readAll().toStdString();
}

void WriteBytes(const QString& FileName, const std::string& Bytes)
{
    QFile File(FileName);
    QVERIFY2(File.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(FileName));
    QCOMPARE(File.write(Bytes.data(), qint64(Bytes.size())), qint64(Bytes.size()));
}

std::string Joined(const std::vector<std::string>& Parts, const std::string& Before = {})
{
    std::string Text = Before;
    for (const std::string& Part : Parts)
        Text += Part;
    return Text;
}

// The file the searches run over: a line before the first object (it belongs
// to none and is never searched), then three objects with CR LF line breaks;
// the last one has no final line break.
const std::string FindPreamble = "Exported objects\r\n";
const std::vector<std::string> FindObjects = {
    "OBJECT Table 18 Customer\r\n{\r\n  Name=Alpha;\r\n  Note=aaaa;\r\n}\r\nend of object\r\n",
    "OBJECT Codeunit 80 Sales-Post\r\n{\r\n  Code=Beta;\r\n}\r\n",
    "OBJECT Form 21 Customer Card\r\n{\r\n  Caption=alpha Beta;\r\n}\r\nZZ",
};

// The file exported from: two objects share kind and number (tab18.txt), and
// one is of no known kind (unk7.txt).
const std::vector<std::string> ExportObjectTexts = {
    "OBJECT Table 18 Customer\r\n{\r\n  PROPERTIES { Caption=Customer; }\r\n}\r\n\r\n",
    "OBJECT Codeunit 80 Sales-Post\r\n{\r\n  CODE { BEGIN END. }\r\n}\r\n\r\n",
    "OBJECT Form 21 Customer Card\r\n{\r\n  CONTROLS { }\r\n}\r\n\r\n",
    "OBJECT Report 111 Customer - Top 10 List\r\n{\r\n  DATAITEMS { }\r\n}\r\n\r\n",
    "OBJECT Table 18 Customer\r\n{\r\n  PROPERTIES { Caption=Customer (second copy); }\r\n}\r\n\r\n",
    "OBJECT Bogus 7 Totals\r\n{\r\n}\r\n",
};
const QStringList ExportNames = {"tab18.txt", "cod80.txt", "for21.txt", "rep111.txt", "tab18.txt", "unk7.txt"};
const std::string OldContent = "old content\r\n";

// ---------------------------------------------------------------------------
// A stand-in for the window's views

struct TFound {
    int Object;
    int Offset;
    bool operator==(const TFound& Other) const { return Object == Other.Object && Offset == Other.Offset; }
};
using TFoundList = std::vector<TFound>;

// The tree's selection, the shown text and its byte selection, as the window
// would keep them; it counts what a search changes.
class TFakeViews : public TFindView {
public:
    explicit TFakeViews(TObjectTextFile& File) : FFile(File) {}

    std::int32_t SelectedObjectIndex() const override { return Selected; }
    std::int32_t TextSelectionStart() const override { return SelStart; }
    std::int32_t TextSelectionLength() const override { return SelLength; }

    void SelectObjectNode(std::int32_t ObjectIndex) override
    {
        SeeCursor();
        if (Selected != ObjectIndex)
            ++NodeChanges;
        Selected = ObjectIndex;
    }
    void ShowObjectText(std::int32_t ObjectIndex) override
    {
        std::string Text = FFile.Objects(ObjectIndex).GetText();
        if (Text == ShownText && TextShown)
            return;
        ShownText = std::move(Text);
        TextShown = true;
        SelStart = SelLength = 0;
        ++TextLoads;
    }
    void SelectTextBytes(std::int32_t Start, std::int32_t Length) override
    {
        SelStart = Start;
        SelLength = Length;
    }
    void Beep() override
    {
        SeeCursor();
        ++Beeps;
    }

    // The user clicks the root: the list shows.
    void ClickRoot()
    {
        Selected = -1;
        TextShown = false;
        ShownText.clear();
        SelStart = SelLength = 0;
    }
    // The user clicks object o's node and places the selection in its text.
    void ClickObject(int ObjectIndex, int Start = 0, int Length = 0)
    {
        Selected = ObjectIndex;
        ShownText = FFile.Objects(ObjectIndex).GetText();
        TextShown = true;
        SelStart = Start;
        SelLength = Length;
        NodeChanges = TextLoads = 0;
    }

    std::string SelectedText() const { return ShownText.substr(std::size_t(SelStart), std::size_t(SelLength)); }
    TFound Selection() const { return {Selected, SelStart}; }

    int Selected = -1;
    bool TextShown = false;
    std::string ShownText;
    int SelStart = 0;
    int SelLength = 0;
    int Beeps = 0;
    int NodeChanges = 0;
    int TextLoads = 0;
    // The application's cursor while the views were told the result.
    QList<Qt::CursorShape> CursorsSeen;

private:
    void SeeCursor()
    {
        const QCursor* Cursor = QApplication::overrideCursor();
        CursorsSeen << (Cursor ? Cursor->shape() : Qt::ArrowCursor);
    }

    TObjectTextFile& FFile;
};

// Find Next for the file's bytes, as the search without code pages has it.
bool Press(TObjectTextFile& File, TFakeViews& Fake, const std::string& Text, bool MatchCase = false)
{
    TEncodingChoice Bytes;
    return FindNextInViews(File, Fake, TFindText::OfBytes(Text, MatchCase), Bytes);
}

// ---------------------------------------------------------------------------
// A stand-in for the replace question

class TScriptedAnswers {
public:
    explicit TScriptedAnswers(QList<TReplaceAnswer> Answers) : FAnswers(std::move(Answers)) {}

    TAskReplace Ask()
    {
        return [this](const QString& Path) {
            Asked << Path;
            // A question beyond the script ends the export.
            return FAnswers.isEmpty() ? TReplaceAnswer::Cancel : FAnswers.takeFirst();
        };
    }

    QStringList Asked;

private:
    QList<TReplaceAnswer> FAnswers;
};

// Refuses to create files with this name, as a folder without write access would.
QString RefusedName;
int RefuseCreate(const std::string& FullPath, bool ForCreate)
{
    if (ForCreate && QString::fromStdString(FullPath).endsWith(QDir::separator() + RefusedName))
        return EACCES;
    return platform::SystemFileIo().BeforeOpen(FullPath, ForCreate);
}

} // namespace

Q_DECLARE_METATYPE(TFound)
Q_DECLARE_METATYPE(TFoundList)
Q_DECLARE_METATYPE(TReplaceAnswer)

class TestFindExport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // The find dialog.
    void findDialogControls();
    void findNextFollowsText_data();
    void findNextFollowsText();
    void findDialogEnter_data();
    void findDialogEnter();
    void findDialogHidesAndKeepsState_data();
    void findDialogHidesAndKeepsState();
    void findDialogExecuteBringsToFront();
    void findTextIsCut();

    // One press of Find Next.
    void findWalksOccurrences_data();
    void findWalksOccurrences();
    void findInShownObjectAfterCaret();
    void findInLaterObject();
    void findStartsAfterSelection_data();
    void findStartsAfterSelection();
    void findFromRootStartsOver();
    void findWithoutFile_data();
    void findWithoutFile();
    void findHourglass_data();
    void findHourglass();
    void findReadFailure();

    // Export.
    void exportTargetPath_data();
    void exportTargetPath();
    void exportSaveDialogSetUp();
    void exportFolderBrowserSetUp();
    void exportOneObject_data();
    void exportOneObject();
    void exportOneObjectOffersItsNameEachTime();
    void exportOneObjectOverExisting_data();
    void exportOneObjectOverExisting();
    void exportOneObjectOntoLoadedFile();
    void exportOneObjectFolderMustExist();
    void replaceBoxLooks();
    void replaceBoxAnswers_data();
    void replaceBoxAnswers();
    void exportSeveral_data();
    void exportSeveral();
    void exportSeveralBrowserCancelled();
    void exportSeveralFailure_data();
    void exportSeveralFailure();
    void exportRowsChoosesDialog_data();
    void exportRowsChoosesDialog();

private:
    QString Path(const QString& Name) const { return FTemp->filePath(Name); }
    void LoadFindFile();
    void LoadExportFile();
    // Runs Browser at OutFolder and confirms it.
    void AnswerBrowserWithOk();
    // Puts OldContent into each named file of OutFolder.
    void PutOldFiles(const QStringList& Names);
    QString OutFile(const QString& Name) const { return QDir::toNativeSeparators(QDir(FOutFolder).filePath(Name)); }

    std::unique_ptr<QTemporaryDir> FTemp;
    std::unique_ptr<TObjectTextFile> FFile;
    QString FOutFolder;
    std::unique_ptr<TModalAnswer> FBrowserAnswer;
};

void TestFindExport::init()
{
    FTemp = std::make_unique<QTemporaryDir>();
    QVERIFY(FTemp->isValid());
    FFile = std::make_unique<TObjectTextFile>();
    FOutFolder = QDir::toNativeSeparators(Path(QStringLiteral("out")));
    QVERIFY(QDir().mkpath(FOutFolder));
}

void TestFindExport::cleanup()
{
    FBrowserAnswer.reset();
    FFile.reset();
    FTemp.reset();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestFindExport::LoadFindFile()
{
    const QString FileName = Path(QStringLiteral("find.txt"));
    WriteBytes(FileName, Joined(FindObjects, FindPreamble));
    FFile->LoadFromFile(QFile::encodeName(FileName).toStdString());
    QCOMPARE(FFile->Count(), int(FindObjects.size()));
}

void TestFindExport::LoadExportFile()
{
    const QString FileName = Path(QStringLiteral("export.txt"));
    WriteBytes(FileName, Joined(ExportObjectTexts));
    FFile->LoadFromFile(QFile::encodeName(FileName).toStdString());
    QCOMPARE(FFile->Count(), int(ExportObjectTexts.size()));
}

void TestFindExport::AnswerBrowserWithOk()
{
    FBrowserAnswer = std::make_unique<TModalAnswer>(TModalAnswer::Is<QFileDialog>(), [](QWidget& Dialog) {
        Click(DialogButton(Dialog, QDialogButtonBox::Open));
    });
}

void TestFindExport::PutOldFiles(const QStringList& Names)
{
    for (const QString& Name : Names)
        WriteBytes(OutFile(Name), OldContent);
}

// --- the find dialog -------------------------------------------------------

void TestFindExport::findDialogControls()
{
    TFindDialog Dialog;
    QCOMPARE(Dialog.objectName(), QStringLiteral("dlgFind"));
    QCOMPARE(Dialog.windowTitle(), QStringLiteral("Find"));
    QVERIFY(!Dialog.isModal());

    auto* Text = Dialog.findChild<QLineEdit*>(QStringLiteral("edtFindText"));
    QVERIFY(Text);
    QCOMPARE(Text->maxLength(), 255);

    // Only the match-case box: no whole-word box, no direction.
    const auto Boxes = Dialog.findChildren<QCheckBox*>();
    QCOMPARE(Boxes.size(), 1);
    QCOMPARE(Boxes.front()->text(), QStringLiteral("Match &case"));
    QVERIFY(Dialog.findChildren<QRadioButton*>().isEmpty());

    const auto Buttons = Dialog.findChildren<QPushButton*>();
    QStringList Texts;
    for (const QPushButton* Button : Buttons)
        Texts << Button->text();
    QCOMPARE(Texts, (QStringList{QStringLiteral("&Find Next"), QStringLiteral("Cancel")}));
    QVERIFY(Buttons.front()->isDefault());
}

void TestFindExport::findNextFollowsText_data()
{
    QTest::addColumn<QString>("Typed");
    QTest::addColumn<int>("Erased");
    QTest::addColumn<bool>("Enabled");
    QTest::addRow("empty") << "" << 0 << false;
    QTest::addRow("one character") << "x" << 0 << true;
    QTest::addRow("typed and erased again") << "ab" << 2 << false;
    QTest::addRow("partly erased") << "ab" << 1 << true;
}

void TestFindExport::findNextFollowsText()
{
    QFETCH(QString, Typed);
    QFETCH(int, Erased);
    QFETCH(bool, Enabled);
    TFindDialog Dialog;
    Dialog.Execute();
    auto* Text = Dialog.findChild<QLineEdit*>(QStringLiteral("edtFindText"));
    QTest::keyClicks(Text, Typed);
    for (int I = 0; I < Erased; ++I)
        QTest::keyClick(Text, Qt::Key_Backspace);
    QCOMPARE(Dialog.findChild<QPushButton*>(QStringLiteral("btnFindNext"))->isEnabled(), Enabled);
}

void TestFindExport::findDialogEnter_data()
{
    QTest::addColumn<QString>("Text");
    QTest::addColumn<int>("Key");
    QTest::addColumn<int>("Finds");
    QTest::addRow("Enter with a text") << "Customer" << int(Qt::Key_Return) << 1;
    QTest::addRow("keypad Enter with a text") << "Customer" << int(Qt::Key_Enter) << 1;
    QTest::addRow("Enter without a text") << "" << int(Qt::Key_Return) << 0;
}

void TestFindExport::findDialogEnter()
{
    QFETCH(QString, Text);
    QFETCH(int, Key);
    QFETCH(int, Finds);
    TFindDialog Dialog;
    Dialog.SetFindText(Text);
    Dialog.Execute();
    QSignalSpy Spy(&Dialog, &TFindDialog::Find);
    QTest::keyClick(Dialog.findChild<QLineEdit*>(QStringLiteral("edtFindText")), Qt::Key(Key));
    QCOMPARE(Spy.count(), Finds);
    // Find Next leaves the dialog open for the next press.
    QVERIFY(Dialog.isVisible());
}

void TestFindExport::findDialogHidesAndKeepsState_data()
{
    QTest::addColumn<QString>("How");
    QTest::addRow("Cancel") << "Cancel";
    QTest::addRow("Escape") << "Escape";
    QTest::addRow("close box") << "close";
}

void TestFindExport::findDialogHidesAndKeepsState()
{
    QFETCH(QString, How);
    QWidget Window;
    Window.show();
    QPointer<TFindDialog> Dialog = new TFindDialog(&Window);
    Dialog->SetFindText(QStringLiteral("Sales-Post"));
    Dialog->SetMatchCase(true);
    Dialog->Execute();
    QVERIFY(Dialog->isVisible());

    if (How == "Cancel")
        Click(Dialog->findChild<QPushButton*>(QStringLiteral("btnCancel")));
    else if (How == "Escape")
        QTest::keyClick(Dialog->findChild<QLineEdit*>(QStringLiteral("edtFindText")), Qt::Key_Escape);
    else
        Dialog->close();
    QApplication::processEvents();

    QVERIFY(Dialog);
    QVERIFY(!Dialog->isVisible());
    Dialog->Execute();
    QVERIFY(Dialog->isVisible());
    QCOMPARE(Dialog->FindText(), QStringLiteral("Sales-Post"));
    QVERIFY(Dialog->MatchCase());
}

void TestFindExport::findDialogExecuteBringsToFront()
{
    QWidget Window;
    Window.show();
    TFindDialog Dialog(&Window);
    Dialog.Execute();
    QTRY_VERIFY(Dialog.isActiveWindow());

    // The window stays usable while the dialog is open.
    Window.activateWindow();
    QTRY_VERIFY(Window.isActiveWindow());
    QVERIFY(Dialog.isVisible());

    Dialog.Execute();
    QTRY_VERIFY(Dialog.isActiveWindow());
    QCOMPARE(Window.findChildren<TFindDialog*>().size(), 1);
}

void TestFindExport::findTextIsCut()
{
    TFindDialog Dialog;
    Dialog.SetFindText(QString(300, QLatin1Char('x')));
    QCOMPARE(Dialog.FindText(), QString(255, QLatin1Char('x')));
}

// --- one press of Find Next -----------------------------------------------

void TestFindExport::findWalksOccurrences_data()
{
    QTest::addColumn<QByteArray>("Text");
    QTest::addColumn<bool>("MatchCase");
    QTest::addColumn<TFoundList>("Expected");
    // Offsets are byte offsets in the object's text (see FindObjects).
    QTest::addRow("object marker, match case") << QByteArray("OBJECT") << true
                                               << TFoundList{{0, 0}, {1, 0}, {2, 0}};
    QTest::addRow("end of one object, then position 1 of the next")
        << QByteArray("object") << false << TFoundList{{0, 0}, {0, 68}, {1, 0}, {2, 0}};
    QTest::addRow("other case with match case") << QByteArray("object") << true << TFoundList{{0, 68}};
    QTest::addRow("case ignored") << QByteArray("ALPHA") << false << TFoundList{{0, 36}, {2, 43}};
    QTest::addRow("case matched") << QByteArray("Alpha") << true << TFoundList{{0, 36}};
    QTest::addRow("non-overlapping: aa in aaaa") << QByteArray("aa") << true << TFoundList{{0, 51}, {0, 53}};
    QTest::addRow("up to the object's last byte") << QByteArray("of object\r\n") << true << TFoundList{{0, 65}};
    QTest::addRow("up to the file's last byte") << QByteArray("ZZ") << true << TFoundList{{2, 59}};
    QTest::addRow("only before the first object") << QByteArray("Exported") << false << TFoundList{};
}

void TestFindExport::findWalksOccurrences()
{
    QFETCH(QByteArray, Text);
    QFETCH(bool, MatchCase);
    QFETCH(TFoundList, Expected);
    LoadFindFile();
    TFakeViews Fake(*FFile);

    TFoundList Found;
    while (Press(*FFile, Fake, Text.toStdString(), MatchCase)) {
        QVERIFY(Found.size() <= Expected.size());
        Found.push_back(Fake.Selection());
        QCOMPARE(QByteArray::fromStdString(Fake.SelectedText()).toUpper(), Text.toUpper());
    }
    QCOMPARE(Found, Expected);
    QCOMPARE(Fake.Beeps, 1);

    // No wrap-around: every further press beeps and keeps the last occurrence.
    const TFound Last = Fake.Selection();
    const int Length = Fake.SelLength;
    QVERIFY(!Press(*FFile, Fake, Text.toStdString(), MatchCase));
    QCOMPARE(Fake.Beeps, 2);
    QCOMPARE(Fake.Selection(), Last);
    QCOMPARE(Fake.SelLength, Length);
}

void TestFindExport::findInShownObjectAfterCaret()
{
    LoadFindFile();
    TFakeViews Fake(*FFile);
    // The caret at "Note": the a's of "Name" and "Alpha" lie before it.
    Fake.ClickObject(0, 46);
    QVERIFY(Press(*FFile, Fake, "a", true));
    QCOMPARE(Fake.Selection(), (TFound{0, 51}));
    QCOMPARE(Fake.SelLength, 1);
    QCOMPARE(Fake.NodeChanges, 0);
    QCOMPARE(Fake.TextLoads, 0);
}

void TestFindExport::findInLaterObject()
{
    LoadFindFile();
    TFakeViews Fake(*FFile);
    Fake.ClickObject(0);
    QVERIFY(Press(*FFile, Fake, "beta"));
    QCOMPARE(Fake.Selection(), (TFound{1, 41}));
    QCOMPARE(Fake.SelectedText(), std::string("Beta"));
    QCOMPARE(Fake.NodeChanges, 1);
    QCOMPARE(Fake.TextLoads, 1);
}

void TestFindExport::findStartsAfterSelection_data()
{
    QTest::addColumn<int>("SelStart");
    QTest::addColumn<int>("SelLength");
    QTest::addColumn<TFound>("Expected");
    // "Alpha" in object 0 is at 36.
    QTest::addRow("caret right before the occurrence finds it") << 36 << 0 << TFound{0, 36};
    QTest::addRow("caret inside the occurrence passes it") << 37 << 0 << TFound{2, 43};
    QTest::addRow("the selected occurrence is passed") << 36 << 5 << TFound{2, 43};
    QTest::addRow("a selection ending inside it passes it") << 30 << 7 << TFound{2, 43};
    QTest::addRow("caret at the object's end") << 76 << 0 << TFound{2, 43};
}

void TestFindExport::findStartsAfterSelection()
{
    QFETCH(int, SelStart);
    QFETCH(int, SelLength);
    QFETCH(TFound, Expected);
    LoadFindFile();
    TFakeViews Fake(*FFile);
    Fake.ClickObject(0, SelStart, SelLength);
    QVERIFY(Press(*FFile, Fake, "alpha"));
    QCOMPARE(Fake.Selection(), Expected);
}

void TestFindExport::findFromRootStartsOver()
{
    LoadFindFile();
    TFakeViews Fake(*FFile);
    QVERIFY(Press(*FFile, Fake, "Beta"));
    QVERIFY(Press(*FFile, Fake, "Beta"));
    QCOMPARE(Fake.Selection(), (TFound{2, 49}));

    Fake.ClickRoot();
    QVERIFY(Press(*FFile, Fake, "Beta"));
    QCOMPARE(Fake.Selection(), (TFound{1, 41}));
    QVERIFY(Fake.TextShown);
}

void TestFindExport::findWithoutFile_data()
{
    QTest::addColumn<bool>("LoadThenClose");
    QTest::addRow("never loaded") << false;
    QTest::addRow("closed after loading") << true;
}

void TestFindExport::findWithoutFile()
{
    QFETCH(bool, LoadThenClose);
    if (LoadThenClose) {
        LoadFindFile();
        FFile->Close();
    }
    TFakeViews Fake(*FFile);
    QVERIFY(!Press(*FFile, Fake, "OBJECT"));
    QCOMPARE(Fake.Beeps, 1);
    QCOMPARE(Fake.Selected, -1);
    QVERIFY(!Fake.TextShown);
}

void TestFindExport::findHourglass_data()
{
    QTest::addColumn<QByteArray>("Text");
    QTest::addRow("found") << QByteArray("Beta");
    QTest::addRow("not found") << QByteArray("Gamma");
}

void TestFindExport::findHourglass()
{
    QFETCH(QByteArray, Text);
    LoadFindFile();
    TFakeViews Fake(*FFile);
    Press(*FFile, Fake, Text.toStdString());
    QCOMPARE(Fake.CursorsSeen, QList<Qt::CursorShape>{Qt::WaitCursor});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestFindExport::findReadFailure()
{
    LoadFindFile();
    TFakeViews Fake(*FFile);
    Fake.ClickObject(0, 10, 2);
#ifdef _WIN32
    QSKIP("The share-none hold keeps the file from shrinking underneath");
#endif
    // The file shrinks under the held stream: the last object can no longer be read.
    QVERIFY(QFile::resize(Path(QStringLiteral("find.txt")), qint64(FindPreamble.size() + FindObjects[0].size())));

    QVERIFY_THROWS_EXCEPTION(platform::EQuibError, Press(*FFile, Fake, "ZZ"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(Fake.Selection(), (TFound{0, 10}));
    QCOMPARE(Fake.SelLength, 2);
    QCOMPARE(Fake.Beeps, 0);
    QCOMPARE(Fake.NodeChanges + Fake.TextLoads, 0);
}

// --- export ----------------------------------------------------------------

void TestFindExport::exportTargetPath_data()
{
    QTest::addColumn<QString>("Folder");
    QTest::addColumn<QString>("Expected");
    const QString Sep = QDir::separator();
    QTest::addRow("folder") << Sep + "data" + Sep + "out" << Sep + "data" + Sep + "out" + Sep + "tab18.txt";
    QTest::addRow("root") << Sep << Sep + "tab18.txt";
    QTest::addRow("folder ending in a separator") << Sep + "data" + Sep << Sep + "data" + Sep + "tab18.txt";
#ifdef Q_OS_WIN
    QTest::addRow("drive root") << "C:\\" << "C:\\tab18.txt";
#endif
}

void TestFindExport::exportTargetPath()
{
    QFETCH(QString, Folder);
    QFETCH(QString, Expected);
    QCOMPARE(ExportTargetPath(Folder, QStringLiteral("tab18.txt")), Expected);
}

void TestFindExport::exportSaveDialogSetUp()
{
    TExportSaveDialog Dialog;
    QCOMPARE(Dialog.objectName(), QStringLiteral("dlgSave"));
    QCOMPARE(Dialog.windowTitle(), QStringLiteral("Export"));
    QCOMPARE(Dialog.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(Dialog.nameFilters(), (QStringList{QStringLiteral("Velmar Object Text Files (*.txt)"),
                                                QStringLiteral("All Files (*)")}));
    QCOMPARE(Dialog.selectedNameFilter(), QStringLiteral("Velmar Object Text Files (*.txt)"));
    QVERIFY(Dialog.defaultSuffix().isEmpty());
    QVERIFY(!Dialog.testOption(QFileDialog::DontConfirmOverwrite));
    QVERIFY(Dialog.testOption(QFileDialog::DontUseNativeDialog));
}

void TestFindExport::exportFolderBrowserSetUp()
{
    TBrowseForFolderDialog Browser;
    SetUpExportFolderBrowser(Browser);
    QCOMPARE(Browser.Title(), QStringLiteral("Export Objects"));
    QVERIFY(Browser.Prompt().isEmpty());
    QCOMPARE(Browser.Options(), (TBrowseOptions{boNewDialogStyle, boReturnsOnlyFSDirs}));
}

void TestFindExport::exportOneObject_data()
{
    QTest::addColumn<int>("Object");
    QTest::addColumn<QString>("Typed");  // empty: the name offered
    QTest::addColumn<bool>("Accept");
    QTest::addColumn<QString>("Written");  // empty: nothing
    QTest::addRow("cancelled") << 0 << "" << false << "";
    QTest::addRow("name offered") << 0 << "" << true << "tab18.txt";
    QTest::addRow("same kind and number, other text") << 4 << "" << true << "tab18.txt";
    QTest::addRow("kind unknown") << 5 << "" << true << "unk7.txt";
    QTest::addRow("typed without extension") << 3 << "top10" << true << "top10";
}

void TestFindExport::exportOneObject()
{
    QFETCH(int, Object);
    QFETCH(QString, Typed);
    QFETCH(bool, Accept);
    QFETCH(QString, Written);
    LoadExportFile();
    TExportSaveDialog Dialog;
    Dialog.setDirectory(FOutFolder);

    TModalAnswer Answer(TModalAnswer::Is<QFileDialog>(), [&](QWidget& Shown) {
        if (!Typed.isEmpty())
            Shown.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(Typed);
        if (Accept)
            Click(DialogButton(Shown, QDialogButtonBox::Save));
        else
            QTest::keyClick(&Shown, Qt::Key_Escape);
    });
    QCOMPARE(ExportObject(FFile->Objects(Object), Dialog), Accept);
    QVERIFY(Answer.Answered());

    const QStringList Files = QDir(FOutFolder).entryList(QDir::Files);
    if (Written.isEmpty()) {
        QVERIFY(Files.isEmpty());
        return;
    }
    QCOMPARE(Files, QStringList{Written});
    QCOMPARE(ReadBytes(OutFile(Written)), ExportObjectTexts[std::size_t(Object)]);
}

void TestFindExport::exportOneObjectOffersItsNameEachTime()
{
    LoadExportFile();
    TExportSaveDialog Dialog;
    Dialog.setDirectory(FOutFolder);
    QStringList Offered;
    for (int Object : {0, 1, 2}) {
        TModalAnswer Answer(TModalAnswer::Is<QFileDialog>(), [&](QWidget& Shown) {
            auto* Name = Shown.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            Offered << Name->text();
            // What the user types is not offered for the next object.
            Name->setText(QStringLiteral("typed.txt"));
            QTest::keyClick(&Shown, Qt::Key_Escape);
        });
        QVERIFY(!ExportObject(FFile->Objects(Object), Dialog));
    }
    QCOMPARE(Offered, (QStringList{"tab18.txt", "cod80.txt", "for21.txt"}));
}

void TestFindExport::exportOneObjectOverExisting_data()
{
    QTest::addColumn<bool>("Replace");
    QTest::addRow("replace") << true;
    QTest::addRow("keep") << false;
}

void TestFindExport::exportOneObjectOverExisting()
{
    QFETCH(bool, Replace);
    LoadExportFile();
    PutOldFiles({QStringLiteral("tab18.txt")});
    TExportSaveDialog Dialog;
    Dialog.setDirectory(FOutFolder);

    // The dialog asks itself; after No it stays open, and the user cancels.
    bool Asked = false;
    TModalAnswer Question(TModalAnswer::Is<QMessageBox>(), [&](QWidget& Shown) {
        Asked = true;
        auto& Box = static_cast<QMessageBox&>(Shown);
        Click(Box.button(Replace ? QMessageBox::Yes : QMessageBox::No));
    });
    TModalAnswer Save(TModalAnswer::Is<QFileDialog>(), [&](QWidget& Shown) {
        Click(DialogButton(Shown, QDialogButtonBox::Save));
        if (Shown.isVisible())
            QTest::keyClick(&Shown, Qt::Key_Escape);
    });
    QCOMPARE(ExportObject(FFile->Objects(0), Dialog), Replace);
    QVERIFY(Asked);
    QCOMPARE(ReadBytes(OutFile("tab18.txt")), Replace ? ExportObjectTexts[0] : OldContent);
}

void TestFindExport::exportOneObjectOntoLoadedFile()
{
    LoadExportFile();
    const QString Loaded = Path(QStringLiteral("export.txt"));
    TExportSaveDialog Dialog;
    TModalAnswer Question(TModalAnswer::Is<QMessageBox>(), [](QWidget& Shown) {
        Click(static_cast<QMessageBox&>(Shown).button(QMessageBox::Yes));
    });
    TModalAnswer Save(TModalAnswer::Is<QFileDialog>(), [&](QWidget& Shown) {
        Shown.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(Loaded);
        Click(DialogButton(Shown, QDialogButtonBox::Save));
    });
    // The loaded file is held: the export fails and leaves it whole.
    QVERIFY_THROWS_EXCEPTION(platform::EQuibError, ExportObject(FFile->Objects(1), Dialog));
    FFile.reset();  // on Windows nobody else may read it while it is held
    QCOMPARE(ReadBytes(Loaded), Joined(ExportObjectTexts));
}

void TestFindExport::exportOneObjectFolderMustExist()
{
    LoadExportFile();
    TExportSaveDialog Dialog;
    Dialog.setDirectory(FOutFolder);
    QString Warned;
    bool StayedOpen = false;
    TModalAnswer Warning(TModalAnswer::Is<QMessageBox>(), [&](QWidget& Shown) {
        Warned = static_cast<QMessageBox&>(Shown).text();
        static_cast<QMessageBox&>(Shown).accept();
    });
    TModalAnswer Save(TModalAnswer::Is<QFileDialog>(), [&](QWidget& Shown) {
        Shown.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(OutFile("nosuch/tab18.txt"));
        Click(DialogButton(Shown, QDialogButtonBox::Save));
        StayedOpen = Shown.isVisible();
        QTest::keyClick(&Shown, Qt::Key_Escape);
    });
    QVERIFY(!ExportObject(FFile->Objects(0), Dialog));
    QVERIFY(StayedOpen);
    QVERIFY2(Warned.contains(QStringLiteral("nosuch")), qPrintable(Warned));
    QVERIFY(!QFileInfo::exists(OutFile("nosuch")));
}

void TestFindExport::replaceBoxLooks()
{
    const QString Target = OutFile(QStringLiteral("tab18.txt"));
    QString Title, Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QStringList Order;
    QString Default;
    TModalAnswer Answer(TModalAnswer::Is<QMessageBox>(), [&](QWidget& Shown) {
        auto& Box = static_cast<QMessageBox&>(Shown);
        Title = Box.windowTitle();
        Text = Box.text();
        Icon = Box.icon();
        QList<QAbstractButton*> Buttons = Box.buttons();
        std::sort(Buttons.begin(), Buttons.end(),
                  [](QAbstractButton* A, QAbstractButton* B) { return A->x() < B->x(); });
        for (QAbstractButton* Button : Buttons)
            Order << Button->text();
        Default = Box.defaultButton() ? Box.defaultButton()->text() : QString();
        Box.close();
    });
    QCOMPARE(AskReplace(nullptr, Target), TReplaceAnswer::Cancel);
    QCOMPARE(Title, QStringLiteral("Warning"));
    QCOMPARE(Icon, QMessageBox::Warning);
    QCOMPARE(Text, Target + QStringLiteral(" already exists.\r\nDo you want to replace it?"));
    QCOMPARE(Order, (QStringList{"&Yes", "&No", "Cancel", "Yes to &All"}));
    QCOMPARE(Default, QStringLiteral("&Yes"));
}

void TestFindExport::replaceBoxAnswers_data()
{
    QTest::addColumn<QString>("Button");  // empty: a key instead
    QTest::addColumn<int>("Key");
    QTest::addColumn<TReplaceAnswer>("Expected");
    QTest::addRow("Yes") << "&Yes" << 0 << TReplaceAnswer::Yes;
    QTest::addRow("No") << "&No" << 0 << TReplaceAnswer::No;
    QTest::addRow("Cancel") << "Cancel" << 0 << TReplaceAnswer::Cancel;
    QTest::addRow("Yes to All") << "Yes to &All" << 0 << TReplaceAnswer::YesToAll;
    QTest::addRow("Enter takes the default") << "" << int(Qt::Key_Return) << TReplaceAnswer::Yes;
    QTest::addRow("Escape") << "" << int(Qt::Key_Escape) << TReplaceAnswer::Cancel;
    QTest::addRow("close box") << "" << 0 << TReplaceAnswer::Cancel;
}

void TestFindExport::replaceBoxAnswers()
{
    QFETCH(QString, Button);
    QFETCH(int, Key);
    QFETCH(TReplaceAnswer, Expected);
    TModalAnswer Answer(TModalAnswer::Is<QMessageBox>(), [&](QWidget& Shown) {
        auto& Box = static_cast<QMessageBox&>(Shown);
        if (!Button.isEmpty())
            Click(BoxButton(Box, Button));
        else if (Key)
            QTest::keyClick(&Box, Qt::Key(Key));
        else
            Box.close();
    });
    QCOMPARE(AskReplace(nullptr, OutFile(QStringLiteral("tab18.txt"))), Expected);
}

void TestFindExport::exportSeveral_data()
{
    QTest::addColumn<QList<int>>("Rows");
    QTest::addColumn<QStringList>("Existing");
    QTest::addColumn<QList<TReplaceAnswer>>("Answers");
    QTest::addColumn<QStringList>("Asked");
    // Each file of the folder afterwards: "name=i" holds object i, "name=old"
    // was left alone.
    QTest::addColumn<QStringList>("Result");
    using A = TReplaceAnswer;
    const QStringList AllFive{"tab18.txt", "cod80.txt", "for21.txt", "rep111.txt", "unk7.txt"};

    QTest::addRow("no target exists: no question")
        << QList<int>{0, 1, 2} << QStringList{} << QList<A>{} << QStringList{}
        << QStringList{"tab18.txt=0", "cod80.txt=1", "for21.txt=2"};
    QTest::addRow("some exist, Yes")
        << QList<int>{0, 1, 2} << QStringList{"tab18.txt", "for21.txt"} << QList<A>{A::Yes, A::Yes}
        << QStringList{"tab18.txt", "for21.txt"} << QStringList{"tab18.txt=0", "cod80.txt=1", "for21.txt=2"};
    QTest::addRow("some exist, No")
        << QList<int>{0, 1, 2} << QStringList{"tab18.txt", "for21.txt"} << QList<A>{A::No, A::No}
        << QStringList{"tab18.txt", "for21.txt"} << QStringList{"tab18.txt=old", "cod80.txt=1", "for21.txt=old"};
    QTest::addRow("Cancel at the second of five questions")
        << QList<int>{0, 1, 2, 3, 5} << AllFive << QList<A>{A::Yes, A::Cancel}
        << QStringList{"tab18.txt", "cod80.txt"}
        << QStringList{"tab18.txt=0", "cod80.txt=old", "for21.txt=old", "rep111.txt=old", "unk7.txt=old"};
    QTest::addRow("Yes to All: no further question")
        << QList<int>{0, 1, 2, 3, 5} << AllFive << QList<A>{A::No, A::YesToAll}
        << QStringList{"tab18.txt", "cod80.txt"}
        << QStringList{"tab18.txt=old", "cod80.txt=1", "for21.txt=2", "rep111.txt=3", "unk7.txt=5"};
    QTest::addRow("same name: the second asks, Yes")
        << QList<int>{0, 4} << QStringList{} << QList<A>{A::Yes} << QStringList{"tab18.txt"}
        << QStringList{"tab18.txt=4"};
    QTest::addRow("same name: the second asks, No")
        << QList<int>{0, 4} << QStringList{} << QList<A>{A::No} << QStringList{"tab18.txt"}
        << QStringList{"tab18.txt=0"};
    QTest::addRow("same name after Yes to All")
        << QList<int>{0, 1, 4} << QStringList{"cod80.txt"} << QList<A>{A::YesToAll} << QStringList{"cod80.txt"}
        << QStringList{"tab18.txt=4", "cod80.txt=1"};
    QTest::addRow("rows in ascending order, each once")
        << QList<int>{4, 0, 4} << QStringList{} << QList<A>{A::No} << QStringList{"tab18.txt"}
        << QStringList{"tab18.txt=0"};
}

void TestFindExport::exportSeveral()
{
    QFETCH(QList<int>, Rows);
    QFETCH(QStringList, Existing);
    QFETCH(QList<TReplaceAnswer>, Answers);
    QFETCH(QStringList, Asked);
    QFETCH(QStringList, Result);
    LoadExportFile();
    PutOldFiles(Existing);
    TBrowseForFolderDialog Browser;
    SetUpExportFolderBrowser(Browser);
    Browser.SetFolderName(FOutFolder);
    AnswerBrowserWithOk();
    TScriptedAnswers Script(Answers);

    ExportObjects(*FFile, std::vector<std::int32_t>(Rows.begin(), Rows.end()), Browser, Script.Ask());

    QStringList AskedPaths;
    for (const QString& Name : Asked)
        AskedPaths << OutFile(Name);
    QCOMPARE(Script.Asked, AskedPaths);
    QStringList Expected, Actual;
    for (const QString& Entry : Result) {
        const QString Name = Entry.section('=', 0, 0);
        const QString Holds = Entry.section('=', 1);
        Expected << Name;
        const std::string Bytes = ReadBytes(OutFile(Name));
        const std::string Wanted = Holds == "old" ? OldContent : ExportObjectTexts[Holds.toUInt()];
        QVERIFY2(Bytes == Wanted, qPrintable(Entry));
    }
    Actual = QDir(FOutFolder).entryList(QDir::Files);
    std::sort(Expected.begin(), Expected.end());
    QCOMPARE(Actual, Expected);
}

void TestFindExport::exportSeveralBrowserCancelled()
{
    LoadExportFile();
    TBrowseForFolderDialog Browser;
    SetUpExportFolderBrowser(Browser);
    Browser.SetFolderName(FOutFolder);
    TModalAnswer Answer(TModalAnswer::Is<QFileDialog>(),
                        [](QWidget& Dialog) { QTest::keyClick(&Dialog, Qt::Key_Escape); });
    TScriptedAnswers Script({});
    ExportObjects(*FFile, {0, 1, 2}, Browser, Script.Ask());
    QVERIFY(Answer.Answered());
    QVERIFY(Script.Asked.isEmpty());
    QVERIFY(QDir(FOutFolder).entryList(QDir::Files).isEmpty());
}

void TestFindExport::exportSeveralFailure_data()
{
    QTest::addColumn<QString>("How");
    QTest::addRow("creation refused") << "refused";
    QTest::addRow("a folder in the way") << "folder";
}

void TestFindExport::exportSeveralFailure()
{
    QFETCH(QString, How);
    LoadExportFile();
    // The third of four objects cannot be written.
    std::unique_ptr<platform::TFileIoOverride> Refusal;
    if (How == "refused") {
        RefusedName = QStringLiteral("for21.txt");
        platform::TFileIo Io = platform::SystemFileIo();
        Io.BeforeOpen = RefuseCreate;
        Refusal = std::make_unique<platform::TFileIoOverride>(Io);
    } else {
        QVERIFY(QDir(FOutFolder).mkdir(QStringLiteral("for21.txt")));
    }
    TBrowseForFolderDialog Browser;
    Browser.SetFolderName(FOutFolder);
    AnswerBrowserWithOk();
    TScriptedAnswers Script({});

    QVERIFY_THROWS_EXCEPTION(platform::EQuibError, ExportObjects(*FFile, {0, 1, 2, 3}, Browser, Script.Ask()));
    Refusal.reset();
    QCOMPARE(ReadBytes(OutFile("tab18.txt")), ExportObjectTexts[0]);
    QCOMPARE(ReadBytes(OutFile("cod80.txt")), ExportObjectTexts[1]);
    QVERIFY(!QFile::exists(OutFile("rep111.txt")));
    QVERIFY(Script.Asked.isEmpty());
}

void TestFindExport::exportRowsChoosesDialog_data()
{
    QTest::addColumn<QList<int>>("Rows");
    QTest::addColumn<QString>("Shown");  // the caption of the dialog shown, if any
    QTest::addRow("no row: nothing") << QList<int>{} << "";
    QTest::addRow("one row: the Save dialog") << QList<int>{3} << "Export";
    QTest::addRow("the same row twice: the Save dialog") << QList<int>{3, 3} << "Export";
    QTest::addRow("two rows: the folder browser") << QList<int>{1, 3} << "Export Objects";
}

void TestFindExport::exportRowsChoosesDialog()
{
    QFETCH(QList<int>, Rows);
    QFETCH(QString, Shown);
    LoadExportFile();
    TExportSaveDialog SaveDialog;
    TBrowseForFolderDialog Browser;
    SetUpExportFolderBrowser(Browser);
    QString Caption;
    TModalAnswer Answer([](QWidget&) { return true; }, [&](QWidget& Dialog) {
        Caption = Dialog.windowTitle();
        QTest::keyClick(&Dialog, Qt::Key_Escape);
    });
    TScriptedAnswers Script({});
    ExportRows(*FFile, std::vector<std::int32_t>(Rows.begin(), Rows.end()), SaveDialog, Browser, Script.Ask());
    QCOMPARE(Caption, Shown);
}

QTEST_MAIN(TestFindExport)
#include "test_find_export.moc"
