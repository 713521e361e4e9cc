#include "platform/office/engine/pagebuffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace {
constexpr std::size_t HugePage = std::size_t(2) << 20;
}

PageBuffer::~PageBuffer() {
    release();
}

void PageBuffer::release() {
    if (data_ != nullptr) ::munmap(data_, capacity_);
    data_ = nullptr;
    capacity_ = 0;
}

std::span<unsigned char> PageBuffer::take(std::size_t size) {
    if (size > capacity_) {
        release();
        if (size > SIZE_MAX - HugePage) throw std::bad_alloc();
        const std::size_t capacity = (size + HugePage - 1) / HugePage * HugePage;
        void* data =
            ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED) throw std::bad_alloc();
        // Only a hint: without it the pages are ordinary ones.
        ::madvise(data, capacity, MADV_HUGEPAGE);
        data_ = static_cast<unsigned char*>(data);
        capacity_ = capacity;
    }
    return {data_, size};
}
