// The whole-file code-page detection of the file on view: one worker at a
// time, started after a load, and a result reported only when it is of the
// latest start (a result of an earlier file may still be on its way).
#pragma once

#include "ui/window/fileencodingsworker.h"

#include <QObject>

#include <cstdint>
#include <memory>

class TObjectTextFile;

class TFileEncodingsDetection : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TFileEncodingsDetection() override;

    // Drops any earlier run and detects File's objects through a second
    // reader of its own; nothing runs for a file without objects or reader.
    void Start(const TObjectTextFile& File);
    // Drops the run: its reader shares the file's hold, which the next load
    // must take anew.
    void Stop();

signals:
    void Detected(const TFileEncodingsPtr& Encodings);

private:
    std::unique_ptr<TFileEncodingsWorker> FWorker;
    std::uint64_t FRun = 0;
};
