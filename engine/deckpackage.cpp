#include "engine/deckpackage.h"

#include <zip.h>

#include <QFile>
#include <QSaveFile>
#include <memory>

namespace {
// More than any slide's content.xml holds: a hostile entry must not fill memory.
constexpr zip_uint64_t MostContentBytes = 256ULL << 20;
// Past this one medium is not a slide's sound but a fault.
constexpr zip_uint64_t MostMediaBytes = 4ULL << 30;

struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileClose>;

QString zipError(zip_t* zip) {
    return QString::fromUtf8(zip_strerror(zip));
}
}  // namespace

DeckPackage::DeckPackage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = file.errorString();
        return;
    }
    if (file.peek(2) != "PK") {
        content_ = file.read(qint64(MostContentBytes));
        return;
    }
    file.close();
    int code = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!zip_) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        error_ = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        return;
    }
    zip_stat_t info;
    zip_stat_init(&info);
    if (zip_stat(zip_, "content.xml", 0, &info) != 0 || !(info.valid & ZIP_STAT_SIZE)) {
        error_ = QStringLiteral("the package holds no content.xml");
        return;
    }
    if (info.size > MostContentBytes) {
        error_ = QStringLiteral("its content.xml is larger than any presentation's");
        return;
    }
    ZipFilePtr entry(zip_fopen(zip_, "content.xml", 0));
    if (!entry) {
        error_ = zipError(zip_);
        return;
    }
    content_.resize(qsizetype(info.size));
    const zip_int64_t read = zip_fread(entry.get(), content_.data(), info.size);
    if (read < 0 || zip_uint64_t(read) != info.size) {
        error_ = QStringLiteral("its content.xml cannot be read (%1)")
                     .arg(QString::fromUtf8(zip_file_strerror(entry.get())));
        content_.clear();
    }
}

DeckPackage::~DeckPackage() {
    if (zip_) zip_discard(zip_);
}

bool DeckPackage::holds(const QString& name) const {
    return zip_ && !name.isEmpty() && zip_name_locate(zip_, name.toUtf8().constData(), 0) >= 0;
}

QString DeckPackage::extract(const QString& name, const QString& target) const {
    if (!holds(name)) return QStringLiteral("the presentation does not hold it");
    zip_stat_t info;
    zip_stat_init(&info);
    const QByteArray entryName = name.toUtf8();
    if (zip_stat(zip_, entryName.constData(), 0, &info) != 0 || !(info.valid & ZIP_STAT_SIZE))
        return zipError(zip_);
    if (info.size > MostMediaBytes) return QStringLiteral("it is larger than 4 GiB");
    ZipFilePtr entry(zip_fopen(zip_, entryName.constData(), 0));
    if (!entry) return zipError(zip_);
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return out.errorString();
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    zip_uint64_t total = 0;
    for (;;) {
        const zip_int64_t read = zip_fread(entry.get(), buffer.data(), zip_uint64_t(buffer.size()));
        if (read < 0) return QString::fromUtf8(zip_file_strerror(entry.get()));
        if (read == 0) break;
        total += zip_uint64_t(read);
        if (total > info.size) return QStringLiteral("it holds more than its size says");
        if (out.write(buffer.constData(), read) != read) return out.errorString();
    }
    if (!out.commit()) return out.errorString();
    return {};
}
