#pragma once

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/KVMessageBox.h"
#include "support/ModalDriver.h"
#include "korvane/Event2D.h"
#include "korvane/RawFileWriter.h"
#include "main_window/KvSlider.h"
#include "main_window/MainWidget.h"
#include "main_window/ShowImageForm.h"
#include "settings/SettingUI.h"

// Answers every Tips box with OK, as a user who read it, and keeps what it said. A box with more
// than OK is noted as such.
class TipsReader : public QObject {
public:
    TipsReader() {
        connect(&timer, &QTimer::timeout, this, &TipsReader::poll);
        timer.start(10);
    }
    QStringList messages;

private:
    void poll() {
        auto* box = qobject_cast<KVMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        const bool okOnly = box->findChild<QPushButton*>("pb_close")->isHidden();
        messages << box->findChild<QLabel*>("lb_show_message")->text() +
                        (okOnly ? "" : " [more than OK]");
        box->findChild<QPushButton*>("pb_open")->click();
    }

    QTimer timer;
};

// Drives a real main window the way a user does: menus, modal dialogs answered by timers, the
// play bar; and reads back what the user sees.
class FlowHarness {
public:
    FlowHarness() {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        window = std::make_unique<MainWidget>();
        window->show();
    }
    ~FlowHarness() {
        window.reset();
        QDir::setCurrent(previousDir);
    }

    MainWidget& main() { return *window; }
    // Tips boxes shown so far.
    QStringList tips() const { return tipsReader.messages; }
    QString path(const QString& name) const { return dir.filePath(name); }

    // Events every stepUs from start to end inclusive, walking the canvas row by row.
    QString writeRecording(const QString& name, uint64_t start, uint64_t end, uint64_t stepUs) {
        korvane::RawFileWriter writer;
        const QString file = path(name);
        if (!writer.open(file.toStdString(), 1280, 720, "TEST")) {
            return {};
        }
        std::vector<korvane::Event2D> events;
        uint64_t index = 0;
        for (uint64_t t = start; t <= end; t += stepUs, ++index) {
            events.emplace_back(uint16_t(index % 1280), uint16_t(index / 1280 % 720),
                                uint8_t(index % 2), t);
            if (events.size() == 65536) {
                writer.write(events.data(), events.size());
                events.clear();
            }
        }
        writer.write(events.data(), events.size());
        return writer.close() ? file : QString();
    }

    // Keys as typed ("Space", "Ctrl+Q", "+", comma-separated), to the focused widget of the
    // window, made active first as a window manager would (also after a dialog).
    void press(const QString& keys) {
        for (const QString& key : keys.split(", ", Qt::SkipEmptyParts)) {
            QApplication::setActiveWindow(window.get());
            const int code = QKeySequence::fromString(key)[0];
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : window.get(), Qt::Key(code & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(code & Qt::KeyboardModifierMask));
        }
    }
    QStringList overlay() const { return window->findChild<ShowImageForm*>()->overlay(); }

    QAction* action(const char* button, const QString& text) {
        for (QAction* entry : child<QPushButton>(button)->menu()->actions()) {
            if (entry->text() == text) {
                return entry;
            }
        }
        return nullptr;
    }

    // File > Open Recording, answering the file dialog with file (or cancelling on empty).
    bool openRecording(const QString& file) {
        ModalDriver driver([file](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            if (file.isEmpty()) {
                dialog->reject();
            } else {
                auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                name->setText(file);
                QTest::keyClick(name, Qt::Key_Return);
            }
        });
        action("pb_menu_file", "Open Recording")->trigger();
        return driver.acted() && !driver.timedOut();
    }

    // Device > Open Camera, choosing row (or Close when row is -1) in the camera list.
    bool openCamera(int row) {
        ModalDriver driver([row](QWidget* modal) {
            auto* list = modal->findChild<QListWidget*>("listWidget_cameras");
            if (!list) {
                modal->close();
                return;
            }
            if (row < 0) {
                modal->findChild<QPushButton*>("pb_close")->click();
                return;
            }
            list->setCurrentRow(row);
            modal->findChild<QPushButton*>("pb_open")->click();
        });
        action("pb_menu_device", "Open Camera")->trigger();
        return driver.acted() && !driver.timedOut();
    }

    // Clicks Record and answers the save dialog with file (or cancels on empty); reports the
    // folder and name the dialog offered.
    bool startRecording(const QString& file, QString* offeredFolder = nullptr,
                        QString* offeredName = nullptr) {
        ModalDriver driver([=](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (offeredFolder) {
                *offeredFolder = dialog->directory().absolutePath();
            }
            if (offeredName) {
                *offeredName = name->text();
            }
            if (file.isEmpty()) {
                dialog->reject();
                return;
            }
            name->setText(file);
            QTest::keyClick(name, Qt::Key_Return);
        });
        QTest::mouseClick(button("pb_record"), Qt::LeftButton);
        return driver.acted() && !driver.timedOut();
    }

    template <typename T>
    T* child(const char* name) const {
        return window->findChild<T*>(name);
    }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    QString timeText() const { return child<QLabel>("label_time")->text(); }
    KvSlider* slider() const { return child<KvSlider>("slider_time"); }
    SettingUI* settings() const { return child<SettingUI>("widget_setting"); }

    // The frame the view shows now.
    QImage shownFrame() const {
        auto* view = window->findChild<ShowImageForm*>()->findChild<QGraphicsView*>();
        for (QGraphicsItem* item : view->scene()->items()) {
            if (auto* pixmapItem = dynamic_cast<QGraphicsPixmapItem*>(item)) {
                return pixmapItem->pixmap().toImage();
            }
        }
        return {};
    }

    static int eventPixels(const QImage& frame) {
        const QImage rgb = frame.convertToFormat(QImage::Format_RGB888);
        int count = 0;
        for (int y = 0; y < rgb.height(); ++y) {
            const uchar* line = rgb.constScanLine(y);
            for (int x = 0; x < rgb.width(); ++x) {
                count += line[3 * x] != 0x70 || line[3 * x + 1] != 0x70 || line[3 * x + 2] != 0x70;
            }
        }
        return count;
    }

    // Playback position as the label shows it, in microseconds.
    static uint64_t labelPosition(const QString& text) {
        const QStringList parts = text.section('/', 0, 0).split(':');
        if (parts.size() != 3) {
            return UINT64_MAX;
        }
        return parts[0].toULongLong() * 60000000 + parts[1].toULongLong() * 1000000 +
               parts[2].toULongLong();
    }

private:
    QTemporaryDir dir;
    QString previousDir;
    TipsReader tipsReader;
    std::unique_ptr<MainWidget> window;
};
