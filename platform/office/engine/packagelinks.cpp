#include "platform/office/engine/packagelinks.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/office/engine/zippackage.h"

namespace {
// Far above any slide show written as one flat file.
constexpr std::streamoff MostFlatBytes = std::streamoff(256) << 20;

struct Tag {
    std::string_view name;  // as written, with its prefix
    std::vector<std::pair<std::string_view, std::string_view>> attributes;  // raw values
};

std::string_view localName(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool nameChar(char c) {
    return !space(c) && c != '=' && c != '>' && c != '/' && c != '<' && c != '"' && c != '\'';
}

// Gives `visit` each start tag in order. True only when the whole text was
// read as plain elements (comments and processing instructions skipped) and
// `visit` never returned false: a document type could declare entities that
// hide a link, so it ends the reading like any tag that cannot be read.
template <class Visit>
bool eachTag(std::string_view text, Visit visit) {
    size_t i = 0;
    bool seen = false;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        if (text.substr(i, 4) == "<!--" || text.substr(i, 2) == "<?") {
            const std::string_view end = text[i + 1] == '?' ? "?>" : "-->";
            i = text.find(end, i + 2);
            if (i == std::string_view::npos) return false;
            i += end.size();
            continue;
        }
        if (text.substr(i, 2) == "<!") return false;
        if (text.substr(i, 2) == "</") {
            i = text.find('>', i);
            if (i == std::string_view::npos) return false;
            continue;
        }
        Tag tag;
        const size_t nameBegin = ++i;
        while (i < text.size() && nameChar(text[i])) ++i;
        tag.name = text.substr(nameBegin, i - nameBegin);
        if (tag.name.empty()) return false;
        for (;;) {
            while (i < text.size() && space(text[i])) ++i;
            if (i >= text.size()) return false;
            if (text[i] == '>' || text.substr(i, 2) == "/>") break;
            const size_t attrBegin = i;
            while (i < text.size() && nameChar(text[i])) ++i;
            const std::string_view attribute = text.substr(attrBegin, i - attrBegin);
            while (i < text.size() && space(text[i])) ++i;
            if (attribute.empty() || i >= text.size() || text[i] != '=') return false;
            ++i;
            while (i < text.size() && space(text[i])) ++i;
            if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return false;
            const size_t end = text.find(text[i], i + 1);
            if (end == std::string_view::npos) return false;
            tag.attributes.emplace_back(attribute, text.substr(i + 1, end - i - 1));
            i = end + 1;
        }
        seen = true;
        if (!visit(tag)) return false;
    }
    return seen;
}

// Office Open XML names what lies outside the package only in its
// relationships, as external targets.
bool openXmlMayLink(const ZipPackage& package, const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        // Embedded objects and legacy drawings carry links of their own.
        if (entry.find("embeddings/") != std::string::npos ||
            entry.find("activeX/") != std::string::npos ||
            (entry.size() > 4 && entry.compare(entry.size() - 4, 4, ".vml") == 0))
            return true;
    }
    for (const std::string& entry : entries) {
        if (entry.size() < 5 || entry.compare(entry.size() - 5, 5, ".rels") != 0) continue;
        const std::string text = package.read(entry);
        const bool plain = eachTag(text, [](const Tag& tag) {
            if (localName(tag.name) != "Relationship") return true;
            std::string_view mode = "Internal", type, target;
            for (const auto& [attribute, value] : tag.attributes) {
                if (value.find('&') != std::string_view::npos) return false;
                const std::string_view name = localName(attribute);
                if (name == "TargetMode") mode = value;
                if (name == "Type") type = value;
                if (name == "Target") target = value;
            }
            if (mode != "Internal")
                return type.size() >= 10 && type.substr(type.size() - 10) == "/hyperlink";
            return target.find(':') == std::string_view::npos;
        });
        if (!plain) return true;
    }
    return false;
}

// ODF names what it loads in href attributes; `holds` says which of them
// are the file's own (a package's files; none in a flat file).
template <class Holds>
bool odfMayLink(std::string_view text, Holds holds) {
    return !eachTag(text, [&](const Tag& tag) {
        if (localName(tag.name) == "a") return true;  // a hyperlink loads nothing
        for (const auto& [attribute, value] : tag.attributes) {
            if (localName(attribute) != "href") continue;
            if (value.find('&') != std::string_view::npos) return false;
            if (!value.empty() && value[0] != '#' && !holds(std::string(value))) return false;
        }
        return true;
    });
}

bool packageMayLink(const std::string& path) {
    const ZipPackage package(path, ZipPackage::Access::ReadOnly);
    const std::vector<std::string> entries = package.entries();
    const auto has = [&](const char* name) {
        return std::find(entries.begin(), entries.end(), name) != entries.end();
    };
    const bool openXml = has("[Content_Types].xml");
    const bool odf = has("content.xml");
    if (!openXml && !odf) return true;
    if (openXml && openXmlMayLink(package, entries)) return true;
    if (!odf) return false;
    // An embedded object is a folder of the package, with links of its own.
    const auto ownFile = [&](const std::string& reference) { return package.holdsFile(reference); };
    const std::string content = package.read("content.xml");
    if (content.empty() || odfMayLink(content, ownFile)) return true;
    const std::string styles = package.read("styles.xml");
    return has("styles.xml") && (styles.empty() || odfMayLink(styles, ownFile));
}

bool flatMayLink(std::ifstream& in) {
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > MostFlatBytes) return true;
    in.seekg(0);
    std::string text(size_t(size), '\0');
    if (!in.read(text.data(), size)) return true;
    bool flatOdf = false;
    eachTag(text, [&](const Tag& tag) {
        flatOdf = tag.name == "office:document";
        return false;
    });
    if (!flatOdf) return true;
    return odfMayLink(text, [](const std::string&) { return false; });
}
}  // namespace

bool MayLinkOutside(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 4> head{};
    if (!in.read(head.data(), head.size())) return true;
    if (std::string_view(head.data(), head.size()) != std::string_view("PK\3\4", 4))
        return flatMayLink(in);
    try {
        return packageMayLink(path);
    } catch (const std::runtime_error&) {
        return true;
    }
}
