// The whole file's code-page detection, off the GUI thread, after a load.
//
// It reads the objects through a reader of its own (the model's SecondReader)
// and hands the result back by a queued signal; the window gives it to its
// encoding choice and shows again what it shows. Until then objects are shown
// in what their own bytes suggest. A failed read only leaves it at that.
#pragma once

#include "core/fileencodings.h"
#include "platform/filestream.h"

#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

using TFileEncodingsPtr = std::shared_ptr<const TFileEncodings>;
Q_DECLARE_METATYPE(TFileEncodingsPtr)

class TFileEncodingsWorker : public QThread {
    Q_OBJECT
public:
    // Reads Objects through Stream, which it then owns.
    TFileEncodingsWorker(std::unique_ptr<platform::TStream> Stream, std::vector<TByteRange> Objects,
                         QObject* Parent = nullptr);
    // Cancels and waits.
    ~TFileEncodingsWorker() override;

signals:
    // Emitted from the worker's thread once every object is read; connect queued.
    void Detected(const TFileEncodingsPtr& Encodings);

protected:
    void run() override;

private:
    std::unique_ptr<platform::TStream> FStream;
    const std::vector<TByteRange> FObjects;
    std::atomic<bool> FCancelled{false};
};
