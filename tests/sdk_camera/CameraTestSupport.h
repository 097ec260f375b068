#pragma once

#include <QElapsedTimer>
#include <QThread>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "korvane/DvsCamera.h"
#include "korvane/RawFileReader.h"
#include "korvane/SimulatedCameraControl.h"

// Every event of a recording in file order; false when it does not open or load.
inline bool decodeRecording(const std::string& path, std::vector<korvane::Event2D>& events,
                            korvane::RawFileInfo* info = nullptr) {
    std::unique_ptr<korvane::RawFileReader> reader = korvane::RawFileReader::open(path);
    if (!reader || !reader->loadFile()) {
        return false;
    }
    events.clear();
    if (reader->info().events > 0) {
        const auto all = reader->readEventsAt(0, std::numeric_limits<std::uint64_t>::max());
        if (!all) {
            return false;
        }
        events = *all;
    }
    if (info != nullptr) {
        *info = reader->info();
    }
    return true;
}

inline std::string headerValue(const korvane::RawFileInfo& info, const std::string& key) {
    for (const auto& [name, value] : info.headerEntries) {
        if (name == key) {
            return value;
        }
    }
    return {};
}

// Polls until a batch arrives (true) or the time runs out.
inline bool fetchBatch(korvane::DvsCamera& camera, std::vector<korvane::Event2D>& events,
                       korvane::simulation::BatchSpan& span, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    korvane::simulation::BatchSpan before;
    korvane::simulation::lastBatchSpan(camera, before);
    while (timer.elapsed() < timeoutMs) {
        camera.fetchEvents(events);
        korvane::simulation::lastBatchSpan(camera, span);
        if (span.sequence != before.sequence) {
            return true;
        }
        QThread::msleep(1);
    }
    return false;
}

inline std::uint64_t checksumOf(const std::vector<korvane::Event2D>& events) {
    return korvane::simulation::checksumEvents(korvane::simulation::checksumSeed, events.data(),
                                               events.size());
}
