// Where the settings file goes: the choice with a probe we control, and the
// real probes on a temporary folder.
#include "ui/window/settingslocation.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString ExeFolder = QStringLiteral("/opt/orvanta/bin");
const QString UserFolder = QStringLiteral("/home/someone/.config/orvanta");

// A probe that answers as told and notes what it was asked.
struct TFakeDisk {
    bool FolderWritable = false;
    bool FileWritable = false;
    QStringList Asked;

    gui::TWritableProbe Probe()
    {
        return {[this](const QString& Folder) {
                    Asked << Folder;
                    return FolderWritable;
                },
                [this](const QString& FileName) {
                    Asked << FileName;
                    return FileWritable;
                }};
    }
};

QByteArray ReadAll(const QString& FileName)
{
    QFile File(FileName);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<unreadable>");
}

}  // namespace

class TestSettingsLocation : public QObject {
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("fileWritable");
        QTest::addColumn<QString>("userFolder");
        QTest::addColumn<QString>("expected");

        const QString Beside = ExeFolder + QStringLiteral("/quib.zup");
        const QString User = UserFolder + QStringLiteral("/quib.zup");
        QTest::newRow("writable folder, no file") << true << false << UserFolder << Beside;
        QTest::newRow("writable folder and file") << true << true << UserFolder << Beside;
        QTest::newRow("read-only folder, writable file") << false << true << UserFolder << Beside;
        QTest::newRow("read-only folder, no writable file") << false << false << UserFolder << User;
        QTest::newRow("user folder with a trailing slash") << false << false << UserFolder + '/' << User;
        QTest::newRow("no user folder known") << false << false << QString() << Beside;
    }

    void choice()
    {
        QFETCH(bool, folderWritable);
        QFETCH(bool, fileWritable);
        QFETCH(QString, userFolder);
        QFETCH(QString, expected);

        TFakeDisk Disk{folderWritable, fileWritable, {}};
        QCOMPARE(gui::ChooseSettingsFile(ExeFolder, userFolder, Disk.Probe()), expected);
        // Only the executable's side is probed: the user's folder is not
        // created yet, and its file comes into being when it is saved.
        for (const QString& Path : Disk.Asked)
            QVERIFY2(Path == ExeFolder || Path == ExeFolder + QStringLiteral("/quib.zup"), qPrintable(Path));
    }

    void writableFolderKeepsTheFileBesideTheExecutable()
    {
        QTemporaryDir Folder;
        QVERIFY(Folder.isValid());
        QCOMPARE(gui::ChooseSettingsFile(Folder.path(), UserFolder, {gui::FolderWritable, gui::ExistingFileWritable}),
                 Folder.filePath(QStringLiteral("quib.zup")));
        QCOMPARE(QDir(Folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());  // the probe's file is gone
    }

    void folderProbeRefusesWhatIsNoFolder()
    {
        QTemporaryDir Folder;
        QVERIFY(Folder.isValid());
        const QString Plain = Folder.filePath(QStringLiteral("plain"));
        QFile File(Plain);
        QVERIFY(File.open(QIODevice::WriteOnly));
        File.close();

        QVERIFY(!gui::FolderWritable(Folder.filePath(QStringLiteral("missing"))));
        QVERIFY(!gui::FolderWritable(Plain));
        QVERIFY(!QFile::exists(Folder.filePath(QStringLiteral("missing"))));
    }

    void fileProbeLeavesTheFileAsItWas()
    {
        QTemporaryDir Folder;
        QVERIFY(Folder.isValid());
        const QString Existing = Folder.filePath(QStringLiteral("quib.zup"));
        const QByteArray Content("[Window]\nWidth=640\n");
        QFile File(Existing);
        QVERIFY(File.open(QIODevice::WriteOnly));
        QCOMPARE(File.write(Content), Content.size());
        File.close();

        QVERIFY(gui::ExistingFileWritable(Existing));
        QCOMPARE(ReadAll(Existing), Content);  // not emptied

        const QString Missing = Folder.filePath(QStringLiteral("missing.zup"));
        QVERIFY(!gui::ExistingFileWritable(Missing));
        QVERIFY(!QFile::exists(Missing));  // not created

        QVERIFY(QDir(Folder.path()).mkdir(QStringLiteral("folder.zup")));
        QVERIFY(!gui::ExistingFileWritable(Folder.filePath(QStringLiteral("folder.zup"))));
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "test_settingslocation.moc"
