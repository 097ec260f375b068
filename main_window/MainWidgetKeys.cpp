// Keyboard of the main window: one table of keys and the user actions they run. The keys give
// way to a text box being edited, which gets them as it did before there were keys.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>

#include "main_window/MainWidget.h"
#include "main_window/ShowImageForm.h"
#include "ui_MainWidget.h"

namespace {

bool isTextEntry(const QWidget* widget) {
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->isEditable();
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
        return !line->isReadOnly();
    }
    if (const auto* text = qobject_cast<const QTextEdit*>(widget)) {
        return !text->isReadOnly();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) {
        return !plain->isReadOnly();
    }
    return qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

}  // namespace

const std::vector<MainWidget::KeyBinding>& MainWidget::keyBindings() {
    // clang-format off
    static const std::vector<KeyBinding> bindings{
        {&MainWidget::togglePlay, QKeySequence(Qt::Key_Space), "pb_play", QT_TR_NOOP("Play or pause")},
        {&MainWidget::stepBackward, QKeySequence(Qt::Key_Left), "pb_prv", QT_TR_NOOP("Step back")},
        {&MainWidget::stepForward, QKeySequence(Qt::Key_Right), "pb_next", QT_TR_NOOP("Step forward")},
        {&MainWidget::stopAndRewind, QKeySequence(Qt::Key_Home), "pb_stop", QT_TR_NOOP("Stop and rewind")},
        {&MainWidget::toggleLoop, QKeySequence(Qt::Key_L), "pb_loop", QT_TR_NOOP("Loop")},
        {&MainWidget::toggleRecording, QKeySequence(Qt::Key_R), "pb_record", QT_TR_NOOP("Record")},
        {&MainWidget::openRecording, QKeySequence(Qt::CTRL | Qt::Key_O), nullptr, nullptr},
        {&MainWidget::openCamera, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), nullptr, nullptr},
        {&MainWidget::fitFrame, QKeySequence(Qt::Key_F), nullptr, nullptr},
        {&MainWidget::zoomIn, QKeySequence(Qt::Key_Plus), nullptr, nullptr},
        {&MainWidget::zoomIn, QKeySequence(Qt::Key_Equal), nullptr, nullptr},
        {&MainWidget::zoomOut, QKeySequence(Qt::Key_Minus), nullptr, nullptr},
        {&MainWidget::toggleMaximized, QKeySequence(Qt::Key_F11), nullptr, nullptr},
        {&MainWidget::quit, QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr, nullptr},
        {&MainWidget::toggleOverlay, QKeySequence(Qt::Key_I), nullptr, nullptr},
        {&MainWidget::saveFrame, QKeySequence(Qt::CTRL | Qt::Key_S), nullptr, nullptr},
        {&MainWidget::copyFrame, QKeySequence(Qt::CTRL | Qt::Key_C), nullptr, nullptr},
    };
    // clang-format on
    return bindings;
}

// The tooltips name the key from the same table, so they cannot drift apart.
void MainWidget::buildShortcuts() {
    for (const KeyBinding& binding : keyBindings()) {
        auto* shortcut = new QShortcut(binding.key, this);
        connect(shortcut, &QShortcut::activated, this, binding.action);
        shortcuts.push_back(shortcut);
        if (binding.button != nullptr) {
            findChild<QWidget*>(binding.button)
                ->setToolTip(QString("%1 (%2)").arg(
                    tr(binding.tip), binding.key.toString(QKeySequence::NativeText)));
        }
    }
    focusWatch = connect(qApp, &QApplication::focusChanged, this,
                         [this](QWidget*, QWidget* now) { followFocus(now); });
}

// A disabled shortcut lets its key through to the focused widget.
void MainWidget::followFocus(QWidget* now) {
    const bool editing = isTextEntry(now);
    for (QShortcut* shortcut : shortcuts) {
        shortcut->setEnabled(!editing);
    }
}

QKeySequence MainWidget::keyOf(Action action) const {
    for (const KeyBinding& binding : keyBindings()) {
        if (binding.action == action) {
            return binding.key;
        }
    }
    return QKeySequence();
}

void MainWidget::fitFrame() {
    showImageForm->fitFrame();
}

void MainWidget::zoomIn() {
    showImageForm->zoom(true);
}

void MainWidget::zoomOut() {
    showImageForm->zoom(false);
}

// As a click on the maximise button: its corners and checked state follow.
void MainWidget::toggleMaximized() {
    ui->pb_win_max->click();
}

void MainWidget::quit() {
    close();
}
