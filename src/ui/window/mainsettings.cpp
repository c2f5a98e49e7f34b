// The window's settings file: read once at start-up, written once at shutdown.
#include "ui/window/mainform.h"

#include "platform/profile.h"
#include "ui/common/settingswriter.h"
#include "ui/common/systempath.h"
#include "ui/window/panewidth.h"
#include "ui/window/viewfonts.h"
#include "ui/window/windowplacement.h"
#include "ui/window/windowsettings.h"
#include "ui_mainform.h"

QString TfrmMain::StoredFace(const QFont& Font)
{
    return TViewFonts::StoredFace(Font);
}

void TfrmMain::SetTreeWidth(int Width)
{
    FTreeWidth->Set(Width);
}

int TfrmMain::TreeWidth() const
{
    return FTreeWidth->Width();
}

void TfrmMain::LoadSettings()
{
    const platform::TProfile Profile(gui::ToSystemPath(FSettingsFileName));
    const TWindowSettings Settings = ReadWindowSettings(Profile);
    FPlacement->Restore(Settings);
    SetTreeWidth(Settings.ObjectListWidth.value_or(width() / 4));
    TViewFonts(*ui->memMain, *ui->lvwMain, *ui->tvwMain).Apply(Settings.CodeFont, Settings.ListFont);
    SetFindText(Settings.FindText);
    if (Settings.MatchCase)
        SetFindMatchCase(true);
    for (TSettingsOwner* Feature : FSettingsOwners)
        Feature->ReadSettings(Profile);
}

void TfrmMain::SaveSettings()
{
    TWindowSettings Settings;
    FPlacement->Store(Settings);
    const TViewFonts Fonts(*ui->memMain, *ui->lvwMain, *ui->tvwMain);
    Settings.CodeFont = Fonts.Code();
    Settings.ListFont = Fonts.List();
    Settings.ObjectListWidth = TreeWidth();
    Settings.FindText = FindText();
    Settings.MatchCase = FindMatchCase();
    platform::TProfile Profile(gui::ToSystemPath(FSettingsFileName));
    TSettingsWriter Writer(Profile);
    WriteWindowSettings(Writer, Settings);
    for (const TSettingsOwner* Feature : FSettingsOwners)
        Feature->WriteSettings(Writer);
}
