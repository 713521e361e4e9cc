#include "platform/office/documentkind.h"

#include <fstream>
#include <iterator>

static bool has(const std::string& bytes, const std::string& what) {
    return bytes.find(what) != std::string::npos;
}

static std::string utf16(const std::string& ascii) {
    std::string wide;
    for (const char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

std::string OtherDocumentKind(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string bytes;
    bytes.resize(64 << 20);  // names in archives lie anywhere; presentations rarely exceed this
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    const std::string head = bytes.substr(0, 4096);

    // OpenDocument, zipped (the "mimetype" entry) or flat XML.
    if (has(head, "application/vnd.oasis.opendocument.text")) return "a text document";
    if (has(head, "application/vnd.oasis.opendocument.spreadsheet")) return "a spreadsheet";
    if (head.rfind("{\\rtf", 0) == 0) return "a text document";
    // Office Open XML: the part names stand in the archive's headers.
    if (head.rfind("PK\x03\x04", 0) == 0 && !has(bytes, "ppt/presentation.xml")) {
        if (has(bytes, "word/document.xml")) return "a text document";
        if (has(bytes, "xl/workbook.xml")) return "a spreadsheet";
    }
    // Binary Office files: the stream names of the compound file.
    if (head.rfind("\xD0\xCF\x11\xE0", 0) == 0 && !has(bytes, utf16("PowerPoint Document"))) {
        if (has(bytes, utf16("WordDocument"))) return "a text document";
        if (has(bytes, utf16("Workbook"))) return "a spreadsheet";
    }
    return {};
}
