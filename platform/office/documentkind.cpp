#include "platform/office/documentkind.h"

#include <algorithm>

#include "platform/office/containernames.h"

namespace {
bool has(const std::string& bytes, const std::string& what) {
    return bytes.find(what) != std::string::npos;
}

bool lists(const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}
}  // namespace

std::string OtherDocumentKind(const std::string& path) {
    const std::optional<FileHead> opened = OpenFileHead(path);
    if (!opened) return {};
    const std::string& head = opened->head;
    // OpenDocument, zipped (the "mimetype" entry) or flat XML.
    if (has(head, "application/vnd.oasis.opendocument.text")) return "a text document";
    if (has(head, "application/vnd.oasis.opendocument.spreadsheet")) return "a spreadsheet";
    if (head.rfind("{\\rtf", 0) == 0) return "a text document";
    // Office Open XML: the part names of the archive.
    if (head.rfind("PK\x03\x04", 0) == 0) {
        const auto names = ZipEntryNames(opened->file.get(), opened->size);
        if (names && !lists(*names, "ppt/presentation.xml")) {
            if (lists(*names, "word/document.xml")) return "a text document";
            if (lists(*names, "xl/workbook.xml")) return "a spreadsheet";
        }
    }
    // Binary Office files: the stream names of the compound file.
    if (head.rfind("\xD0\xCF\x11\xE0", 0) == 0) {
        const auto names = CompoundFileNames(opened->file.get(), opened->size);
        if (names && !lists(*names, "PowerPoint Document")) {
            if (lists(*names, "WordDocument")) return "a text document";
            if (lists(*names, "Workbook")) return "a spreadsheet";
        }
    }
    return {};
}
