#include "pipeline/OverlayText.h"

#include <cmath>

#include "pipeline/formatTimestamp.h"

namespace {

QString timeText(std::uint64_t us) {
    return QString::fromStdString(formatTimestamp(us));
}

// 33333 reads 33.333 ms: exact to the microsecond, as the display settings take it.
QString millisecondsText(std::uint64_t us) {
    return QString("%1.%2 ms").arg(us / 1000).arg(us % 1000, 3, 10, QChar('0'));
}

}  // namespace

QString groupedNumber(std::uint64_t value) {
    QString digits = QString::number(value);
    for (int at = digits.size() - 3; at > 0; at -= 3) {
        digits.insert(at, ',');
    }
    return digits;
}

QStringList overlayLines(const OverlayFigures& figures) {
    QStringList lines;
    lines << QString("Rate: %1 ev/s, %2 % positive")
                 .arg(groupedNumber(std::uint64_t(std::llround(figures.rate))))
                 .arg(std::lround(figures.positiveShare * 100));
    lines << QString("Frame: %1 events").arg(groupedNumber(figures.frameEvents));
    lines << QString("Accumulation: %1 at %2 fps")
                 .arg(millisecondsText(figures.accumulationUs))
                 .arg(figures.frameRate);
    if (figures.recordingOpen) {
        lines << QString("File: %1, %2, %3 x %4")
                     .arg(figures.fileName, figures.encoding)
                     .arg(figures.width)
                     .arg(figures.height);
        lines << QString("Position: %1 / %2")
                     .arg(timeText(figures.positionUs), timeText(figures.durationUs));
        lines << QString("Damage: %1 skipped words, %2 dropped events")
                     .arg(groupedNumber(figures.skippedWords),
                          groupedNumber(figures.droppedEvents));
    }
    if (figures.recording) {
        const korvane::RecordingStatus& recorder = figures.recorder;
        lines << QString("Recording: %1, %2 MB, %3 events, %4 queued")
                     .arg(timeText(recorder.elapsedUs))
                     .arg(double(recorder.fileBytes) / 1e6, 0, 'f', 1)
                     .arg(groupedNumber(recorder.eventsWritten),
                          groupedNumber(recorder.queuedEvents));
    }
    return lines;
}
