#include "engine/ooxmladvancetimes.h"

#include <zip.h>

#include <QByteArray>
#include <QXmlStreamReader>
#include <memory>

namespace {
// Far above any slide's XML; a larger entry is a bomb, not a slide.
constexpr zip_uint64_t MostEntryBytes = zip_uint64_t(32) << 20;
constexpr int MostSlides = 100'000;

struct ZipCloser {
    void operator()(zip_t* zip) const { zip_discard(zip); }
};
struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Zip = std::unique_ptr<zip_t, ZipCloser>;

std::optional<QByteArray> readEntry(zip_t* zip, const QString& name) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    const QByteArray utf8 = name.toUtf8();
    if (zip_stat(zip, utf8.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > MostEntryBytes)
        return std::nullopt;
    std::unique_ptr<zip_file_t, EntryCloser> file(zip_fopen(zip, utf8.constData(), 0));
    if (!file) return std::nullopt;
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    zip_uint64_t done = 0;
    while (done < stat.size) {
        const zip_int64_t got = zip_fread(file.get(), bytes.data() + done, stat.size - done);
        if (got <= 0) return std::nullopt;
        done += zip_uint64_t(got);
    }
    return bytes;
}

// A relationship part's targets by id, resolved against `folder` ("" or "ppt/").
QList<std::pair<QString, QString>> relationships(const QByteArray& xml, const QString& folder) {
    QList<std::pair<QString, QString>> found;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != u"Relationship") continue;
        const auto attributes = reader.attributes();
        if (attributes.value(QLatin1String("TargetMode")) == u"External") continue;
        QString target = attributes.value(QLatin1String("Target")).toString();
        target = target.startsWith(QLatin1Char('/')) ? target.mid(1) : folder + target;
        found.append({attributes.value(QLatin1String("Id")).toString() + QLatin1Char(' ') +
                          attributes.value(QLatin1String("Type")).toString(),
                      target});
    }
    return reader.hasError() ? QList<std::pair<QString, QString>>() : found;
}

std::optional<QString> targetOf(const QList<std::pair<QString, QString>>& relations,
                                const QString& id) {
    for (const auto& [key, target] : relations)
        if (key.section(QLatin1Char(' '), 0, 0) == id) return target;
    return std::nullopt;
}

// The slide's advTm, from its first transition (an alternate content's
// choice and fallback carry the same one).
std::optional<std::optional<qint64>> advanceOf(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != u"transition") continue;
        const QStringView text = reader.attributes().value(QLatin1String("advTm"));
        if (text.isEmpty()) return std::optional<qint64>();
        bool ok = false;
        const qint64 ms = text.toLongLong(&ok);
        // Past a day is no timing a slide show keeps.
        if (!ok || ms < 0 || ms > 86'400'000) return std::nullopt;
        return std::optional<qint64>(ms);
    }
    if (reader.hasError()) return std::nullopt;
    return std::optional<qint64>();
}
}  // namespace

std::optional<QList<std::optional<qint64>>> OoxmlAdvanceTimes(const QString& path) {
    int error = 0;
    Zip zip(zip_open(path.toUtf8().constData(), ZIP_RDONLY, &error));
    if (!zip) return std::nullopt;
    const std::optional<QByteArray> packageRelations =
        readEntry(zip.get(), QStringLiteral("_rels/.rels"));
    if (!packageRelations) return std::nullopt;
    QString presentation;
    for (const auto& [key, target] : relationships(*packageRelations, QString()))
        if (key.endsWith(u"/officeDocument")) presentation = target;
    const qsizetype slash = presentation.lastIndexOf(QLatin1Char('/'));
    if (presentation.isEmpty()) return std::nullopt;
    const QString folder = presentation.left(slash + 1);
    const std::optional<QByteArray> document = readEntry(zip.get(), presentation);
    const std::optional<QByteArray> documentRelations =
        readEntry(zip.get(), folder + QStringLiteral("_rels/") + presentation.mid(slash + 1) +
                                 QStringLiteral(".rels"));
    if (!document || !documentRelations) return std::nullopt;
    const auto relations = relationships(*documentRelations, folder);

    QList<std::optional<qint64>> times;
    QXmlStreamReader reader(*document);
    bool inList = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == u"sldIdLst") break;
        if (!reader.isStartElement()) continue;
        if (reader.name() == u"sldIdLst") inList = true;
        if (!inList || reader.name() != u"sldId") continue;
        QString id;
        for (const QXmlStreamAttribute& attribute : reader.attributes())
            if (attribute.name() == u"id" && !attribute.prefix().isEmpty())
                id = attribute.value().toString();
        const std::optional<QString> slide = targetOf(relations, id);
        if (!slide || times.size() >= MostSlides) return std::nullopt;
        const std::optional<QByteArray> xml = readEntry(zip.get(), *slide);
        if (!xml) return std::nullopt;
        const std::optional<std::optional<qint64>> advance = advanceOf(*xml);
        if (!advance) return std::nullopt;
        times.append(*advance);
    }
    if (reader.hasError()) return std::nullopt;
    return times;
}
