#pragma once

#include <QThread>
#include <functional>

// Runs one task on its own thread per start() and announces its end with taskCompleted.
//
// Ownership: the open flow keeps the thread in a std::unique_ptr (declared after the objects the
// task touches) and replaces it for the next open. The destructor waits for run() to return, so
// the object is never deleted while its task runs, even when the waiting window was closed early
// with Escape or the owner goes away mid-task; nothing is left for a deferred delete to miss.
class WorkerThread : public QThread {
    Q_OBJECT

public:
    WorkerThread(std::function<void()> task, QObject* parent);
    // GUI thread only; blocks until a running task has returned.
    ~WorkerThread() override;

signals:
    // Emitted on the worker thread after the task returned; never for an empty task.
    void taskCompleted();

private:
    void run() override;

    std::function<void()> task;
};
