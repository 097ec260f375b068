#include <QDirIterator>
#include <QFontDatabase>
#include <QImage>
#include <QMovie>
#include <QPainter>
#include <QRawFont>
#include <QSet>
#include <QSvgRenderer>
#include <QtTest>

namespace {

// Every path the program refers to, spelled as the code spells it.
const QStringList kSvgPaths = {
    ":/img/assets/img_logo_Korvane.svg",
    ":/img/assets/btn_Nav_MinimizeWindow.svg",
    ":/img/assets/btn_Nav_MinimizeWindow_Hover.svg",
    ":/img/assets/btn_Nav_MinimizeWindow_Pressed.svg",
    ":/img/assets/btn_Nav_MaximizeWindow.svg",
    ":/img/assets/btn_Nav_MaximizeWindow_Hover.svg",
    ":/img/assets/btn_Nav_MaximizeWindow_Pressed.svg",
    ":/img/assets/btn_Nav_CloseWindow.svg",
    ":/img/assets/btn_Nav_CloseWindow_Hover.svg",
    ":/img/assets/btn_Nav_CloseWindow_Pressed.svg",
    ":/img/assets/btn_Nav_CloseWindow_White.svg",
    ":/img/assets/btn_Nav_CloseWindow_White_Hover.svg",
    ":/img/assets/btn_Nav_CloseWindow_White_Pressed.svg",
    ":/img/assets/btn_toolbar_setting.svg",
    ":/img/assets/btn_toolbar_setting_Hover.svg",
    ":/img/assets/btn_toolbar_setting_Pressed.svg",
    ":/img/assets/btn_toolbar_setting_open_hover.svg",
    ":/img/assets/btn_playbar_record.svg",
    ":/img/assets/btn_playbar_record_Hover.svg",
    ":/img/assets/btn_playbar_record_Pressed.svg",
    ":/img/assets/btn_playbar_record_Disable.svg",
    ":/img/assets/btn_playbar_backward.svg",
    ":/img/assets/btn_playbar_backward_Hover.svg",
    ":/img/assets/btn_playbar_backward_Pressed.svg",
    ":/img/assets/btn_playbar_backward_Disable.svg",
    ":/img/assets/btn_playbar_play.svg",
    ":/img/assets/btn_playbar_play_Hover.svg",
    ":/img/assets/btn_playbar_play_Pressed.svg",
    ":/img/assets/btn_playbar_play_Disable.svg",
    ":/img/assets/btn_playbar_pause.svg",
    ":/img/assets/btn_playbar_pause_Hover.svg",
    ":/img/assets/btn_playbar_pause_Pressed.svg",
    ":/img/assets/btn_playbar_stop.svg",
    ":/img/assets/btn_playbar_stop_Hover.svg",
    ":/img/assets/btn_playbar_stop_Pressed.svg",
    ":/img/assets/btn_playbar_stop_Disable.svg",
    ":/img/assets/btn_playbar_forward.svg",
    ":/img/assets/btn_playbar_forward_Hover.svg",
    ":/img/assets/btn_playbar_forward_Pressed.svg",
    ":/img/assets/btn_playbar_forward_Disable.svg",
    ":/img/assets/btn_playbar_loop.svg",
    ":/img/assets/btn_playbar_loop_Hover.svg",
    ":/img/assets/btn_playbar_loop_Pressed.svg",
    ":/img/assets/btn_playbar_loop_Selected.svg",
    ":/img/assets/btn_playbar_loop_Disable.svg",
    ":/img/assets/btn_playbar_SelectionPoint.svg",
    ":/img/assets/btn_playbar_thumbs_disable.svg",
    ":/img/assets/btn_setting_minus.svg",
    ":/img/assets/btn_setting_minus_pressed.svg",
    ":/img/assets/btn_setting_plus.svg",
    ":/img/assets/btn_setting_plus_pressed.svg",
    ":/img/assets/btn_setting_thumbs.svg",
    ":/img/assets/bnt_arrow_up.svg",
    ":/img/assets/bnt_arrow_down.svg",
    ":/img/assets/Pressed.svg",
    ":/img/assets/Pressed-1.svg",
    ":/img/assets/btn_search.svg",
    ":/img/assets/btn_camera.svg",
};

const QString kWindowIcon = ":/img/assets/Korvane logo_navigate.png";
const QString kStartupPicture = ":/img/assets/Korvane logo_ system-version.png";
const QString kWaitingGif = ":/img/icon/waiting.gif";
const QString kFont = ":/font/NotoSansSC-Medium.ttf";

int visiblePixels(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            count += qAlpha(line[x]) > 0 ? 1 : 0;
        }
    }
    return count;
}

QImage render(QSvgRenderer& renderer, const QSize& size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

}  // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void svgRenders_data();
    void svgRenders();
    void statesKeepTheNormalSize_data();
    void statesKeepTheNormalSize();
    void pngLoads_data();
    void pngLoads();
    void waitingGifAnimates();
    void fontLoads();
    void collectionHoldsOnlyListedFiles();
};

