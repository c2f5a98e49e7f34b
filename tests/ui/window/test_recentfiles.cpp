// Recent files in the settings file: the entries the list holds, no empty
// slots on a first run, and nothing left of a longer list.
#include "guitest.h"

#include "platform/profile.h"
#include "ui/common/settingswriter.h"
#include "ui/common/systempath.h"
#include "ui/window/recentfiles.h"

#include <QMenu>

namespace {

// A list read from Path, with Files set on it when given, written back to Path.
QStringList ReadAndWrite(const QString& Path, const std::optional<QStringList>& Files)
{
    QMenu FileMenu;
    auto* Recent = new TRecentFiles(FileMenu, nullptr);
    platform::TProfile Profile(gui::ToSystemPath(Path));
    Recent->ReadSettings(Profile);
    const QStringList Read = Recent->Files();
    if (Files)
        Recent->SetFiles(*Files);
    TSettingsWriter Writer(Profile);
    Recent->WriteSettings(Writer);
    return Read;
}

}  // namespace

class TestRecentFiles : public QObject {
    Q_OBJECT

private slots:
    void writesTheEntriesItHolds_data()
    {
        QTest::addColumn<QByteArray>("Before");
        QTest::addColumn<QStringList>("Files");
        QTest::addColumn<QByteArray>("After");
        QTest::newRow("first run, one file") << QByteArray() << QStringList{"/data/a.txt"}
                                             << QByteArray("[Recent]\nFile1=/data/a.txt\n");
        QTest::newRow("first run, no file") << QByteArray() << QStringList{} << QByteArray();
        QTest::newRow("list grown shorter")
            << QByteArray("[Recent]\nFile1=/data/a.txt\nFile2=/data/b.txt\nFile3=/data/c.txt\n")
            << QStringList{"/data/c.txt"} << QByteArray("[Recent]\nFile1=/data/c.txt\nFile2=\nFile3=\n");
        QTest::newRow("empty slots stay as they are")
            << QByteArray("[Recent]\nFile1=/data/a.txt\nFile2=\nFile5=\n")
            << QStringList{"/data/b.txt", "/data/a.txt"}
            << QByteArray("[Recent]\nFile1=/data/b.txt\nFile2=/data/a.txt\nFile5=\n");
        QTest::newRow("same keys elsewhere untouched")
            << QByteArray("[Other]\nFile2=keep\n[recent]\nfile1=/data/a.txt\nfile2=/data/b.txt\n")
            << QStringList{"/data/a.txt"} << QByteArray("[Other]\nFile2=keep\n[recent]\nfile1=/data/a.txt\nfile2=\n");
    }

    void writesTheEntriesItHolds()
    {
        QFETCH(QByteArray, Before);
        QFETCH(QStringList, Files);
        QFETCH(QByteArray, After);
        TTestFolder Folder;
        if (!Before.isEmpty())
            Folder.Write("quib.zup", Before.toStdString());
        ReadAndWrite(Folder.Path("quib.zup"), Files);
        QCOMPARE(QByteArray::fromStdString(Folder.ReadSettings("quib.zup")), After);
    }

    // Gaps and repeats of a hand-edited list close up, and the slots they
    // leave behind are emptied on the way out.
    void storedListClosesUp()
    {
        TTestFolder Folder;
        Folder.Write("quib.zup", "[Recent]\nFile1=/data/a.txt\nFile2=\nFile3=/data/b.txt\nFile4=/data/a.txt\n"
                                 "File9=/data/z.txt\n");
        const QStringList Read = ReadAndWrite(Folder.Path("quib.zup"), std::nullopt);
        QCOMPARE(Read, (QStringList{"/data/a.txt", "/data/b.txt"}));
        QCOMPARE(Folder.ReadSettings("quib.zup"),
                 std::string("[Recent]\nFile1=/data/a.txt\nFile2=/data/b.txt\nFile3=\nFile4=\nFile9=/data/z.txt\n"));
    }

    void firstRunWithOneFileWritesFile1Only()
    {
        TTestFolder Folder;
        const QString File = Folder.Write("one.txt", FiveObjects());
        MakeWindow(Folder, {File}).reset();
        const std::string Saved = Folder.ReadSettings("quib.zup");
        QVERIFY2(Saved.find("[Recent]\nFile1=" + File.toStdString() + "\n[Find All]\n") != std::string::npos,
                 Saved.c_str());
    }
};

QTEST_MAIN(TestRecentFiles)
#include "test_recentfiles.moc"
