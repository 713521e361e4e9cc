#include <algorithm>

#include "platform/office/containernames.h"

namespace {
constexpr uint32_t EndSignature = 0x06054b50;
constexpr uint32_t Zip64LocatorSignature = 0x07064b50;
constexpr uint32_t Zip64EndSignature = 0x06064b50;
constexpr uint32_t EntrySignature = 0x02014b50;
constexpr uint64_t EndSize = 22, LocatorSize = 20, Zip64EndSize = 56, EntrySize = 46;
// A presentation's directory is a few kilobytes; anything near this is not one.
constexpr uint64_t LargestDirectory = 16 << 20;

struct Directory {
    uint64_t entries, size, offset;
};

// The end record closes the file, followed only by its comment (up to 65535
// bytes); a ZIP64 locator may stand just before it.
std::optional<Directory> findDirectory(int fd, uint64_t fileSize) {
    const uint64_t tailSize = std::min<uint64_t>(fileSize, LocatorSize + EndSize + 0xFFFF);
    std::vector<unsigned char> tail(tailSize);
    if (tailSize < EndSize || !ReadAt(fd, fileSize - tailSize, tail.data(), tailSize))
        return std::nullopt;
    for (uint64_t at = tailSize - EndSize + 1; at-- > 0;) {
        const unsigned char* end = tail.data() + at;
        if (Little32(end) != EndSignature) continue;
        Directory directory{Little16(end + 10), Little32(end + 12), Little32(end + 16)};
        if (directory.entries != 0xFFFF && directory.size != 0xFFFFFFFF &&
            directory.offset != 0xFFFFFFFF)
            return directory;
        if (at < LocatorSize) return std::nullopt;
        const unsigned char* locator = end - LocatorSize;
        if (Little32(locator) != Zip64LocatorSignature) return std::nullopt;
        const uint64_t recordAt = Little64(locator + 8);
        unsigned char record[Zip64EndSize];
        if (fileSize < Zip64EndSize || recordAt > fileSize - Zip64EndSize ||
            !ReadAt(fd, recordAt, record, sizeof record) || Little32(record) != Zip64EndSignature)
            return std::nullopt;
        return Directory{Little64(record + 32), Little64(record + 40), Little64(record + 48)};
    }
    return std::nullopt;
}
}  // namespace

std::optional<std::vector<std::string>> ZipEntryNames(int fd, uint64_t fileSize) {
    const std::optional<Directory> directory = findDirectory(fd, fileSize);
    if (!directory || directory->size > LargestDirectory || directory->offset > fileSize ||
        directory->size > fileSize - directory->offset)
        return std::nullopt;
    std::vector<unsigned char> bytes(directory->size);
    if (!ReadAt(fd, directory->offset, bytes.data(), bytes.size())) return std::nullopt;

    std::vector<std::string> names;
    uint64_t at = 0;
    for (uint64_t entry = 0; entry < directory->entries; ++entry) {
        const uint64_t left = bytes.size() - at;
        const unsigned char* record = bytes.data() + at;
        if (left < EntrySize || Little32(record) != EntrySignature) return std::nullopt;
        const uint64_t nameSize = Little16(record + 28);
        const uint64_t size = EntrySize + nameSize + Little16(record + 30) + Little16(record + 32);
        if (size > left) return std::nullopt;
        names.emplace_back(reinterpret_cast<const char*>(record + EntrySize), nameSize);
        at += size;
    }
    return names;
}
