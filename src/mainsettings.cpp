// The window's settings file: read once at start-up, written once at shutdown.
#include "mainform.h"

#include "platform/profile.h"
#include "ui_mainform.h"

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

// Section and key names.
const char* const SWindow = "Window";
const char* const SView = "View";
const char* const SFind = "Find";
const char* const SWidth = "Width";
const char* const SHeight = "Height";
const char* const SLeft = "Left";
const char* const STop = "Top";
const char* const SCodeFontName = "CodeFontName";
const char* const SCodeFontSize = "CodeFontSize";
const char* const SCodeFontBold = "CodeFontBold";
const char* const SCodeFontItalic = "CodeFontItalic";
const char* const SListFontName = "ListFontName";
const char* const SListFontSize = "ListFontSize";
const char* const SListFontBold = "ListFontBold";
const char* const SListFontItalic = "ListFontItalic";
const char* const SObjectListWidth = "ObjectListWidth";
const char* const SFindText = "FindText";
const char* const SMatchCase = "MatchCase";

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

QString FromProfile(const std::string& Text)
{
    return QString::fromLocal8Bit(Text.data(), static_cast<qsizetype>(Text.size()));
}

std::string ToProfile(const QString& Text)
{
    return Text.toLocal8Bit().toStdString();
}

// Reads a view font's four keys on top of the view's current font.
QFont ReadFont(const platform::TProfile& Profile, const QFont& Current, const char* NameKey,
               const char* SizeKey, const char* BoldKey, const char* ItalicKey, const char* DefaultFace,
               int DefaultSize, QFont::StyleHint Hint)
{
    QFont Font = WithFace(Current, FromProfile(platform::ReadStringDefault(Profile, SView, NameKey, DefaultFace)),
                          Hint);
    Font = WithPointSize(Font, platform::ReadInteger(Profile, SView, SizeKey, DefaultSize));
    if (platform::ReadFlag(Profile, SView, BoldKey))
        Font.setBold(true);
    if (platform::ReadFlag(Profile, SView, ItalicKey))
        Font.setItalic(true);
    return Font;
}

// Each key by its own write; the first refused write ends the saving.
class TSettingsWriter {
public:
    explicit TSettingsWriter(const QString& FileName) : FProfile(QFile::encodeName(FileName).toStdString()) {}

    void String(const char* Section, const char* Key, const std::string& Value)
    {
        if (!FProfile.WriteString(Section, Key, Value))
            Refused();
    }
    void Integer(const char* Section, const char* Key, std::int32_t Value)
    {
        if (!platform::WriteInteger(FProfile, Section, Key, Value))
            Refused();
    }
    void Flag(const char* Section, const char* Key, bool Value) { Integer(Section, Key, Value ? 1 : 0); }
    void Font(const char* NameKey, const char* SizeKey, const char* BoldKey, const char* ItalicKey,
              const QFont& Font, const QWidget& Widget)
    {
        String(SView, NameKey, ToProfile(TfrmMain::StoredFace(Font)));
        Integer(SView, SizeKey, PointSize(Font, Widget));
        Flag(SView, BoldKey, Font.bold());
        Flag(SView, ItalicKey, Font.italic());
    }

private:
    [[noreturn]] void Refused()
    {
        throw platform::EQuibError("Unable to write to " + FProfile.FileName());
    }

    platform::TProfile FProfile;
};

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
    const platform::TProfile Profile(QFile::encodeName(FSettingsFileName).toStdString());
    const QSize Screen = PrimaryScreenSize();
    // The window's own minimum size applies from here on, as it would on screen.
    if (layout())
        layout()->activate();

    resize(platform::ReadInteger(Profile, SWindow, SWidth, Screen.width() / 2), height());
    resize(width(), platform::ReadInteger(Profile, SWindow, SHeight, Screen.height() / 2));
    move(WindowPosition(platform::ReadInteger(Profile, SWindow, SLeft, Centred(Screen.width(), width()))), y());
    move(x(), WindowPosition(platform::ReadInteger(Profile, SWindow, STop, Centred(Screen.height(), height()))));
    if (layout())
        layout()->activate();
    SetTreeWidth(platform::ReadInteger(Profile, SView, SObjectListWidth, width() / 4));

    ui->memMain->setFont(ReadFont(Profile, ui->memMain->font(), SCodeFontName, SCodeFontSize, SCodeFontBold,
                                  SCodeFontItalic, "Courier New", 9, QFont::TypeWriter));
    ui->lvwMain->setFont(ReadFont(Profile, ui->lvwMain->font(), SListFontName, SListFontSize, SListFontBold,
                                  SListFontItalic, "Tahoma", 8, QFont::SansSerif));
    ui->tvwMain->setFont(ui->lvwMain->font());

    SetFindText(platform::ReadStringDefault(Profile, SFind, SFindText, ""));
    if (platform::ReadFlag(Profile, SFind, SMatchCase))
        SetFindMatchCase(true);
}

void TfrmMain::SaveSettings()
{
    TSettingsWriter Writer(FSettingsFileName);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        Writer.Integer(SWindow, SWidth, width());
        Writer.Integer(SWindow, SHeight, height());
        Writer.Integer(SWindow, SLeft, x());
        Writer.Integer(SWindow, STop, y());
    }
    Writer.Font(SCodeFontName, SCodeFontSize, SCodeFontBold, SCodeFontItalic, ui->memMain->font(), *ui->memMain);
    Writer.Font(SListFontName, SListFontSize, SListFontBold, SListFontItalic, ui->lvwMain->font(), *ui->lvwMain);
    Writer.Integer(SView, SObjectListWidth, TreeWidth());
    Writer.String(SFind, SFindText, FindText());
    Writer.Flag(SFind, SMatchCase, FindMatchCase());
}
