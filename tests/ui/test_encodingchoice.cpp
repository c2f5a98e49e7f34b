// Which encoding each object is shown in: chosen for all, or detected once per
// object and kept until the next file.
#include "ui/encodingchoice.h"

#include <QtTest>

using codepages::TEncoding;

class TestEncodingChoice : public QObject {
    Q_OBJECT

private slots:
    void settingNames_data()
    {
        QTest::addColumn<QString>("Stored");
        QTest::addColumn<QString>("Kept");
        QTest::newRow("automatic") << "auto" << "auto";
        QTest::newRow("a code page, any case") << "CP850" << "cp850";
        QTest::newRow("utf8 without the dash") << "utf8" << "utf-8";
        QTest::newRow("one character per byte") << "latin1" << "latin1";
        QTest::newRow("unknown: automatic") << "klingon" << "auto";
        QTest::newRow("empty: automatic") << "" << "auto";
    }

    void settingNames()
    {
        QFETCH(QString, Stored);
        QFETCH(QString, Kept);
        TEncodingChoice Choice;
        Choice.SetFromSettingName(Stored.toStdString());
        QCOMPARE(QString::fromStdString(Choice.SettingName()), Kept);
    }

    // Automatic: detected from the text the first time, then kept, whatever
    // bytes come later for the same object; a new file forgets it.
    void detectedOnceAndKeptUntilTheNextFile()
    {
        TEncodingChoice Choice;
        Choice.Reset(3);
        QCOMPARE(Choice.CaptionForText(0), std::string_view());
        QCOMPARE(Choice.ForText(0, "Bel\xC3\xB8" "b"), TEncoding::Utf8);
        QCOMPARE(Choice.ForText(0, "Bel\x9B" "b \x91"), TEncoding::Utf8);
        QCOMPARE(Choice.CaptionForText(0), std::string_view("UTF-8"));
        // Plain ASCII reads the same everywhere.
        QCOMPARE(Choice.ForText(1, "Plain text"), TEncoding::Latin1);
        QCOMPARE(Choice.CaptionForText(1), std::string_view("ASCII"));
        // A label follows its object once that is known.
        QCOMPARE(Choice.ForLabel(0, "Bel\x9B" "b"), TEncoding::Utf8);

        Choice.Reset(3);
        QVERIFY(Choice.ForText(0, "Bel\x9B" "b \x91" "ndre") != TEncoding::Utf8);
        // An index past the file's objects is detected but never kept.
        QCOMPARE(Choice.ForText(7, "Bel\xC3\xB8" "b"), TEncoding::Utf8);
        QCOMPARE(Choice.CaptionForText(7), std::string_view());
    }

    void chosenHoldsForEveryObject()
    {
        TEncodingChoice Choice;
        Choice.Reset(2);
        Choice.SetChosen(TEncoding::Cp866);
        QCOMPARE(Choice.ForText(0, "Bel\xC3\xB8" "b"), TEncoding::Cp866);
        QCOMPARE(Choice.ForLabel(1, "Bel\xC3\xB8" "b"), TEncoding::Cp866);
        QCOMPARE(Choice.CaptionForText(1), std::string_view("DOS 866"));
        // Back on Automatic, what was chosen is not taken for detected.
        Choice.SetChosen(std::nullopt);
        QCOMPARE(Choice.ForText(0, "Bel\xC3\xB8" "b"), TEncoding::Utf8);
    }
};

QTEST_MAIN(TestEncodingChoice)
#include "test_encodingchoice.moc"
