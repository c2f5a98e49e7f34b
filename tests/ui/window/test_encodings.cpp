// Objects in different encodings in one file: what the window shows of each,
// the Encoding menu, the status field and the setting.
#include "guitest.h"
#include "ui/find/finddialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

namespace {

// A DOS 850 object, a UTF-8 one and a plain ASCII one.
std::string MixedFile()
{
    return ObjectText("Table 3 Periodel\x91ngde", "  { 1 ; ;Bel\x9B" "b ;Decimal }\r\n") +
           ObjectText("Table 4 Bel\xC3\xB8" "b", "  { 1 ; ;L\xC3\xA6ngde ;Decimal }\r\n") +
           ObjectText("Codeunit 5 Plain");
}

QString NodeText(TfrmMain& Window, int AbsoluteIndex)
{
    auto* Model = static_cast<TObjectTreeModel*>(Views(Window).Tree->model());
    return Model->NodeAt(AbsoluteIndex).data().toString();
}

void ShowObject(TfrmMain& Window, int ObjectIndex)
{
    auto* Model = static_cast<TObjectTreeModel*>(Views(Window).Tree->model());
    Views(Window).Tree->setCurrentIndex(Model->NodeAt(ObjectIndex + 1));
    WaitForChangeReport();
}

QString EncodingField(TfrmMain& Window)
{
    return Component<QLabel>(Window, "stbEncoding")->text();
}

void Choose(TfrmMain& Window, const QString& SettingName)
{
    for (QAction* Item : Component<QMenu>(Window, "mnuViewEncoding")->actions())
        if (Item->data().toString() == SettingName)
            Item->trigger();
}

}  // namespace

class TestEncodings : public QObject {
    Q_OBJECT

private slots:
    void eachObjectInItsOwnEncoding()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->OpenFile(Folder.Write("mixed.txt", MixedFile()));
        QCOMPARE(NodeText(*Window, 1), QStringLiteral(u"Table 3 Periodel\u00E6ngde"));
        QCOMPARE(NodeText(*Window, 2), QStringLiteral(u"Table 4 Bel\u00F8b"));

        ShowObject(*Window, 0);
        QVERIFY(Views(*Window).Text->toPlainText().contains(QStringLiteral(u"Bel\u00F8b ;Decimal")));
        QVERIFY2(EncodingField(*Window).startsWith(QLatin1String("DOS ")), qPrintable(EncodingField(*Window)));
        ShowObject(*Window, 1);
        QVERIFY(Views(*Window).Text->toPlainText().contains(QStringLiteral(u"L\u00E6ngde ;Decimal")));
        QCOMPARE(EncodingField(*Window), QStringLiteral("UTF-8"));
        ShowObject(*Window, 2);
        QCOMPARE(EncodingField(*Window), QStringLiteral("ASCII"));

        // Copy: the decoded text, line breaks as in the file.
        ShowObject(*Window, 0);
        Component<QAction>(*Window, "actEditCopyTreeView")->trigger();
        QVERIFY(QApplication::clipboard()->text().contains(QStringLiteral(u"Periodel\u00E6ngde\r\n")));
    }

    // The find text is written into each object's encoding, and the
    // occurrence selected whole, however many bytes it takes there.
    void findInEachObjectsEncoding()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        int Beeps = 0;
        Window->SetBeepSink([&Beeps] { ++Beeps; });
        Window->OpenFile(Folder.Write("mixed.txt", MixedFile()));
        Window->SetFindText("BEL\xC3\x98" "B");  // "BELØB", stored in UTF-8
        auto* Find = Component<TFindDialog>(*Window, "dlgFind");
        auto* FindNext = Find->findChild<QPushButton*>(QStringLiteral("btnFindNext"));
        for (const int Object : {0, 1}) {
            FindNext->click();
            QTRY_COMPARE(Views(*Window).Text->textCursor().selectedText(), QStringLiteral(u"Bel\u00F8b"));
            QCOMPARE(Views(*Window).Tree->currentIndex().row(), Object);
        }
        FindNext->click();
        QTRY_COMPARE(Beeps, 1);
    }

    // A chosen encoding holds for every object, labels included, and is kept.
    void chosenEncodingHoldsAndIsKept()
    {
        TTestFolder Folder;
        const QString File = Folder.Write("mixed.txt", MixedFile());
        {
            auto Window = MakeWindow(Folder);
            Window->OpenFile(File);
            ShowObject(*Window, 0);
            Choose(*Window, QStringLiteral("latin1"));
            QCOMPARE(EncodingField(*Window), QStringLiteral("One character per byte"));
            QVERIFY(Views(*Window).Text->toPlainText().contains(QStringLiteral(u"Bel\u009Bb")));
            QCOMPARE(NodeText(*Window, 1), QStringLiteral(u"Table 3 Periodel\u0091ngde"));
        }
        QVERIFY(Folder.ReadSettings("quib.zup").find("[Display]\nEncoding=latin1\n") != std::string::npos);

        auto Window = MakeWindow(Folder);
        QCOMPARE(Window->EncodingSetting(), QStringLiteral("latin1"));
        Window->OpenFile(File);
        QCOMPARE(NodeText(*Window, 2), QStringLiteral(u"Table 4 Bel\u00C3\u00B8b"));
        Choose(*Window, QStringLiteral("auto"));
        QCOMPARE(NodeText(*Window, 2), QStringLiteral(u"Table 4 Bel\u00F8b"));
    }

    // The same object read in another encoding: the reader's place stays.
    void otherEncodingKeepsCaretAndScrolling()
    {
        TTestFolder Folder;
        auto Window = MakeWindow(Folder);
        Window->resize(700, 400);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
        std::string Body = "  { 1 ; ;L\xC3\xA6ngde ;Decimal }\r\n";
        for (int Line = 0; Line < 300; ++Line)
            Body += "  Line " + std::to_string(Line) + "\r\n";
        Window->OpenFile(Folder.Write("utf8.txt", ObjectText("Table 4 Bel\xC3\xB8" "b", Body)));
        ShowObject(*Window, 0);
        TObjectTextView& Text = *Views(*Window).Text;
        QTextCursor Caret(Text.document()->findBlockByNumber(199));
        Caret.setPosition(Caret.position() + 2);
        Caret.setPosition(Caret.position() + 4, QTextCursor::KeepAnchor);
        Text.setTextCursor(Caret);
        Text.verticalScrollBar()->setValue(Text.verticalScrollBar()->value() + 5);
        const int Top = Text.verticalScrollBar()->value();
        QVERIFY(Top > 0);
        for (const char* Encoding : {"latin1", "auto"}) {
            Choose(*Window, QString::fromLatin1(Encoding));
            QCOMPARE(Text.CaretPlace().Line, 200);
            QCOMPARE(Text.CaretPlace().Column, 7);
            QCOMPARE(Text.textCursor().selectedText(), QStringLiteral("Line"));
            QCOMPARE(Text.verticalScrollBar()->value(), Top);
        }
        QVERIFY(Text.toPlainText().contains(QStringLiteral(u"L\u00E6ngde")));
    }

    void unknownSettingIsAutomatic()
    {
        TTestFolder Folder;
        Folder.Write("quib.zup", "[Display]\nEncoding=klingon\n");
        auto Window = MakeWindow(Folder);
        QCOMPARE(Window->EncodingSetting(), QStringLiteral("auto"));
    }
};

QTEST_MAIN(TestEncodings)
#include "test_encodings.moc"
