#pragma once

#include <QDialog>

class QFramelessHelper;

// A dialog without a system frame; its QFramelessHelper moves, resizes and shadows it.
class QFramelessDialog : public QDialog {
    Q_OBJECT

public:
    QFramelessDialog(QWidget* parent, bool resizable, bool shadow, bool nativeFrame);
    ~QFramelessDialog() override;

    QFramelessHelper* framelessHelper() const { return helper; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;

private:
    // A child of the dialog, deleted with it.
    QFramelessHelper* helper = nullptr;
};
