#include <QDirIterator>
#include <QFontDatabase>
#include <QMovie>
#include <QPainter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QSvgRenderer>
#include <QtTest>

namespace {

// Every resource path the program's sources and forms name, as they spell it.
QSet<QString> namedResources() {
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
    return named;
}

// Pixels with some opacity, and whether some are fully transparent as well.
std::pair<int, bool> visiblePixels(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            count += qAlpha(argb.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return {count, count < argb.width() * argb.height()};
}

int renderedPixels(QSvgRenderer& renderer, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return visiblePixels(image).first;
}

}  // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void namedResourceLoads_data();
    void namedResourceLoads();
    void collectionHoldsOnlyNamedFiles();
};

void TestResources::namedResourceLoads_data() {
    QTest::addColumn<QString>("path");
    for (const QString& path : namedResources()) {
        QTest::newRow(qPrintable(path)) << path;
    }
}

// A style sheet draws an icon at its own size, also shrunk to a 9-pixel slider handle, and a
// hover or pressed state of another size would make the button's content jump. Pictures and the
// spinner are drawn on transparency; the font has the characters the forms use.
void TestResources::namedResourceLoads() {
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), "missing from the resource collection");
    if (path.endsWith(".svg")) {
        QSvgRenderer renderer(path);
        const QSize size = renderer.defaultSize();
        QVERIFY(!size.isEmpty() && size.width() <= 200 && size.height() <= 50);
        QVERIFY(renderedPixels(renderer, size) > 0);
        QVERIFY(renderedPixels(renderer, size.scaled(9, 9, Qt::KeepAspectRatio)) > 0);
        const QRegularExpression state(
            "_(Hover|Pressed|pressed|Disable|Selected|open_hover|White)\\.svg$");
        const QString normal = QString(path).replace(state, ".svg");
        if (normal != path && namedResources().contains(normal)) {
            QCOMPARE(size, QSvgRenderer(normal).defaultSize());
        }
    } else if (path.endsWith(".png")) {
        const auto [pixels, transparent] = visiblePixels(QImage(path));
        QVERIFY(pixels > 0 && transparent);
    } else if (path.endsWith(".gif")) {
        QMovie movie(path);
        QVERIFY(movie.frameCount() > 1);
        QImage previous;
        for (int frame = 0; frame < movie.frameCount(); ++frame) {
            QVERIFY(movie.jumpToFrame(frame) && movie.nextFrameDelay() > 0);
            const auto [pixels, transparent] = visiblePixels(movie.currentImage());
            QVERIFY(pixels > 0 && transparent);
            QVERIFY2(movie.currentImage() != previous, "a frame repeats the one before");
            previous = movie.currentImage();
        }
    } else {
        QVERIFY(QFontDatabase::addApplicationFont(path) >= 0);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QRawFont font(file.readAll(), 16);
        for (const QChar c : QStringLiteral("AZaz09 .:/|-_()%©é…黑体")) {
            QVERIFY2(font.supportsCharacter(c), qPrintable(QString(c)));
        }
    }
}

// A file in the collection that nothing names is dead weight or a misspelt path.
void TestResources::collectionHoldsOnlyNamedFiles() {
    QSet<QString> found;
    for (const QString& root : QStringList{":/img", ":/font"}) {
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            found << it.next();
        }
    }
    QCOMPARE(found, namedResources());
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
