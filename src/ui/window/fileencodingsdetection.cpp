#include "ui/window/fileencodingsdetection.h"

#include "core/quibfile.h"

TFileEncodingsDetection::~TFileEncodingsDetection() = default;

void TFileEncodingsDetection::Start(const TObjectTextFile& File)
{
    Stop();
    if (File.FileName().empty() || File.Count() == 0)
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

void TFileEncodingsDetection::Stop()
{
    FWorker.reset();
    ++FRun;
}
