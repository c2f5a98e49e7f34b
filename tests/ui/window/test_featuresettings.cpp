// Each feature's own section of the settings file: read at start-up, applied,
// and written back at shutdown in the form the feature keeps it.
#include "guitest.h"

#include "ui/compare/compareview.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QMenu>

class TestFeatureSettings : public QObject {
    Q_OBJECT

private slots:
    // Stored: the file before; Saved: a line the file holds afterwards.
    void sectionComesBackAsKept_data()
    {
        QTest::addColumn<QByteArray>("Stored");
        QTest::addColumn<QByteArray>("Saved");
        QTest::newRow("encoding in any case") << QByteArray("[Display]\nEncoding=CP850\n")
                                              << QByteArray("[Display]\nEncoding=cp850\n");
        QTest::newRow("unknown encoding: Automatic") << QByteArray("[Display]\nEncoding=ebcdic\n")
                                                     << QByteArray("[Display]\nEncoding=auto\n");
        QTest::newRow("columns by key, in the list's order, unknown ones passed over")
            << QByteArray("[Display]\nListColumns=date,Bogus,Modified\n")
            << QByteArray("\nListColumns=Modified,Date\n");
        QTest::newRow("display flag 256 is clear") << QByteArray("[Display]\nWordWrap=256\n")
                                                   << QByteArray("\nWordWrap=0\n");
        QTest::newRow("names in any case keep the file's spelling")
            << QByteArray("[display]\nlinenumbers=0\n") << QByteArray("[display]\nlinenumbers=0\n");
        QTest::newRow("skip report layouts off") << QByteArray("[Find All]\nSkipReportLayouts=0\n")
                                                 << QByteArray("[Find All]\nSkipReportLayouts=0\n");
        QTest::newRow("compare: unified alone") << QByteArray("[Compare]\nUnified=1\n")
                                                << QByteArray("[Compare]\nUnified=1\nStrict=0\n");
        QTest::newRow("recent files: gaps close up") << QByteArray("[Recent]\nFile2=/data/a.txt\nFile4=/data/b.txt\n")
                                                     << QByteArray("[Recent]\nFile2=/data/b.txt\nFile4=\nFile1=/data/a.txt\n");
    }

    void sectionComesBackAsKept()
    {
        QFETCH(QByteArray, Stored);
        QFETCH(QByteArray, Saved);
        TTestFolder Folder;
        Folder.Write("quib.zup", Stored.toStdString());
        MakeWindow(Folder).reset();
        const std::string Text = Folder.ReadSettings("quib.zup");
        QVERIFY2(Text.find(Saved.toStdString()) != std::string::npos, Text.c_str());
    }

    // What is read is what the window then shows.
    void sectionsAreApplied()
    {
        TTestFolder Folder;
        Folder.Write("quib.zup", "[Display]\nEncoding=cp1252\nSyntaxHighlighting=0\nListColumns=Time\n"
                                 "[Recent]\nFile1=/data/a.txt\n[Find All]\nSkipReportLayouts=0\n[Compare]\nStrict=1\n");
        auto Window = MakeWindow(Folder);
        QCOMPARE(Window->EncodingSetting(), QStringLiteral("cp1252"));
        const QAction* Checked = Component<QMenu>(*Window, "mnuViewEncoding")->actions().first()->actionGroup()->checkedAction();
        QCOMPARE(Checked->data().toString(), QStringLiteral("cp1252"));
        QVERIFY(!Component<QAction>(*Window, "actViewSyntaxHighlighting")->isChecked());
        QVERIFY(Component<QAction>(*Window, "actViewWordWrap")->isChecked());
        QCOMPARE(Component<QMenu>(*Window, "mnuFileRecent")->actions().size(), 1);
        QVERIFY(!Component<QCheckBox>(*Window, "chkFindAllSkipLayouts")->isChecked());
        QVERIFY(Window->findChild<TCompareCommand*>()->Choices().Strict);
    }
};

QTEST_MAIN(TestFeatureSettings)
#include "test_featuresettings.moc"
