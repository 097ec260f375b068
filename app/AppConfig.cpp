#include "app/AppConfig.h"

#include <QCoreApplication>
#include <QSettings>
#include <QtDebug>

namespace {

const char* const outputKey = "Setting/output_raw_file_path";
// The trailing underscore is part of the file format.
const char* const inputKey = "Setting/input_raw_file_path_";

}  // namespace

AppConfig::AppConfig(QString fileName) : settings(new QSettings(fileName, QSettings::IniFormat)) {
    outputRawFilePath = readFolder(outputKey);
    inputRawFilePath = readFolder(inputKey);
}

AppConfig::~AppConfig() {
    settings->setValue(outputKey, outputRawFilePath);
    settings->setValue(inputKey, inputRawFilePath);
    settings->sync();
    delete settings;
    qDebug() << "Write to config file.";
}

QString AppConfig::readFolder(const QString& key) const {
    const QString folder = settings->value(key).toString();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}
