// Byte offsets in an object's text against positions in the text view.
#include "ui/views/objecttextview.h"
#include "ui/views/textviewmap.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <string>
#include <vector>

Q_DECLARE_METATYPE(std::string)

namespace {

std::string Bytes(const QByteArray& Data)
{
    return Data.toStdString();
}

}  // namespace

class TestTextViewMap : public QObject {
    Q_OBJECT

private slots:
    // Every byte offset maps to the document position Qt gives the same
    // character, and back, for each kind of line break.
    void agreesWithTheDocument_data()
    {
        QTest::addColumn<QByteArray>("Text");
        QTest::addColumn<int>("ViewLength");
        QTest::newRow("CR LF") << QByteArray("ab\r\ncd\r\n\r\nef") << 9;
        QTest::newRow("LF") << QByteArray("ab\ncd\n\nef") << 9;
        QTest::newRow("CR") << QByteArray("ab\rcd\r\ref") << 9;
        QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << 4;
        QTest::newRow("CR CR LF is two breaks") << QByteArray("a\r\r\nb") << 4;
        QTest::newRow("CR LF at both ends") << QByteArray("\r\nx\r\n") << 3;
        QTest::newRow("high bytes and NUL") << QByteArray("\xC4\x9A\0\xFF\r\n\x85z", 8) << 7;
        QTest::newRow("empty") << QByteArray() << 0;
    }

    void agreesWithTheDocument()
    {
        QFETCH(QByteArray, Text);
        QFETCH(int, ViewLength);
        const TViewText View = ToViewText(Bytes(Text));
        QCOMPARE(View.Map.ByteLength(), Text.size());
        QCOMPARE(View.Map.ViewLength(), ViewLength);
        QCOMPARE(View.Text.size(), ViewLength);

        // The document Qt builds from the raw text (one character per byte)
        // holds the same characters at the same positions.
        QTextDocument Document;
        Document.setPlainText(QString::fromLatin1(Text));
        QCOMPARE(Document.characterCount() - 1, ViewLength);
        QCOMPARE(Document.toPlainText(), View.Text);

        // Start of every character, both ways.
        int View_ = 0;
        for (int Byte = 0; Byte < Text.size(); ++Byte) {
            const bool SecondOfCrLf = Byte > 0 && Text[Byte - 1] == '\r' && Text[Byte] == '\n';
            if (SecondOfCrLf) {
                QCOMPARE(View.Map.ViewFromByte(Byte), View_ - 1);
                QCOMPARE(View.Map.ViewFromByte(Byte, TTextViewMap::TRounding::Up), View_);
                continue;
            }
            QCOMPARE(View.Map.ViewFromByte(Byte), View_);
            QCOMPARE(View.Map.ByteFromView(View_), Byte);
            ++View_;
        }
        QCOMPARE(View.Map.ViewFromByte(Text.size()), ViewLength);
        QCOMPARE(View.Map.ByteFromView(ViewLength), Text.size());
    }

    void crLfInsideASelection()
    {
        // "ab\r\ncd": selecting "b\r\nc" (bytes 1..4) is view positions 1..3.
        const TViewText View = ToViewText("ab\r\ncd");
        QCOMPARE(View.Map.ViewFromByte(1), 1);
        QCOMPARE(View.Map.ViewFromByte(5), 4);
        QCOMPARE(View.Map.ByteFromView(3), 4);
        QCOMPARE(View.Map.ByteFromView(2), 2);                                  // the break is at the CR
        QCOMPARE(View.Map.ByteFromView(2, TTextViewMap::TRounding::Up), 2);     // a unit's start stays put
        QCOMPARE(View.Map.ViewFromByte(3, TTextViewMap::TRounding::Down), 2);   // between CR and LF
        QCOMPARE(View.Map.ViewFromByte(3, TTextViewMap::TRounding::Up), 3);
    }

    void offsetsOutsideAreClamped()
    {
        const TViewText View = ToViewText("a\r\nb");
        QCOMPARE(View.Map.ViewFromByte(-5), 0);
        QCOMPARE(View.Map.ViewFromByte(1000), 3);
        QCOMPARE(View.Map.ByteFromView(-1), 0);
        QCOMPARE(View.Map.ByteFromView(1000), 4);
    }

