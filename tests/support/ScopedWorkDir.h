#pragma once

#include <QDir>
#include <QTemporaryDir>

// Runs a test inside a fresh temporary folder, so config.ini and recordings land there, and
// puts the previous working folder back afterwards.
class ScopedWorkDir {
public:
    ScopedWorkDir() : previous(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~ScopedWorkDir() { QDir::setCurrent(previous); }
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    QString path() const { return dir.path(); }
    QString filePath(const QString& name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
    QString previous;
};
