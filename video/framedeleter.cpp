#include "video/framedeleter.h"

#include <unistd.h>

#include <QFile>

FrameDeleter::FrameDeleter() : worker_([this] { run(); }) {}

FrameDeleter::~FrameDeleter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void FrameDeleter::remove(const QString& path) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(QFile::encodeName(path));
    }
    wake_.notify_one();
}

void FrameDeleter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;  // stopping, and nothing is left
        const QByteArray path = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        ::unlink(path.constData());  // a frame that is already gone is no error
        lock.lock();
    }
}
