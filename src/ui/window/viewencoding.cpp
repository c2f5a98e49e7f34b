#include "ui/window/viewencoding.h"

#include "core/encodingchoice.h"
#include "core/quibfile.h"
#include "ui/window/encodingmenu.h"

#include <QMenu>

TViewEncoding::TViewEncoding(QMenu& ViewMenu, TEncodingChoice& Choice)
    : QObject(&ViewMenu), FChoice(Choice), FMenu(new TEncodingMenu(ViewMenu))
{
    FMenu->SetChecked(QString::fromStdString(FChoice.SettingName()));
    connect(FMenu, &TEncodingMenu::Chosen, this, &TViewEncoding::Chosen);
}

TViewEncoding::~TViewEncoding() = default;

TSettingsOwner& TViewEncoding::Settings() const
{
    return *FMenu;
}

bool TViewEncoding::Choose(const QString& SettingName)
{
    const std::optional<codepages::TEncoding> Before = FChoice.Chosen();
    FChoice.SetFromSettingName(SettingName.toStdString());
    FMenu->SetChecked(QString::fromStdString(FChoice.SettingName()));
    return FChoice.Chosen() != Before;
}

void TViewEncoding::StartFile(const TObjectTextFile& File)
{
    StopDetection();
    const bool Loaded = !File.FileName().empty();
    FChoice.Reset(Loaded ? File.Count() : 0);
    if (!Loaded || File.Count() == 0)
        return;
    std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    if (!Reader)
        return;
    FWorker = std::make_unique<TFileEncodingsWorker>(std::move(Reader), ObjectRanges(File));
    connect(FWorker.get(), &TFileEncodingsWorker::Detected, this,
            [this, Run = FRun](const TFileEncodingsPtr& Encodings) {
                if (Run == FRun)
                    emit Detected(Encodings);
            }, Qt::QueuedConnection);
    FWorker->start(QThread::LowPriority);
}

void TViewEncoding::StopDetection()
{
    FWorker.reset();
    ++FRun;
}

bool TViewEncoding::TakeDetected(TFileEncodingsPtr Encodings, int ObjectIndex)
{
    const std::optional<codepages::TEncoding> Before =
        ObjectIndex >= 0 ? FChoice.KnownForText(ObjectIndex) : std::nullopt;
    FChoice.SetFileEncodings(std::move(Encodings));
    return ObjectIndex >= 0 && FChoice.KnownForText(ObjectIndex) != Before;
}
