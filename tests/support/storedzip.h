#pragma once

#include <zip.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <utility>

// Writes `entries` (name, content) as a zip archive at `path`, each stored
// uncompressed and in that order, as a package's mimetype must come first.
// False when it cannot be written.
inline bool WriteStoredZip(const QString& path,
                           const QList<std::pair<QByteArray, QByteArray>>& entries) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) return false;
    bool added = true;
    for (const auto& [name, data] : entries) {
        zip_source_t* source =
            zip_source_buffer(zip, data.constData(), zip_uint64_t(data.size()), 0);
        const zip_int64_t index = source ? zip_file_add(zip, name.constData(), source, 0) : -1;
        if (index < 0) zip_source_free(source);
        added = added && index >= 0 && zip_set_file_compression(zip, index, ZIP_CM_STORE, 0) == 0;
    }
    if (!added) {
        zip_discard(zip);
        return false;
    }
    return zip_close(zip) == 0;
}
