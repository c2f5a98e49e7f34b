// The text view on its own: its line-number gutter under light and dark
// palettes, and where a line asked for lands.
#include "ui/views/objecttextview.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <cmath>

namespace {

// CIE lightness (0..100) of a colour, from its relative luminance.
double Lightness(const QColor& Color)
{
    const auto Linear = [](double Channel) {
        return Channel <= 0.04045 ? Channel / 12.92 : std::pow((Channel + 0.055) / 1.055, 2.4);
    };
    const double Y =
        0.2126 * Linear(Color.redF()) + 0.7152 * Linear(Color.greenF()) + 0.0722 * Linear(Color.blueF());
    return Y <= 216.0 / 24389 ? Y * 24389.0 / 27 : 116 * std::cbrt(Y) - 16;
}

QPalette DarkPalette(bool LightLeftovers)
{
    QPalette Dark = QApplication::palette();
    for (const QPalette::ColorRole Role : {QPalette::Window, QPalette::Base, QPalette::Button})
        Dark.setColor(Role, QColor(0x20, 0x22, 0x25));
    for (const QPalette::ColorRole Role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        Dark.setColor(Role, QColor(0xE8, 0xE8, 0xE8));
    // What a dark theme leaves at its light defaults, or sets itself.
    Dark.setColor(QPalette::AlternateBase, LightLeftovers ? QColor(0xF5, 0xF5, 0xF5) : QColor(0x2A, 0x2C, 0x30));
    Dark.setColor(QPalette::PlaceholderText, QColor(0xB0, 0xB0, 0xB0));
    return Dark;
}

}  // namespace

class TestTextView : public QObject {
    Q_OBJECT

private slots:
    void gutterReadsOnAnyPalette_data()
    {
        QTest::addColumn<QPalette>("Palette");
        QTest::newRow("light") << QApplication::palette();
        QTest::newRow("dark") << DarkPalette(false);
        QTest::newRow("dark, alternate base left light") << DarkPalette(true);
        QTest::newRow("dark, from one colour") << QPalette(QColor(0x30, 0x30, 0x30));
    }

    void gutterReadsOnAnyPalette()
    {
        QFETCH(QPalette, Palette);
        TObjectTextView View;
        View.resize(300, 200);
        View.setPalette(Palette);
        View.SetObjectText("OBJECT Table 1 A\r\n{\r\n}\r\n");
        const TObjectTextView::TGutterColors Colors = View.GutterColors();
        const double Contrast = std::abs(Lightness(Colors.Numbers) - Lightness(Colors.Background));
        QVERIFY2(Contrast >= 35, qPrintable(QString::number(Contrast)));
        // The background belongs with the text's, not with a bright strip beside it.
        QVERIFY(std::abs(Lightness(Colors.Background) - Lightness(Palette.color(QPalette::Base))) < 20);
        // Painted in those colours: its bottom corner holds no number.
        auto* Gutter = View.findChild<QWidget*>(QStringLiteral("gutLineNumbers"));
        QVERIFY(Gutter);
        const QImage Painted = Gutter->grab().toImage();
        QCOMPARE(Painted.pixelColor(1, Painted.height() - 2).rgb(), Colors.Background.rgb());
    }

    void goToLine_data()
    {
        QTest::addColumn<int>("Line");
        QTest::addColumn<int>("Shown");
        QTest::addColumn<QString>("Place");
        QTest::newRow("out of view: centred") << 150 << 150 << "middle";
        QTest::newRow("in view: nothing scrolls") << 8 << 8 << "top";
        QTest::newRow("the first") << 1 << 1 << "top";
        QTest::newRow("past the end: the last") << 999 << 300 << "in view";
        QTest::newRow("before the first: the first") << -4 << 1 << "top";
    }

    // The caret at the line's start, the line in the middle of the view
    // unless it is well in view already.
    void goToLine()
    {
        QFETCH(int, Line);
        QFETCH(int, Shown);
        QFETCH(QString, Place);
        TObjectTextView View;
        View.resize(400, 300);
        View.show();
        QVERIFY(QTest::qWaitForWindowExposed(&View));
        std::string Text;
        for (int At = 1; At <= 300; ++At)
            Text += "line " + std::to_string(At) + (At < 300 ? "\r\n" : "");
        View.SetObjectText(Text);
        View.GoToLine(Line);
        QCOMPARE(View.CaretPlace().Line, Shown);
        QCOMPARE(View.CaretPlace().Column, 1);
        const QRect Caret = View.cursorRect();
        QVERIFY(Caret.top() >= 0 && Caret.bottom() <= View.viewport()->height());
        if (Place == QLatin1String("middle"))
            QVERIFY(std::abs(Caret.center().y() - View.viewport()->height() / 2) <= 2 * View.fontMetrics().lineSpacing());
        if (Place == QLatin1String("top"))
            QCOMPARE(View.verticalScrollBar()->value(), 0);
    }
};

QTEST_MAIN(TestTextView)
#include "test_textview.moc"
