// The window's settings file: read once at start-up, written once at shutdown.
#include "ui/window/mainform.h"

#include "platform/profile.h"
#include "ui/common/settingswriter.h"
#include "ui/window/profiletext.h"
#include "ui/common/systempath.h"
#include "ui_mainform.h"
#include "ui/window/windowplacement.h"
#include "ui/window/windowsettings.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include <algorithm>

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

// A view's font as stored, on top of the view's current font.
QFont FontOf(const TFontSetting& Setting, const QFont& Current, QFont::StyleHint Hint)
{
    QFont Font = WithPointSize(WithFace(Current, gui::FromProfileText(Setting.Face), Hint), Setting.Size);
    if (Setting.Bold)
        Font.setBold(true);
    if (Setting.Italic)
        Font.setItalic(true);
    return Font;
}

TFontSetting SettingOf(const QFont& Font, const QWidget& View)
{
    return {gui::ToProfileText(TfrmMain::StoredFace(Font)), PointSize(Font, View), Font.bold(), Font.italic()};
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
    const platform::TProfile Profile(gui::ToSystemPath(FSettingsFileName));
    const TWindowSettings Settings = ReadWindowSettings(Profile);
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
    for (TSettingsOwner* Feature : FSettingsOwners)
        Feature->ReadSettings(Profile);
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
    platform::TProfile Profile(gui::ToSystemPath(FSettingsFileName));
    TSettingsWriter Writer(Profile);
    WriteWindowSettings(Writer, Settings);
    for (const TSettingsOwner* Feature : FSettingsOwners)
        Feature->WriteSettings(Writer);
}