    // Units of other shapes than CR LF: what a multi-byte display encoding needs.
    void unitsOfAnyShape()
    {
        TTextViewMap Map;
        Map.AppendRun(2);       // bytes 0-1, view 0-1
        Map.AppendUnit(3, 1);   // bytes 2-4 -> view 2
        Map.AppendRun(1);       // byte 5 -> view 3
        Map.AppendUnit(4, 2);   // bytes 6-9 -> view 4-5 (a surrogate pair)
        Map.AppendUnit(2, 1);   // bytes 10-11 -> view 6
        Map.AppendUnit(1, 1);   // a unit of one byte is a run
        QCOMPARE(Map.ByteLength(), 13);
        QCOMPARE(Map.ViewLength(), 8);
        const std::vector<std::pair<int, int>> ByteToView = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 2}, {5, 3},
                                                             {6, 4}, {8, 4}, {10, 6}, {11, 6}, {12, 7}, {13, 8}};
        for (const auto& [Byte, View] : ByteToView)
            QCOMPARE(Map.ViewFromByte(Byte), View);
        QCOMPARE(Map.ViewFromByte(3, TTextViewMap::TRounding::Up), 3);
        QCOMPARE(Map.ViewFromByte(7, TTextViewMap::TRounding::Up), 6);
        QCOMPARE(Map.ByteFromView(5), 6);
        QCOMPARE(Map.ByteFromView(5, TTextViewMap::TRounding::Up), 10);
        QCOMPARE(Map.ByteFromView(6), 10);
        QCOMPARE(Map.ByteFromView(7), 12);
    }

    void utf8Decoding()
    {
        // "ä" (2 bytes), "€" (3 bytes), "𝄞" (4 bytes, two UTF-16 units), a stray byte.
        const std::string Text = "a\xC3\xA4\xE2\x82\xAC\r\n\xF0\x9D\x84\x9E\xFFz";
        const TViewText View = ToViewText(Text, TDisplayEncoding::Utf8);
        QCOMPARE(View.Text, QString::fromUtf8("a\xC3\xA4\xE2\x82\xAC\n\xF0\x9D\x84\x9E") + QChar(0xFFFD) + "z");
        QCOMPARE(View.Map.ViewFromByte(3), 2);   // the euro sign
        QCOMPARE(View.Map.ViewFromByte(6), 3);   // the line break
        QCOMPARE(View.Map.ViewFromByte(8), 4);   // the clef
        QCOMPARE(View.Map.ViewFromByte(12), 6);  // the stray byte
        QCOMPARE(View.Map.ByteFromView(7), 13);
        QCOMPARE(View.Map.ByteLength(), int(Text.size()));
        QTextDocument Document;
        Document.setPlainText(View.Text);
        QCOMPARE(Document.characterCount() - 1, View.Map.ViewLength());
    }

    // Single-byte code pages: one character per byte, so every byte keeps its
    // own position; CR LF is still one.
    void codePageDecoding_data()
    {
        QTest::addColumn<QByteArray>("Bytes");
        QTest::addColumn<int>("Encoding");
        QTest::addColumn<QString>("Shown");
        QTest::newRow("DOS 850") << QByteArray("Periodel\x91ngde\r\nBel\x9B" "b")
                                 << int(TDisplayEncoding::Cp850) << QStringLiteral(u"Periodel\u00E6ngde\nBel\u00F8b");
        QTest::newRow("Windows 1252") << QByteArray("Periodel\xE6ngde\r\n\x80") << int(TDisplayEncoding::Cp1252)
                                      << QStringLiteral(u"Periodel\u00E6ngde\n\u20AC");
        QTest::newRow("DOS 866") << QByteArray("\x8F\xE0\xA8\xA2\xA5\xE2") << int(TDisplayEncoding::Cp866)
                                 << QStringLiteral(u"\u041F\u0440\u0438\u0432\u0435\u0442");
        QTest::newRow("one character per byte") << QByteArray("Bel\x9B" "b") << int(TDisplayEncoding::Latin1)
                                                << QStringLiteral(u"Bel\u009Bb");
    }

    void codePageDecoding()
    {
        QFETCH(QByteArray, Bytes);
        QFETCH(int, Encoding);
        QFETCH(QString, Shown);
        const TViewText View = ToViewText(Bytes.toStdString(), static_cast<TDisplayEncoding>(Encoding));
        QCOMPARE(View.Text, Shown);
        QCOMPARE(View.Map.ByteLength(), int(Bytes.size()));
        QCOMPARE(View.Map.ViewLength(), int(Shown.size()));
        // Every position of the text maps to its byte and back.
        for (int Position = 0; Position <= Shown.size(); ++Position)
            QCOMPARE(View.Map.ViewFromByte(View.Map.ByteFromView(Position)), Position);
        const std::string_view Line(Bytes.constData(), static_cast<std::size_t>(Bytes.indexOf('\r') < 0 ? Bytes.size() : Bytes.indexOf('\r')));
        QCOMPARE(LabelFromBytes(Line, static_cast<TDisplayEncoding>(Encoding)), Shown.section('\n', 0, 0));
    }

    // The text view keeps caret and selection in bytes of the object's text.
    void textViewSelectsBytes()
    {
        TObjectTextView View;
        QVERIFY(View.SetObjectText("OBJECT Table 1 A\r\n{\r\n  x\r\n}\r\n"));
        View.SelectBytes(18, 6);  // "{\r\n  x"
        QCOMPARE(View.textCursor().selectedText(), QString("{") + QChar(QChar::ParagraphSeparator) + "  x");
        QCOMPARE(View.ByteSelectionStart(), 18);
        QCOMPARE(View.ByteSelectionLength(), 6);
        QCOMPARE(View.SelectedBytes(), std::string("{\r\n  x"));
        // Equal text: nothing changes.
        QVERIFY(!View.SetObjectText("OBJECT Table 1 A\r\n{\r\n  x\r\n}\r\n"));
        QCOMPARE(View.ByteSelectionStart(), 18);
        // Another text: caret at the start, nothing selected.
        QVERIFY(View.SetObjectText("OBJECT Table 2 B\n"));
        QCOMPARE(View.ByteSelectionStart(), 0);
        QCOMPARE(View.ByteSelectionLength(), 0);
        // Out of range requests are clamped.
        View.SelectBytes(13, 1000);
        QCOMPARE(View.SelectedBytes(), std::string("2 B\n"));
        View.ClearObjectText();
        QCOMPARE(View.toPlainText(), QString());
        QVERIFY(View.ObjectText().empty());
    }
};

QTEST_MAIN(TestTextViewMap)
#include "test_textviewmap.moc"
