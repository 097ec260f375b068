#include "pipeline/recordingFileName.h"

QString defaultRecordingPath(const QString& folder, const QDateTime& now) {
    return folder + "/" + now.toString("yyyyMMdd_HHmmss");
}
