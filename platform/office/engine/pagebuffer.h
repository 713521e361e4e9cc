#pragma once

#include <cstddef>
#include <span>

// Memory for one slide's pixels, kept from slide to slide so its pages are
// faulted in once per engine, and backed by huge pages where the system lends
// them on request. Growing it drops what it held.
class PageBuffer {
  public:
    PageBuffer() = default;
    ~PageBuffer();
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    // `size` bytes; throws std::bad_alloc when the system has none.
    std::span<unsigned char> take(std::size_t size);

  private:
    void release();

    unsigned char* data_ = nullptr;
    std::size_t capacity_ = 0;
};
