#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

// Collects the debug lines written while it lives, from any thread.
class MessageLog {
public:
    MessageLog() {
        current() = this;
        previous = qInstallMessageHandler(&MessageLog::handle);
    }
    ~MessageLog() {
        qInstallMessageHandler(previous);
        current() = nullptr;
    }

    QStringList lines() const {
        QMutexLocker locker(&mutex);
        return collected;
    }
    int count(const QString& line) const { return lines().count(line); }

private:
    static MessageLog*& current() {
        static MessageLog* log = nullptr;
        return log;
    }
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message) {
        MessageLog* log = current();
        QMutexLocker locker(&log->mutex);
        log->collected << message;
    }

    mutable QMutex mutex;
    QStringList collected;
    QtMessageHandler previous = nullptr;
};
