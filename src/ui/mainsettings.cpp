// The window's settings file: read once at start-up, written once at shutdown.
#include "ui/mainform.h"

#include "ui/systempath.h"
#include "ui_mainform.h"
#include "ui/windowplacement.h"
#include "ui/windowsettings.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int MaxFaceLength = 31;
// Qt's geometry arithmetic adds sizes to positions in int: keep positions
// where that cannot overflow whatever the stored value.
constexpr int MaxWindowPosition = QWIDGETSIZE_MAX;
// Beyond this the font engine spends its time rendering a few giant glyphs.
constexpr int MaxFontPoints = 400;

QSize PrimaryScreenSize()
{
    const QScreen* Screen = QGuiApplication::primaryScreen();
    return Screen ? Screen->geometry().size() : QSize(0, 0);
}

// (Screen - Window) div 2, computed so that no stored size can overflow.
int Centred(int ScreenSize, int WindowSize)
{
    const std::int64_t Offset = (std::int64_t(ScreenSize) - WindowSize) / 2;
    return static_cast<int>(std::clamp<std::int64_t>(Offset, -MaxWindowPosition, MaxWindowPosition));
}

int WindowPosition(std::int32_t Stored)
{
    return std::clamp<std::int32_t>(Stored, -MaxWindowPosition, MaxWindowPosition);
}

QString FallbackFamily(QFont::StyleHint Hint)
{
    const auto Kind = Hint == QFont::TypeWriter ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont;
    return QFontDatabase::systemFont(Kind).family();
}

// Sets the font's face as stored. The face stays the font's first family, so
// it is what gets stored again; when this system lacks it, the view shows the
// system's font of the same style instead.
QFont WithFace(QFont Font, QString Face, QFont::StyleHint Hint)
{
    if (Face.isEmpty())
        return Font;
    Face.truncate(MaxFaceLength);
    QStringList Families{Face};
    const QString Fallback = FallbackFamily(Hint);
    if (Fallback.compare(Face, Qt::CaseInsensitive) != 0)
        Families << Fallback;
    Font.setFamilies(Families);
    Font.setStyleHint(Hint);
    return Font;
}

QFont WithPointSize(QFont Font, std::int32_t Points)
{
    if (Points > 0)
        Font.setPointSize(std::min(Points, MaxFontPoints));
    return Font;
}

int PointSize(const QFont& Font, const QWidget& Widget)
{
    if (Font.pointSizeF() > 0)
        return qRound(Font.pointSizeF());
    return qRound(Font.pixelSize() * 72.0 / Widget.logicalDpiY());
}

#ifndef _WIN32
// Length of the valid UTF-8 sequence at Text[At], or 0 when none starts there.
std::size_t Utf8SequenceLength(const std::string& Text, std::size_t At)
{
    const auto Byte = [&](std::size_t I) { return static_cast<unsigned char>(Text[I]); };
    const unsigned char Lead = Byte(At);
    if (Lead < 0x80)
        return 1;
    const std::size_t Length = Lead >= 0xC2 && Lead <= 0xDF ? 2 : Lead >= 0xE0 && Lead <= 0xEF ? 3
                             : Lead >= 0xF0 && Lead <= 0xF4 ? 4 : 0;
    if (Length == 0 || At + Length > Text.size())
        return 0;
    for (std::size_t I = At + 1; I < At + Length; ++I)
        if ((Byte(I) & 0xC0) != 0x80)
            return 0;
    const unsigned char Second = Byte(At + 1);
    // No overlong forms, no surrogates, nothing above U+10FFFF.
    if ((Lead == 0xE0 && Second < 0xA0) || (Lead == 0xED && Second > 0x9F) || (Lead == 0xF0 && Second < 0x90) ||
        (Lead == 0xF4 && Second > 0x8F))
        return 0;
    return Length;
}

// A byte that is not part of valid UTF-8 stands for itself as a lone low
// surrogate, which no real text holds, so it is written back unchanged.
constexpr char16_t EscapedByteBase = 0xDC00;
#endif

// Settings values are bytes in the system's 8-bit encoding; what comes in
// goes out again unchanged, even when it is not valid in that encoding.
QString FromProfile(const std::string& Text)
{
#ifdef _WIN32
    return QString::fromLocal8Bit(Text.data(), static_cast<qsizetype>(Text.size()));
#else
    QString Result;
    Result.reserve(static_cast<qsizetype>(Text.size()));
    for (std::size_t At = 0; At < Text.size();) {
        if (const std::size_t Length = Utf8SequenceLength(Text, At)) {
            Result += QString::fromUtf8(Text.data() + At, static_cast<qsizetype>(Length));
            At += Length;
        } else {
            Result += QChar(char16_t(EscapedByteBase + static_cast<unsigned char>(Text[At++])));
        }
    }
    return Result;
#endif
}

