// The where-used index of the loaded file (core/references), built on a
// worker thread after each load while the window stays usable. Commands that
// need it before it is done hand their work over to run when it is.
#pragma once

#include "core/references/referenceindex.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QThread;
class TObjectTextFile;

class TReferenceIndexer : public QObject {
    Q_OBJECT
public:
    explicit TReferenceIndexer(QObject* Parent = nullptr);
    ~TReferenceIndexer() override;

    // Builds the index of File, which must stay loaded until Stop.
    void Start(const TObjectTextFile& File);
    // Cancels and waits for a build; the index and any work waiting go.
    void Stop();

    // Null until built.
    std::shared_ptr<const references::TReferenceIndex> Index() const { return FIndex; }
    bool Building() const { return FThread != nullptr; }
    int Percent() const { return FPercent.load(std::memory_order_relaxed); }
    // Runs Work now when the index is built, else once it is (dropped by Stop).
    void WhenBuilt(std::function<void()> Work);

signals:
    void Progress(int Percent);
    void Built();

private:
    void Finished(std::uint64_t Build, const std::shared_ptr<references::TReferenceIndex>& Index);

    std::unique_ptr<QThread> FThread;
    std::uint64_t FBuild = 0; // which build a finish reports
    std::atomic<bool> FCancel{false};
    std::atomic<int> FPercent{0};
    std::shared_ptr<const references::TReferenceIndex> FIndex;
    std::vector<std::function<void()>> FWaiting;
};
