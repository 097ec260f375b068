#pragma once

#include <QStringList>
#include <mutex>

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
        std::lock_guard<std::mutex> lock(mutex);
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
        std::lock_guard<std::mutex> lock(log->mutex);
        log->collected << message;
    }

    // A standard mutex, which ThreadSanitizer sees through, unlike Qt's futex-based one.
    mutable std::mutex mutex;
    QStringList collected;
    QtMessageHandler previous = nullptr;
};
