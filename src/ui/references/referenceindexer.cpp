#include "ui/references/referenceindexer.h"

#include "core/quibfile.h"

#include <QThread>

TReferenceIndexer::TReferenceIndexer(QObject* Parent) : QObject(Parent) {}

TReferenceIndexer::~TReferenceIndexer()
{
    Stop();
}

void TReferenceIndexer::Start(const TObjectTextFile& File)
{
    Stop();
    std::shared_ptr<platform::TStream> Reader = File.SecondReader();
    if (!Reader)
        return;
    auto Index = std::make_shared<references::TReferenceIndex>(File);
    FCancel = false;
    FPercent = 0;
    const std::uint64_t Build = ++FBuild;
    FThread.reset(QThread::create([this, Index, Reader, Build] {
        const auto Report = [this](std::int32_t Done, std::int32_t Count) {
            const int Percent = Count > 0 ? int(std::int64_t(Done) * 100 / Count) : 100;
            if (FPercent.exchange(Percent, std::memory_order_relaxed) != Percent)
                QMetaObject::invokeMethod(this, [this, Percent] { emit Progress(Percent); }, Qt::QueuedConnection);
        };
        bool Done = false;
        try {
            Done = Index->Build(*Reader, Report, &FCancel);
        } catch (const std::exception&) {
            // An unreadable file: no index, and the commands say they have none.
        }
        if (Done)
            QMetaObject::invokeMethod(this, [this, Build, Index] { Finished(Build, Index); }, Qt::QueuedConnection);
    }));
    FThread->start(QThread::LowPriority);
}

void TReferenceIndexer::Finished(std::uint64_t Build, const std::shared_ptr<references::TReferenceIndex>& Index)
{
    // A build stopped since, or one before the last.
    if (Build != FBuild || !FThread)
        return;
    FThread->wait();
    FThread.reset();
    FIndex = Index;
    emit Built();
    // Work may add work: take what waits now.
    const std::vector<std::function<void()>> Waiting = std::move(FWaiting);
    FWaiting.clear();
    for (const auto& Work : Waiting)
        Work();
}

void TReferenceIndexer::Stop()
{
    ++FBuild;
    if (FThread) {
        FCancel = true;
        FThread->wait();
        FThread.reset();
    }
    FIndex.reset();
    FWaiting.clear();
}

void TReferenceIndexer::WhenBuilt(std::function<void()> Work)
{
    if (FIndex)
        Work();
    else
        FWaiting.push_back(std::move(Work));
}
