#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <atomic>

#include "korvane/EventRate.h"

class QThread;

Q_DECLARE_METATYPE(korvane::EventRate)

// Counts a recording's positive and negative events per bin of time on a thread of its own,
// through its own reader of the file, and hands the curve over as it grows. The thread runs at
// idle priority so that playback keeps its cores. Signals reach the owner's thread queued.
class RateCurveWorker : public QObject {
    Q_OBJECT

public:
    // Bins start at 1 ms and widen to keep at most this many.
    static constexpr std::size_t maxBins = 4096;

    explicit RateCurveWorker(QObject* parent = nullptr);
    // Stops the count and joins the thread.
    ~RateCurveWorker() override;

    // GUI thread only. Starts counting the recording at path; a count still running is stopped
    // first.
    void start(const QString& path);
    // GUI thread only. Returns once the thread has ended.
    void stop();

signals:
    // At most a few times a second while counting; soFar holds the bins counted so far.
    void progressed(int percent, const korvane::EventRate& soFar);
    void finished(const korvane::EventRate& rate);
    void failed(const QString& message);

private:
    // Called on the counting thread.
    void count(const QString& path);

    QThread* thread = nullptr;
    std::atomic<bool> stopping{false};
};
