#pragma once

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Deletes written frames on a thread of its own: freeing a large file's blocks
// takes about as long as writing its pixels, and the two need not wait for
// each other. Every queued frame is gone when the deleter is destroyed.
class FrameDeleter {
  public:
    FrameDeleter();
    ~FrameDeleter();
    FrameDeleter(const FrameDeleter&) = delete;
    FrameDeleter& operator=(const FrameDeleter&) = delete;

    // Deletes the file at `path` (exactly that name, no wildcards); never fails.
    void remove(const QString& path);

  private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<QByteArray> queue_;
    bool stopping_ = false;
    std::thread worker_;
};
