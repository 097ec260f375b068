#include <QDirIterator>
#include <QFontDatabase>
#include <QMovie>
#include <QRegularExpression>
#include <QSettings>
#include <QSvgRenderer>
#include <QtTest>

#include "app/AppConfig.h"
#include "support/ScopedWorkDir.h"

namespace {

const QByteArray noFile = "<none>";
const QByteArray directory = "<directory>";
// Stands for the executable's folder in the table.
const QString appDir = "<app>";

QString resolved(const QString& folder) {
    return folder == appDir ? QCoreApplication::applicationDirPath() : folder;
}

}  // namespace

class TestApp : public QObject {
    Q_OBJECT

private slots:
    void loadedAndWrittenAtClose_data();
    void loadedAndWrittenAtClose();
    void namedResourceLoads_data();
    void namedResourceLoads();
};

// clang-format off
void TestApp::loadedAndWrittenAtClose_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("newInput");  // assigned before closing, unless empty
    QTest::addColumn<QString>("loadedOutput");
    QTest::addColumn<QString>("loadedInput");
    QTest::addColumn<QString>("storedOutput");  // empty: nothing may be written
    QTest::addColumn<QString>("storedInput");
    QTest::newRow("no file") << noFile << "" << appDir << appDir << appDir << appDir;
    QTest::newRow("empty value falls back")
        << QByteArray("[Setting]\noutput_raw_file_path=\ninput_raw_file_path_=/data/in\n") << ""
        << appDir << "/data/in" << appDir << "/data/in";
    QTest::newRow("unknown folder kept as is")
        << QByteArray("[Setting]\noutput_raw_file_path=/no/such/folder\n") << "/recordings"
        << "/no/such/folder" << appDir << "/no/such/folder" << "/recordings";
    QTest::newRow("input key needs its trailing underscore")
        << QByteArray("[Setting]\ninput_raw_file_path=/without/underscore\n") << "" << appDir
        << appDir << appDir << appDir;
    QTest::newRow("unwritable file") << directory << "/recordings" << appDir << appDir << "" << "";
}
// clang-format on

// The file changes only when the object goes, and the log says whether it could be written. The
// file is the working folder's, not the executable's.
void TestApp::loadedAndWrittenAtClose() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, newInput);
    QFETCH(QString, loadedOutput);
    QFETCH(QString, loadedInput);
    QFETCH(QString, storedOutput);
    QFETCH(QString, storedInput);
    ScopedWorkDir dir;
    const QString path = dir.filePath("config.ini");
    if (ini == directory) {
        QVERIFY(QDir(dir.path()).mkdir("config.ini"));
    } else if (ini != noFile) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }
    auto* config = new AppConfig("config.ini");
    QCOMPARE(config->outputRawFilePath, resolved(loadedOutput));
    QCOMPARE(config->inputRawFilePath, resolved(loadedInput));
    if (!newInput.isEmpty()) {
        config->inputRawFilePath = newInput;
    }
    QFile file(path);
    QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : noFile,
             ini == directory ? noFile : ini);
    if (storedOutput.isEmpty()) {
        QTest::ignoreMessage(
            QtWarningMsg,
            qPrintable("Could not write " + path + ": the file or its folder cannot be written"));
    } else {
        QTest::ignoreMessage(QtDebugMsg, "Write to config file.");
    }
    delete config;
    const QSettings stored(path, QSettings::IniFormat);
    QCOMPARE(stored.value("Setting/output_raw_file_path").toString(), resolved(storedOutput));
    QCOMPARE(stored.value("Setting/input_raw_file_path_").toString(), resolved(storedInput));
}

// Every resource path the program's sources and forms name, as they spell it.
void TestApp::namedResourceLoads_data() {
    QTest::addColumn<QString>("path");
    const QRegularExpression resourcePath(":/(img|font)/[^\"<>);\\n]+");
    QSet<QString> named;
    for (const QString& folder :
         QStringList{"app", "main_window", "pipeline", "settings", "framework", "dialogs"}) {
        QDirIterator it(OSTREL_SOURCE_DIR "/" + folder, {"*.cpp", "*.h", "*.ui"}, QDir::Files);
        while (it.hasNext()) {
            QFile file(it.next());
            file.open(QIODevice::ReadOnly);
            auto matches = resourcePath.globalMatch(QString::fromUtf8(file.readAll()));
            while (matches.hasNext()) {
                named << matches.next().captured();
            }
        }
    }
    QVERIFY(!named.isEmpty());
    for (const QString& path : named) {
        QTest::newRow(qPrintable(path)) << path;
    }
}

void TestApp::namedResourceLoads() {
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), "missing from the resource collection");
    if (path.endsWith(".svg")) {
        QVERIFY(QSvgRenderer(path).isValid());
    } else if (path.endsWith(".gif")) {
        QMovie movie(path);
        QVERIFY(movie.isValid() && movie.frameCount() > 1);
    } else if (path.endsWith(".png")) {
        QVERIFY(!QImage(path).isNull());
    } else {
        QVERIFY(QFontDatabase::addApplicationFont(path) >= 0);
    }
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
