#include "ui/window/viewfonts.h"

#include "ui/window/profiletext.h"

#include <QFontDatabase>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int MaxFaceLength = 31;
// Beyond this the font engine spends its time rendering a few giant glyphs.
constexpr int MaxFontPoints = 400;

QString FallbackFamily(QFont::StyleHint Hint)
{
    const auto Kind = Hint == QFont::TypeWriter ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont;
    return QFontDatabase::systemFont(Kind).family();
}

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

TFontSetting SettingOf(const QWidget& View)
{
    const QFont& Font = View.font();
    return {gui::ToProfileText(TViewFonts::StoredFace(Font)), PointSize(Font, View), Font.bold(), Font.italic()};
}

}  // namespace

QString TViewFonts::StoredFace(const QFont& Font)
{
    const QStringList Families = Font.families();
    return Families.isEmpty() ? Font.family() : Families.first();
}

QFont TViewFonts::Designed(const QFont& Font)
{
    return WithPointSize(WithFace(Font, QStringLiteral("Tahoma"), QFont::SansSerif), 8);
}

void TViewFonts::Apply(const TFontSetting& Code, const TFontSetting& List)
{
    FCode.setFont(FontOf(Code, FCode.font(), QFont::TypeWriter));
    FList.setFont(FontOf(List, FList.font(), QFont::SansSerif));
    FTree.setFont(FList.font());
}

TFontSetting TViewFonts::Code() const
{
    return SettingOf(FCode);
}

TFontSetting TViewFonts::List() const
{
    return SettingOf(FList);
}