void TestResources::svgRenders_data() {
    QTest::addColumn<QString>("path");
    for (const QString& path : kSvgPaths) {
        QTest::newRow(qPrintable(path)) << path;
    }
}

// A style sheet draws an icon at its own size, so it must have one and show something there,
// also when shrunk to a 9-pixel slider handle.
void TestResources::svgRenders() {
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), "missing from the resource collection");
    QSvgRenderer renderer(path);
    QVERIFY(renderer.isValid());
    const QSize size = renderer.defaultSize();
    QVERIFY(!size.isEmpty());
    QVERIFY(size.width() <= 200 && size.height() <= 50);
    QVERIFY(visiblePixels(render(renderer, size)) > 0);
    QVERIFY(visiblePixels(render(renderer, size.scaled(9, 9, Qt::KeepAspectRatio))) > 0);
}

void TestResources::statesKeepTheNormalSize_data() {
    QTest::addColumn<QString>("normal");
    QTest::addColumn<QString>("variant");
    const QString prefix = ":/img/assets/";
    for (const QString& path : kSvgPaths) {
        const QString name = path.mid(prefix.size()).chopped(4);
        for (const QString& suffix : QStringList{"_Hover", "_Pressed", "_Disable", "_Selected",
                                                 "_open_hover", "_pressed", "_White"}) {
            if (name.endsWith(suffix)) {
                const QString base = name.chopped(suffix.size());
                QTest::newRow(qPrintable(name)) << prefix + base + ".svg" << path;
            }
        }
    }
    QTest::newRow("Pressed") << prefix + "bnt_arrow_up.svg" << prefix + "Pressed.svg";
    QTest::newRow("Pressed-1") << prefix + "bnt_arrow_down.svg" << prefix + "Pressed-1.svg";
    QTest::newRow("pause") << prefix + "btn_playbar_play.svg" << prefix + "btn_playbar_pause.svg";
    QTest::newRow("thumbs_disable")
        << prefix + "btn_playbar_SelectionPoint.svg" << prefix + "btn_playbar_thumbs_disable.svg";
}

// A hover or pressed image of another size would make the button's content jump.
void TestResources::statesKeepTheNormalSize() {
    QFETCH(QString, normal);
    QFETCH(QString, variant);
    QVERIFY2(kSvgPaths.contains(normal), qPrintable(normal));
    const QSvgRenderer variantRenderer(variant);
    QVERIFY2(variantRenderer.isValid(), qPrintable(variant));
    QCOMPARE(variantRenderer.defaultSize(), QSvgRenderer(normal).defaultSize());
}

void TestResources::pngLoads_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("window icon") << kWindowIcon << QSize(64, 64);
    QTest::newRow("start-up picture") << kStartupPicture << QSize(136, 150);
}

void TestResources::pngLoads() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
    const int pixels = visiblePixels(image);
    QVERIFY(pixels > 0);
    QVERIFY(pixels < size.width() * size.height());
}

void TestResources::waitingGifAnimates() {
    QMovie movie(kWaitingGif);
    QVERIFY(movie.isValid());
    QCOMPARE(movie.format(), QByteArray("gif"));
    QVERIFY(movie.frameCount() > 1);
    QImage previous;
    for (int frame = 0; frame < movie.frameCount(); ++frame) {
        QVERIFY(movie.jumpToFrame(frame));
        QVERIFY(movie.nextFrameDelay() > 0);
        const QImage image = movie.currentImage();
        QCOMPARE(image.size(), QSize(150, 150));
        const int pixels = visiblePixels(image);
        QVERIFY2(pixels > 0 && pixels < 150 * 150, "spinner frames are drawn on transparency");
        QVERIFY2(image != previous, "consecutive frames must differ");
        previous = image;
    }
}

void TestResources::fontLoads() {
    const int id = QFontDatabase::addApplicationFont(kFont);
    QVERIFY(id >= 0);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    QVERIFY(!families.isEmpty());
    QVERIFY(!families.first().isEmpty());

    QFile file(kFont);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QRawFont raw(file.readAll(), 16);
    QVERIFY(raw.isValid());
    const QString needed = QStringLiteral("AZaz09 .:/|-_()%©é…") + QChar(0x9ED1) + QChar(0x4F53);
    for (const QChar c : needed) {
        QVERIFY2(raw.supportsCharacter(c), qPrintable(QString("U+%1").arg(c.unicode(), 4, 16)));
    }
    QVERIFY(QFontDatabase::removeApplicationFont(id));
}

// A file in the collection that nothing names is dead weight or a misspelt path.
void TestResources::collectionHoldsOnlyListedFiles() {
    QSet<QString> expected(kSvgPaths.begin(), kSvgPaths.end());
    expected << kWindowIcon << kStartupPicture << kWaitingGif << kFont;
    QSet<QString> found;
    for (const QString& root : QStringList{":/img", ":/font"}) {
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            found << it.next();
        }
    }
    QCOMPARE(found - expected, QSet<QString>());
    QCOMPARE(expected - found, QSet<QString>());
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
