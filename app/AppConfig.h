#pragma once

#include <QSettings>
#include <QString>

// The two folders remembered between runs, and the frame's colours, read from config.ini at start
// and written at the end.
class AppConfig {
public:
    explicit AppConfig(QString fileName);
    ~AppConfig();
    AppConfig(const AppConfig&) = delete;
    AppConfig& operator=(const AppConfig&) = delete;

    QString outputRawFilePath;
    QString inputRawFilePath;
    // Name of the frame palette; "default" unless another was chosen.
    QString framePalette;

private:
    QString readFolder(const QString& key) const;
    static QString failureReason(QSettings::Status status);

    QSettings* settings = nullptr;
};
