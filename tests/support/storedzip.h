#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <utility>

// A zip archive of `entries` (name, content), stored without compression, in
// that order: enough for the packages LibreOffice reads (.odp, .pptx).
inline QByteArray StoredZip(const QList<std::pair<QByteArray, QByteArray>>& entries) {
    const auto crc32 = [](const QByteArray& data) {
        uint32_t crc = 0xffffffffu;
        for (const char byte : data) {
            crc ^= static_cast<unsigned char>(byte);
            for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    };
    QByteArray archive, directory;
    const auto put = [](QByteArray& out, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.append(char((value >> (8 * i)) & 0xff));
    };
    for (const auto& [name, data] : entries) {
        const uint32_t offset = uint32_t(archive.size());
        const uint32_t crc = crc32(data);
        // Version 2.0, no flags, stored, 1980-01-01 00:00.
        const auto common = [&](QByteArray& out) {
            put(out, 20, 2), put(out, 0, 2), put(out, 0, 2), put(out, 0, 2), put(out, 0x21, 2);
            put(out, crc, 4), put(out, uint32_t(data.size()), 4),
                put(out, uint32_t(data.size()), 4);
            put(out, uint32_t(name.size()), 2), put(out, 0, 2);
        };
        put(archive, 0x04034b50, 4);
        common(archive);
        archive += name + data;
        put(directory, 0x02014b50, 4);
        put(directory, 20, 2);
        common(directory);
        put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 2), put(directory, 0, 4);
        put(directory, offset, 4);
        directory += name;
    }
    const uint32_t start = uint32_t(archive.size());
    archive += directory;
    put(archive, 0x06054b50, 4), put(archive, 0, 2), put(archive, 0, 2);
    put(archive, uint32_t(entries.size()), 2), put(archive, uint32_t(entries.size()), 2);
    put(archive, uint32_t(directory.size()), 4), put(archive, start, 4), put(archive, 0, 2);
    return archive;
}
