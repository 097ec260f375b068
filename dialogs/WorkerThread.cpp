#include "dialogs/WorkerThread.h"

#include <QtDebug>
#include <utility>

WorkerThread::WorkerThread(std::function<void()> task, QObject* parent)
    : QThread(parent), task(std::move(task)) {}

WorkerThread::~WorkerThread() {
    wait();
}

void WorkerThread::run() {
    if (!task) {
        return;
    }
    task();
    qDebug() << "run end";
    emit taskCompleted();
}
