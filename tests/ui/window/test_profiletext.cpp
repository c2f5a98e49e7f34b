// Settings texts: bytes come back out unchanged, valid UTF-8 reads as text.
#include "ui/window/profiletext.h"

#include <QtTest>

class TestProfileText : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("Bytes");
        QTest::newRow("ascii") << QByteArray("DejaVu Sans Mono");
        QTest::newRow("utf-8 letters") << QByteArray("Bel\xC3\xB8" "b");
        QTest::newRow("four-byte utf-8") << QByteArray("\xF0\x9F\x98\x80 face");
        QTest::newRow("code page 850 bytes") << QByteArray("Bel\x9B" "b \x84");
        QTest::newRow("lone continuation") << QByteArray("a\x80z");
        QTest::newRow("overlong slash") << QByteArray("\xC0\xAF");
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80");
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
        QTest::newRow("cut short at the end") << QByteArray("Mono\xE2\x82");
        QTest::newRow("every high byte") << [] {
            QByteArray All;
            for (int Byte = 0x80; Byte <= 0xFF; ++Byte)
                All += char(Byte);
            return All;
        }();
    }

    void roundTrip()
    {
        QFETCH(QByteArray, Bytes);
        const QString Text = gui::FromProfileText(Bytes.toStdString());
        QCOMPARE(QByteArray::fromStdString(gui::ToProfileText(Text)), Bytes);
    }

#ifndef _WIN32
    void validUtf8ReadsAsText()
    {
        QCOMPARE(gui::FromProfileText("Bel\xC3\xB8" "b"), QStringLiteral(u"Bel\u00F8b"));
        // A real text that holds the escape's code units as a pair stays text.
        QCOMPARE(gui::ToProfileText(QStringLiteral(u"\U0001F600")), std::string("\xF0\x9F\x98\x80"));
    }
#endif
};

QTEST_MAIN(TestProfileText)
#include "test_profiletext.moc"
