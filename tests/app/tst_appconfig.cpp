#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppConfig.h"

class TestAppConfig : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void absentFileFallsBackAndIsWrittenAtClose();
    void emptyValueFallsBack();
    void unknownFolderKeptAsIs();
    void inputKeyHasTrailingUnderscore();
    void usesWorkingDirectoryNotExecutableFolder();
    void writtenOnlyAtDestruction();

private:
    QString readKey(const QString& key) const;
    void writeIni(const QByteArray& contents) const;

    QTemporaryDir* dir = nullptr;
    QString previousDir;
};

void TestAppConfig::init() {
    previousDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestAppConfig::cleanup() {
    QDir::setCurrent(previousDir);
    delete dir;
}

QString TestAppConfig::readKey(const QString& key) const {
    QSettings file(dir->filePath("config.ini"), QSettings::IniFormat);
    return file.value(key).toString();
}

void TestAppConfig::writeIni(const QByteArray& contents) const {
    QFile file(dir->filePath("config.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void TestAppConfig::absentFileFallsBackAndIsWrittenAtClose() {
    const QString appDir = QCoreApplication::applicationDirPath();
    {
        AppConfig config("config.ini");
        QCOMPARE(config.outputRawFilePath, appDir);
        QCOMPARE(config.inputRawFilePath, appDir);
        QVERIFY(!QFile::exists(dir->filePath("config.ini")));
    }
    QVERIFY(QFile::exists(dir->filePath("config.ini")));
    QCOMPARE(readKey("Setting/output_raw_file_path"), appDir);
    QCOMPARE(readKey("Setting/input_raw_file_path_"), appDir);
}

void TestAppConfig::emptyValueFallsBack() {
    writeIni("[Setting]\noutput_raw_file_path=\ninput_raw_file_path_=/data/in\n");
    AppConfig config("config.ini");
    QCOMPARE(config.outputRawFilePath, QCoreApplication::applicationDirPath());
    QCOMPARE(config.inputRawFilePath, QString("/data/in"));
}

void TestAppConfig::unknownFolderKeptAsIs() {
    writeIni("[Setting]\noutput_raw_file_path=/no/such/folder\n");
    {
        AppConfig config("config.ini");
        QCOMPARE(config.outputRawFilePath, QString("/no/such/folder"));
    }
    QCOMPARE(readKey("Setting/output_raw_file_path"), QString("/no/such/folder"));
}

void TestAppConfig::inputKeyHasTrailingUnderscore() {
    writeIni("[Setting]\ninput_raw_file_path=/without/underscore\n");
    {
        AppConfig config("config.ini");
        QCOMPARE(config.inputRawFilePath, QCoreApplication::applicationDirPath());
        config.inputRawFilePath = "/recordings";
    }
    QCOMPARE(readKey("Setting/input_raw_file_path_"), QString("/recordings"));
    QCOMPARE(readKey("Setting/input_raw_file_path"), QString("/without/underscore"));
}

void TestAppConfig::usesWorkingDirectoryNotExecutableFolder() {
    { AppConfig config("config.ini"); }
    QVERIFY(QFile::exists(dir->filePath("config.ini")));
    if (QDir(QCoreApplication::applicationDirPath()) != QDir(dir->path())) {
        QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + "/config.ini"));
    }
}

void TestAppConfig::writtenOnlyAtDestruction() {
    writeIni("[Setting]\noutput_raw_file_path=/before\n");
    auto* config = new AppConfig("config.ini");
    config->outputRawFilePath = "/after";
    QCOMPARE(readKey("Setting/output_raw_file_path"), QString("/before"));
    QTest::ignoreMessage(QtDebugMsg, "Write to config file.");
    delete config;
    QCOMPARE(readKey("Setting/output_raw_file_path"), QString("/after"));
}

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
