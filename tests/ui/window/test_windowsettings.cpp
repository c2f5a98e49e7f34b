// The settings file's values, read and written without a window.
#include "platform/filestream.h"
#include "platform/profile.h"
#include "ui/common/settingswriter.h"
#include "ui/window/windowsettings.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& Path)
{
    std::ifstream File(Path, std::ios::binary);
    std::ostringstream Text;
    Text << File.rdbuf();
    return Text.str();
}

// The settings file by its path, as the window opens it.
using ::ReadWindowSettings;
using ::WriteWindowSettings;

TWindowSettings ReadWindowSettings(const std::string& Path)
{
    return ReadWindowSettings(platform::TProfile(Path));
}

void WriteWindowSettings(const std::string& Path, const TWindowSettings& Settings)
{
    platform::TProfile Profile(Path);
    TSettingsWriter Writer(Profile);
    WriteWindowSettings(Writer, Settings);
}

}  // namespace

class TestWindowSettings : public QObject {
    Q_OBJECT

private slots:
    void missingFileGivesTheDefaults()
    {
        QTemporaryDir Folder;
        const TWindowSettings Read = ReadWindowSettings(Folder.filePath("none.zup").toStdString());
        QVERIFY(!Read.Width && !Read.Height && !Read.Left && !Read.Top && !Read.ObjectListWidth);
        QCOMPARE(Read.CodeFont.Face, std::string("Courier New"));
        QCOMPARE(Read.CodeFont.Size, 9);
        QCOMPARE(Read.ListFont.Face, std::string("Tahoma"));
        QCOMPARE(Read.ListFont.Size, 8);
    }

    // What is written reads back the same; without all four bounds (a
    // maximised window) the stored bounds stay as they were.
    void writtenValuesReadBack()
    {
        QTemporaryDir Folder;
        const std::string Path = Folder.filePath("quib.zup").toStdString();
        TWindowSettings Settings;
        Settings.Width = 700;
        Settings.Height = 500;
        Settings.Left = -30;
        Settings.Top = 20;
        Settings.CodeFont = {"DejaVu Sans Mono", 11, true, false};
        Settings.ListFont = {"Mono\xC4\xFF", 10, false, true};
        Settings.ObjectListWidth = 150;
        Settings.FindText = "Bel\x9B" "b\r\nnot this line";
        Settings.MatchCase = true;
        WriteWindowSettings(Path, Settings);

        const TWindowSettings Read = ReadWindowSettings(Path);
        QCOMPARE(*Read.Width, 700);
        QCOMPARE(*Read.Left, -30);
        QCOMPARE(Read.CodeFont.Face, Settings.CodeFont.Face);
        QVERIFY(Read.CodeFont.Bold && !Read.CodeFont.Italic);
        QCOMPARE(Read.ListFont.Face, Settings.ListFont.Face);
        QCOMPARE(*Read.ObjectListWidth, 150);
        QCOMPARE(Read.FindText, std::string("Bel\x9B" "b"));
        QVERIFY(Read.MatchCase);

        TWindowSettings Maximised = Read;
        Maximised.Width = std::nullopt;
        Maximised.Left = 9999;
        WriteWindowSettings(Path, Maximised);
        QCOMPARE(*ReadWindowSettings(Path).Left, -30);
    }

    void refusedWriteIsAnError()
    {
        QTemporaryDir Folder;
        const std::string Path = Folder.filePath("no such folder/quib.zup").toStdString();
        QVERIFY_THROWS_EXCEPTION(platform::EQuibError, WriteWindowSettings(Path, TWindowSettings()));
        QVERIFY(ReadAll(Path).empty());
    }
};

QTEST_MAIN(TestWindowSettings)
#include "test_windowsettings.moc"
