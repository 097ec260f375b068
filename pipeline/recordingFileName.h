#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// Suggested path of a new recording: the folder, then the local time as yyyyMMdd_HHmmss.
QString defaultRecordingPath(const QString& folder, const QDateTime& now);
// Suggested name of a saved frame: where it comes from (a recording's base name, a camera's
// serial) and its time, as take_00-12-345678.png.
QString defaultFrameName(const QString& source, std::uint64_t timestampUs);
