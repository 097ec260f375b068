#pragma once

#include <QThread>
#include <functional>

// Runs one task on its own thread per start() and announces its end with taskCompleted.
//
// Ownership: whoever starts it owns it, on its stack or in a std::unique_ptr, never through
// deleteLater, and declares it after the objects the task touches. The destructor waits for
// run() to return, so the object is never deleted while its task runs, even when the waiting
// window was closed early with Escape; call wait() first where the results are needed.
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
