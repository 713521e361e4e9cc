#include <algorithm>
#include <cstring>

#include "platform/office/containernames.h"

namespace {
constexpr unsigned char Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t HeaderSize = 512, EntrySize = 128, HeaderDifatEntries = 109;
constexpr uint32_t LastRegularSector = 0xFFFFFFFA;
constexpr uint32_t EndOfChain = 0xFFFFFFFE;
// A document's directory takes a few sectors; a chain this long loops or lies.
constexpr uint64_t LongestDirectory = 4096;

// The sector chains of one compound file, read a few bytes at a time.
class Sectors {
  public:
    Sectors(int fd, uint64_t fileSize, const unsigned char* header, unsigned shift)
        : fd_(fd), fileSize_(fileSize), header_(header), shift_(shift) {}

    uint64_t size() const { return uint64_t(1) << shift_; }
    // Where sector `sector` starts, or nullopt when it is not wholly in the file.
    std::optional<uint64_t> offset(uint32_t sector) const {
        if (sector > LastRegularSector) return std::nullopt;
        const uint64_t at = (uint64_t(sector) + 1) << shift_;  // at most 2^44
        if (at > fileSize_ || size() > fileSize_ - at) return std::nullopt;
        return at;
    }
    // The 32-bit word `index` of sector `sector`.
    std::optional<uint32_t> word(uint32_t sector, uint64_t index) const {
        const std::optional<uint64_t> at = offset(sector);
        unsigned char bytes[4];
        if (!at || index >= size() / 4 || !ReadAt(fd_, *at + index * 4, bytes, 4))
            return std::nullopt;
        return Little32(bytes);
    }
    // The sector after `sector` in its chain, from the allocation table.
    std::optional<uint32_t> next(uint32_t sector) const {
        const uint64_t perSector = size() / 4;
        const std::optional<uint32_t> tableSector = tablePart(sector / perSector);
        if (!tableSector) return std::nullopt;
        return word(*tableSector, sector % perSector);
    }

  private:
    // The sector holding part `part` of the allocation table: the header lists
    // the first 109, a chain of sectors the rest (the last word of each links on).
    std::optional<uint32_t> tablePart(uint64_t part) const {
        if (part >= Little32(header_ + 0x2C)) return std::nullopt;
        if (part < HeaderDifatEntries) return Little32(header_ + 0x4C + part * 4);
        part -= HeaderDifatEntries;
        const uint64_t perSector = size() / 4 - 1;
        uint64_t hops = part / perSector;
        if (hops >= Little32(header_ + 0x48) || hops > fileSize_ >> shift_) return std::nullopt;
        std::optional<uint32_t> sector = Little32(header_ + 0x44);
        for (; sector && hops > 0; --hops) sector = word(*sector, perSector);
        if (!sector) return std::nullopt;
        return word(*sector, part % perSector);
    }

    int fd_;
    uint64_t fileSize_;
    const unsigned char* header_;
    unsigned shift_;
};

std::string entryName(const unsigned char* entry) {
    const uint32_t bytes = std::min<uint32_t>(Little16(entry + 0x40), 64);
    std::string name;
    for (uint32_t at = 0; at + 1 < bytes; at += 2) {
        const uint32_t character = Little16(entry + at);
        if (character == 0) break;
        name += character < 0x80 ? char(character) : '?';
    }
    return name;
}
}  // namespace

std::optional<std::vector<std::string>> CompoundFileNames(int fd, uint64_t fileSize) {
    unsigned char header[HeaderSize];
    if (fileSize < HeaderSize || !ReadAt(fd, 0, header, sizeof header) ||
        std::memcmp(header, Signature, sizeof Signature) != 0)
        return std::nullopt;
    const unsigned shift = Little16(header + 0x1E);
    if (shift != 9 && shift != 12) return std::nullopt;
    const Sectors sectors(fd, fileSize, header, shift);

    std::vector<std::string> names;
    std::vector<unsigned char> sector(sectors.size());
    uint64_t budget = LongestDirectory;
    for (uint32_t at = Little32(header + 0x30); at != EndOfChain;) {
        const std::optional<uint64_t> offset = sectors.offset(at);
        if (!offset || budget-- == 0 || !ReadAt(fd, *offset, sector.data(), sector.size()))
            return std::nullopt;
        for (size_t entry = 0; entry + EntrySize <= sector.size(); entry += EntrySize) {
            const unsigned type = sector[entry + 0x42];
            if (type == 1 || type == 2) names.push_back(entryName(sector.data() + entry));
        }
        const std::optional<uint32_t> next = sectors.next(at);
        if (!next) return std::nullopt;
        at = *next;
    }
    return names;
}
