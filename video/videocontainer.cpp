#include "video/videocontainer.h"

#include <QFileInfo>

namespace {
struct ContainerName {
    VideoContainer container;
    const char* key;
    const char* extension;
};
constexpr ContainerName containers[] = {
    {VideoContainer::Avi, "avi", ".avi"},
    {VideoContainer::Mp4, "mp4", ".mp4"},
    {VideoContainer::Matroska, "mkv", ".mkv"},
};

const ContainerName& entry(VideoContainer container) {
    for (const ContainerName& named : containers)
        if (named.container == container) return named;
    return containers[0];
}

}  // namespace

QString ContainerExtension(VideoContainer container) {
    return QLatin1String(entry(container).extension);
}

QString ContainerKey(VideoContainer container) {
    return QLatin1String(entry(container).key);
}

VideoContainer ContainerForPath(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    for (const ContainerName& named : containers)
        if (name.endsWith(QLatin1String(named.extension), Qt::CaseInsensitive))
            return named.container;
    return VideoContainer::Avi;
}

std::optional<VideoContainer> ContainerNamed(const QString& text) {
    for (const ContainerName& named : containers)
        if (text.trimmed().compare(QLatin1String(named.key), Qt::CaseInsensitive) == 0)
            return named.container;
    return std::nullopt;
}
