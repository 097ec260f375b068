#pragma once

#include <QSettings>
#include <QString>

// The two folders remembered between runs, read from config.ini at start and written at the end.
class AppConfig {
public:
    explicit AppConfig(QString fileName);
    ~AppConfig();
    AppConfig(const AppConfig&) = delete;
    AppConfig& operator=(const AppConfig&) = delete;

    QString outputRawFilePath;
    QString inputRawFilePath;

private:
    QString readFolder(const QString& key) const;
    static QString failureReason(QSettings::Status status);

    QSettings* settings = nullptr;
};
