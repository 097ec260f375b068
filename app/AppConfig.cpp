#include "app/AppConfig.h"

#include <QCoreApplication>
#include <QSettings>
#include <QtDebug>

namespace {

const char* const outputKey = "Setting/output_raw_file_path";
// The trailing underscore is part of the file format.
const char* const inputKey = "Setting/input_raw_file_path_";
const char* const paletteKey = "Setting/frame_palette";
const char* const standardPalette = "default";

}  // namespace

AppConfig::AppConfig(QString fileName) : settings(new QSettings(fileName, QSettings::IniFormat)) {
    outputRawFilePath = readFolder(outputKey);
    inputRawFilePath = readFolder(inputKey);
    framePalette = settings->value(paletteKey).toString();
    if (framePalette.isEmpty()) {
        framePalette = standardPalette;
    }
}

AppConfig::~AppConfig() {
    settings->setValue(outputKey, outputRawFilePath);
    settings->setValue(inputKey, inputRawFilePath);
    // A file that never had another palette keeps only the two folders.
    if (framePalette != standardPalette || settings->contains(paletteKey)) {
        settings->setValue(paletteKey, framePalette);
    }
    settings->sync();
    const QSettings::Status status = settings->status();
    const QString fileName = settings->fileName();
    delete settings;
    if (status == QSettings::NoError) {
        qDebug() << "Write to config file.";
    } else {
        qWarning().noquote()
            << QString("Could not write %1: %2").arg(fileName, failureReason(status));
    }
}

QString AppConfig::failureReason(QSettings::Status status) {
    return status == QSettings::AccessError ? "the file or its folder cannot be written"
                                            : "the file is not in INI format";
}

QString AppConfig::readFolder(const QString& key) const {
    const QString folder = settings->value(key).toString();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}