std::string ToProfile(const QString& Text)
{
#ifdef _WIN32
    return Text.toLocal8Bit().toStdString();
#else
    std::string Result;
    qsizetype Start = 0;
    const auto Flush = [&](qsizetype End) { Result += Text.mid(Start, End - Start).toUtf8().toStdString(); };
    for (qsizetype I = 0; I < Text.size(); ++I) {
        const char16_t Unit = Text[I].unicode();
        const bool LoneLow = Unit >= EscapedByteBase + 0x80 && Unit <= EscapedByteBase + 0xFF &&
                             (I == 0 || !Text[I - 1].isHighSurrogate());
        if (!LoneLow)
            continue;
        Flush(I);
        Result += static_cast<char>(Unit - EscapedByteBase);
        Start = I + 1;
    }
    Flush(Text.size());
    return Result;
#endif
}

// A view's font as stored, on top of the view's current font.
QFont FontOf(const TFontSetting& Setting, const QFont& Current, QFont::StyleHint Hint)
{
    QFont Font = WithPointSize(WithFace(Current, FromProfile(Setting.Face), Hint), Setting.Size);
    if (Setting.Bold)
        Font.setBold(true);
    if (Setting.Italic)
        Font.setItalic(true);
    return Font;
}

TFontSetting SettingOf(const QFont& Font, const QWidget& View)
{
    return {ToProfile(TfrmMain::StoredFace(Font)), PointSize(Font, View), Font.bold(), Font.italic()};
}

}  // namespace

QString TfrmMain::StoredFace(const QFont& Font)
{
    const QStringList Families = Font.families();
    return Families.isEmpty() ? Font.family() : Families.first();
}

void TfrmMain::SetDesignedFont()
{
    setFont(WithPointSize(WithFace(font(), QStringLiteral("Tahoma"), QFont::SansSerif), 8));
}

void TfrmMain::SetTreeWidth(int Width)
{
    const int Total = std::max(0, ui->splMain->width() - ui->splMain->handleWidth());
    Width = std::clamp(Width, 0, QWIDGETSIZE_MAX);
    ui->splMain->setSizes({Width, std::max(Total - Width, 1)});
    if (!ui->splMain->isVisible())
        FPendingTreeWidth = Width;
}

int TfrmMain::TreeWidth() const
{
    return FPendingTreeWidth >= 0 ? FPendingTreeWidth : ui->splMain->sizes().value(0);
}

void TfrmMain::LoadSettings()
{
    const TWindowSettings Settings = ReadWindowSettings(ui::ToSystemPath(FSettingsFileName));
    const QSize Screen = PrimaryScreenSize();
    // The window's own minimum size applies from here on, as it would on screen.
    if (layout())
        layout()->activate();

    // The stored size is the outer one; the window's minimum size applies.
    resize(Settings.Width.value_or(Screen.width() / 2), Settings.Height.value_or(Screen.height() / 2));
    // Centred, by default, for the size the window really gets.
    const QScreen* Primary = QGuiApplication::primaryScreen();
    const QSize Outer = Primary ? size().boundedTo(Primary->availableGeometry().size()) : size();
    const int Left = WindowPosition(Settings.Left.value_or(Centred(Screen.width(), Outer.width())));
    const int Top = WindowPosition(Settings.Top.value_or(Centred(Screen.height(), Outer.height())));
    if (!FPlacement)
        FPlacement = new TWindowPlacement(*this);
    FPlacement->Place(QRect(QPoint(Left, Top), Outer));
    if (layout())
        layout()->activate();
    SetTreeWidth(Settings.ObjectListWidth.value_or(width() / 4));

    ui->memMain->setFont(FontOf(Settings.CodeFont, ui->memMain->font(), QFont::TypeWriter));
    ui->lvwMain->setFont(FontOf(Settings.ListFont, ui->lvwMain->font(), QFont::SansSerif));
    ui->tvwMain->setFont(ui->lvwMain->font());

    SetFindText(Settings.FindText);
    if (Settings.MatchCase)
        SetFindMatchCase(true);
}

void TfrmMain::SaveSettings()
{
    TWindowSettings Settings;
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        const QSize Outer = FPlacement ? FPlacement->OuterSize() : frameGeometry().size();
        Settings.Width = Outer.width();
        Settings.Height = Outer.height();
        Settings.Left = x();
        Settings.Top = y();
    }
    Settings.CodeFont = SettingOf(ui->memMain->font(), *ui->memMain);
    Settings.ListFont = SettingOf(ui->lvwMain->font(), *ui->lvwMain);
    Settings.ObjectListWidth = TreeWidth();
    Settings.FindText = FindText();
    Settings.MatchCase = FindMatchCase();
    WriteWindowSettings(ui::ToSystemPath(FSettingsFileName), Settings);
}
