#include "platform/office/documentkind.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/office/containernames.h"
#include "util/ownedfd.h"

namespace {
bool has(const std::string& bytes, const std::string& what) {
    return bytes.find(what) != std::string::npos;
}

bool lists(const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}
}  // namespace

std::string OtherDocumentKind(const std::string& path) {
    OwnedFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info;
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    std::string head(std::min<uint64_t>(size, 4096), '\0');
    if (!ReadAt(file.get(), 0, head.data(), head.size())) return {};

    // OpenDocument, zipped (the "mimetype" entry) or flat XML.
    if (has(head, "application/vnd.oasis.opendocument.text")) return "a text document";
    if (has(head, "application/vnd.oasis.opendocument.spreadsheet")) return "a spreadsheet";
    if (head.rfind("{\\rtf", 0) == 0) return "a text document";
    // Office Open XML: the part names of the archive.
    if (head.rfind("PK\x03\x04", 0) == 0) {
        const auto names = ZipEntryNames(file.get(), size);
        if (names && !lists(*names, "ppt/presentation.xml")) {
            if (lists(*names, "word/document.xml")) return "a text document";
            if (lists(*names, "xl/workbook.xml")) return "a spreadsheet";
        }
    }
    // Binary Office files: the stream names of the compound file.
    if (head.rfind("\xD0\xCF\x11\xE0", 0) == 0) {
        const auto names = CompoundFileNames(file.get(), size);
        if (names && !lists(*names, "PowerPoint Document")) {
            if (lists(*names, "WordDocument")) return "a text document";
            if (lists(*names, "Workbook")) return "a spreadsheet";
        }
    }
    return {};
}
