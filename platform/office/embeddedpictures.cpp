#include "platform/office/embeddedpictures.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/office/containernames.h"

namespace {
bool anyStartsWith(const std::vector<std::string>& names,
                   std::initializer_list<const char*> folders) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return std::any_of(folders.begin(), folders.end(),
                           [&](const char* folder) { return name.rfind(folder, 0) == 0; });
    });
}

// Whether the text from `offset` on contains any of `marks`, read in pieces
// that overlap by the longest mark, so none is missed at a seam.
std::optional<bool> contains(int fd, uint64_t offset, uint64_t size,
                             std::initializer_list<std::string_view> marks) {
    size_t longest = 0;
    for (std::string_view mark : marks) longest = std::max(longest, mark.size());
    std::string piece;
    while (offset < size) {
        const size_t kept = std::min(piece.size(), longest - 1);
        piece.erase(0, piece.size() - kept);
        const size_t fresh = static_cast<size_t>(std::min<uint64_t>(size - offset, 1 << 16));
        piece.resize(kept + fresh);
        if (!ReadAt(fd, offset, piece.data() + kept, fresh)) return std::nullopt;
        offset += fresh;
        for (std::string_view mark : marks)
            if (piece.find(mark) != std::string::npos) return true;
    }
    return false;
}
}  // namespace

bool MayHoldPictures(const std::string& path) {
    const std::optional<FileHead> opened = OpenFileHead(path);
    if (!opened) return true;
    const std::string& head = opened->head;
    const int file = opened->file.get();
    const uint64_t size = opened->size;

    // Office Open XML keeps pictures under ppt/media/, OpenDocument under
    // Pictures/ (and object previews under ObjectReplacements/).
    if (head.rfind("PK\x03\x04", 0) == 0) {
        const auto names = ZipEntryNames(file, size);
        return !names || anyStartsWith(*names, {"ppt/media/", "Pictures/", "ObjectReplacements/"});
    }
    // Binary PowerPoint keeps them in the "Pictures" stream.
    if (head.rfind("\xD0\xCF\x11\xE0", 0) == 0) {
        const auto names = CompoundFileNames(file, size);
        return !names || std::find(names->begin(), names->end(), "Pictures") != names->end();
    }
    // Flat OpenDocument: pictures inline as base64, or linked.
    if (head.find("<office:document") != std::string::npos) {
        const auto found = contains(file, 0, size, {"<office:binary-data", "<draw:image"});
        return !found || *found;
    }
    return true;
}
