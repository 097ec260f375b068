#include "pipeline/RateCurveWorker.h"

#include <QThread>
#include <chrono>

namespace {

constexpr std::chrono::milliseconds progressEvery(500);

}  // namespace

RateCurveWorker::RateCurveWorker(QObject* parent) : QObject(parent) {
    qRegisterMetaType<korvane::EventRate>();
}

RateCurveWorker::~RateCurveWorker() {
    stop();
}

void RateCurveWorker::start(const QString& path) {
    stop();
    stopping = false;
    thread = QThread::create([this, path] { count(path); });
    thread->start(QThread::IdlePriority);
}

void RateCurveWorker::stop() {
    if (thread == nullptr) {
        return;
    }
    stopping = true;
    thread->wait();
    delete thread;
    thread = nullptr;
}

void RateCurveWorker::count(const QString& path) {
    korvane::EventRateOptions options;
    options.binUs = 1000;
    options.maxBins = maxBins;
    options.widen = true;
    auto lastShown = std::chrono::steady_clock::now();
    const auto progress = [&](double done, const korvane::EventRate& soFar) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown >= progressEvery) {
            lastShown = now;
            emit progressed(static_cast<int>(100 * done), soFar);
        }
        return !stopping;
    };
    korvane::EventRate rate;
    std::string error;
    if (korvane::countEventRate(path.toLocal8Bit().toStdString(), options, rate, error, progress)) {
        emit finished(rate);
    } else if (!stopping) {
        emit failed(QString::fromStdString(error));
    }
}
