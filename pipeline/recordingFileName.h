#pragma once

#include <QDateTime>
#include <QString>

// Suggested path of a new recording: the folder, then the local time as yyyyMMdd_HHmmss.
QString defaultRecordingPath(const QString& folder, const QDateTime& now);
