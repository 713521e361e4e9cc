#pragma once

#include <QString>
#include <optional>

// The file kinds a video can be written as; AVI unless the user chose another.
enum class VideoContainer { Avi, Mp4, Matroska };

// ".avi", ".mp4" or ".mkv".
QString ContainerExtension(VideoContainer container);
// The container a video path's extension names (any case); AVI for any other name.
VideoContainer ContainerForPath(const QString& path);
// "avi", "mp4" or "mkv" (any case), as the command line and the settings store write it.
std::optional<VideoContainer> ContainerNamed(const QString& text);
QString ContainerKey(VideoContainer container);
