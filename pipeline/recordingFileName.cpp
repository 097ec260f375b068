#include "pipeline/recordingFileName.h"

#include "pipeline/formatTimestamp.h"

QString defaultRecordingPath(const QString& folder, const QDateTime& now) {
    return folder + "/" + now.toString("yyyyMMdd_HHmmss");
}

// File systems that refuse ':' in names take '-'.
QString defaultFrameName(const QString& source, std::uint64_t timestampUs) {
    return source + "_" + QString::fromStdString(formatTimestamp(timestampUs)).replace(':', '-') +
           ".png";
}
