#include "ui/window/fileencodingsworker.h"

TFileEncodingsWorker::TFileEncodingsWorker(std::unique_ptr<platform::TStream> Stream, std::vector<TByteRange> Objects,
                                           QObject* Parent)
    : QThread(Parent), FStream(std::move(Stream)), FObjects(std::move(Objects))
{
    qRegisterMetaType<TFileEncodingsPtr>();
}

TFileEncodingsWorker::~TFileEncodingsWorker()
{
    FCancelled.store(true, std::memory_order_relaxed);
    wait();
}

void TFileEncodingsWorker::run()
{
    try {
        std::optional<TFileEncodings> Found = DetectFileEncodings(*FStream, FObjects, &FCancelled);
        if (Found)
            emit Detected(std::make_shared<const TFileEncodings>(std::move(*Found)));
    } catch (...) {
        // A file that cannot be read now is reported when its object is shown;
        // the objects keep what their own bytes suggest.
    }
}
