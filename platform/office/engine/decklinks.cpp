#include "platform/office/engine/decklinks.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/office/engine/fileurl.h"

namespace {
// Elements that load what their xlink:href names, and what they show.
const std::map<std::string, std::string, std::less<>> LoadingElements = {
    {"draw:image", "picture"},
    {"draw:fill-image", "picture"},
    {"style:background-image", "picture"},
    {"draw:plugin", "media"},
    {"draw:object", "object"},
    {"draw:object-ole", "object"},
    {"draw:applet", "object"},
    {"draw:floating-frame", "object"},
    {"presentation:sound", "sound"},
    {"svg:font-face-uri", "font"},
};

bool nameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
           c == '-' || c == '_' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
}

bool space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void appendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// An attribute value with its five entities and character references
// decoded; false for any other reference.
bool decodeValue(const std::string& raw, std::string& out) {
    out.clear();
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const size_t end = raw.find(';', i);
        if (end == std::string::npos || end - i > 12) return false;
        const std::string name = raw.substr(i + 1, end - i - 1);
        static const std::map<std::string, char> named = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        if (const auto it = named.find(name); it != named.end()) {
            out += it->second;
        } else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string digits = name.substr(hex ? 2 : 1);
            char* stop = nullptr;
            const unsigned long code = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
            if (digits.empty() || *stop != '\0' || code == 0 || code > 0x10FFFF) return false;
            appendUtf8(out, code);
        } else {
            return false;
        }
        i = end;
    }
    return true;
}

struct Open {
    std::string name;
    size_t begin;
    std::vector<size_t> cutsEndingHere;
};

size_t skipPast(const std::string& text, size_t from, const char* end) {
    const size_t at = text.find(end, from);
    return at == std::string::npos ? std::string::npos : at + std::strlen(end);
}
}  // namespace

LinkScan ScanDeckLinks(const std::string& text) {
    LinkScan scan;
    std::vector<Open> open;
    size_t i = 0;
    bool rootSeen = false;
    const auto fail = [&](const std::string& why) {
        scan.links.clear();
        scan.error = why + " at byte " + std::to_string(i);
        return scan;
    };
    while ((i = text.find('<', i)) != std::string::npos) {
        const size_t tagBegin = i;
        if (text.compare(i, 4, "<!--") == 0 || text.compare(i, 2, "<?") == 0 ||
            text.compare(i, 9, "<![CDATA[") == 0) {
            const char* end = text[i + 1] == '?' ? "?>" : text[i + 2] == '-' ? "-->" : "]]>";
            i = skipPast(text, i + 2, end);
            if (i == std::string::npos) return fail("unterminated markup");
            continue;
        }
        // A document type could declare entities that hide a link.
        if (text.compare(i, 2, "<!") == 0) return fail("a document type declaration");
        const bool closing = text.compare(i, 2, "</") == 0;
        i += closing ? 2 : 1;
        const size_t nameBegin = i;
        while (i < text.size() && nameChar(text[i])) ++i;
        const std::string name = text.substr(nameBegin, i - nameBegin);
        if (name.empty()) return fail("a tag without a name");
        if (closing) {
            while (i < text.size() && space(text[i])) ++i;
            if (i >= text.size() || text[i] != '>') return fail("an unterminated end tag");
            ++i;
            if (open.empty() || open.back().name != name) return fail("a mismatched end tag");
            for (const size_t link : open.back().cutsEndingHere) scan.links[link].cutEnd = i;
            open.pop_back();
            continue;
        }
        if (open.empty() && rootSeen) return fail("a second root element");
        rootSeen = true;
        std::string href;
        size_t valueBegin = 0;
        size_t valueEnd = 0;
        bool hasHref = false;
        bool selfClosing = false;
        for (;;) {
            while (i < text.size() && space(text[i])) ++i;
            if (i >= text.size()) return fail("an unterminated tag");
            if (text[i] == '>') {
                ++i;
                break;
            }
            if (text.compare(i, 2, "/>") == 0) {
                i += 2;
                selfClosing = true;
                break;
            }
            const size_t attrBegin = i;
            while (i < text.size() && nameChar(text[i])) ++i;
            const std::string attribute = text.substr(attrBegin, i - attrBegin);
            while (i < text.size() && space(text[i])) ++i;
            if (attribute.empty() || i >= text.size() || text[i] != '=')
                return fail("a malformed attribute");
            ++i;
            while (i < text.size() && space(text[i])) ++i;
            if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
                return fail("an unquoted value");
            const char quote = text[i];
            const size_t end = text.find(quote, i + 1);
            if (end == std::string::npos) return fail("an unterminated value");
            const std::string raw = text.substr(i + 1, end - i - 1);
            if (raw.find('<') != std::string::npos) return fail("a \"<\" in a value");
            if (attribute == "xlink:href") {
                if (hasHref || !decodeValue(raw, href)) return fail("an unreadable link");
                hasHref = true;
                valueBegin = i + 1;
                valueEnd = end;
            }
            i = end + 1;
        }
        const auto loading = LoadingElements.find(name);
        // Embedded content has no link, or one into the document itself.
        if (loading != LoadingElements.end() && hasHref && !href.empty() && href[0] != '#') {
            DeckLink link{loading->second, href, tagBegin, 0, valueBegin, valueEnd};
            const bool inFrame = !open.empty() && open.back().name == "draw:frame";
            if (inFrame) {
                link.cutBegin = open.back().begin;
                open.back().cutsEndingHere.push_back(scan.links.size());
            } else if (selfClosing) {
                link.cutEnd = i;
            }
            scan.links.push_back(link);
            if (!inFrame && !selfClosing) {
                open.push_back({name, tagBegin, {scan.links.size() - 1}});
                continue;
            }
        }
        if (!selfClosing) open.push_back({name, tagBegin, {}});
    }
    i = text.size();
    if (!open.empty()) return fail("an unclosed element");
    if (!rootSeen) return fail("no element");
    return scan;
}

static bool hasScheme(const std::string& target) {
    const size_t colon = target.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = target[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

static bool percentDecode(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        const std::string hex = text.substr(i + 1, 2);
        char* stop = nullptr;
        const unsigned long value = std::strtoul(hex.c_str(), &stop, 16);
        if (*stop != '\0' || value == 0) return false;
        out += static_cast<char>(value);
        i += 2;
    }
    return true;
}

static std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

LinkVerdict JudgeLink(const std::string& target, const std::string& base,
                      const std::string& deckFolder, bool everyLocalFile) {
    LinkVerdict verdict;
    verdict.named = target;
    std::string path;
    std::string reference = target;
    if (hasScheme(target)) {
        const std::string scheme = lower(target.substr(0, target.find(':')));
        if (scheme != "file") {
            verdict.reason = "network addresses are never fetched";
            return verdict;
        }
        reference = target.substr(5);
        if (reference.compare(0, 2, "//") == 0) {
            const size_t slash = reference.find('/', 2);
            const std::string host =
                reference.substr(2, slash == std::string::npos ? slash : slash - 2);
            if (!host.empty() && lower(host) != "localhost") {
                verdict.reason = "network addresses are never fetched";
                return verdict;
            }
            reference = slash == std::string::npos ? "/" : reference.substr(slash);
        }
    }
    // A query or fragment names no file of its own.
    reference = reference.substr(0, reference.find_first_of("?#"));
    if (!percentDecode(reference, path) || path.empty()) {
        verdict.reason = "it is not a file name";
        return verdict;
    }
    if (path[0] != '/') path = base + "/" + path;
    verdict.named = AbsolutePath(path);
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) {
        verdict.reason = "the file does not exist";
        return verdict;
    }
    verdict.file = real;
    std::free(real);
    const std::string inside = deckFolder == "/" ? deckFolder : deckFolder + "/";
    if (everyLocalFile || verdict.file.compare(0, inside.size(), inside) == 0) {
        verdict.allowed = true;
        return verdict;
    }
    verdict.reason =
        verdict.file == verdict.named
            ? std::string("it is outside the presentation's folder")
            : "it leads to \"" + verdict.file + "\", outside the presentation's folder";
    verdict.file.clear();
    return verdict;
}

std::string RewriteDeckLinks(const std::string& text, const LinkScan& scan,
                             const std::vector<LinkVerdict>& verdicts) {
    // What is left out, frames holding several links once, nested ones with them.
    std::vector<std::pair<size_t, size_t>> cuts;
    for (size_t n = 0; n < scan.links.size() && n < verdicts.size(); ++n)
        if (!verdicts[n].allowed) cuts.emplace_back(scan.links[n].cutBegin, scan.links[n].cutEnd);
    std::sort(cuts.begin(), cuts.end());
    std::vector<std::pair<size_t, size_t>> merged;
    for (const auto& cut : cuts) {
        if (!merged.empty() && cut.first < merged.back().second)
            merged.back().second = std::max(merged.back().second, cut.second);
        else
            merged.push_back(cut);
    }
    const auto isCut = [&](size_t at) {
        for (const auto& cut : merged)
            if (at >= cut.first && at < cut.second) return true;
        return false;
    };
    // Edits in text order: a cut (empty replacement) or a link's new value.
    std::vector<std::tuple<size_t, size_t, std::string>> edits;
    for (const auto& cut : merged) edits.emplace_back(cut.first, cut.second, std::string());
    for (size_t n = 0; n < scan.links.size() && n < verdicts.size(); ++n)
        if (verdicts[n].allowed && !isCut(scan.links[n].valueBegin))
            // Percent-encoded: nothing in it needs XML escaping.
            edits.emplace_back(scan.links[n].valueBegin, scan.links[n].valueEnd,
                               FileUrl(verdicts[n].file));
    std::sort(edits.begin(), edits.end());
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    for (const auto& [begin, end, replacement] : edits) {
        out.append(text, done, begin - done);
        out += replacement;
        done = end;
    }
    out.append(text, done, std::string::npos);
    return out;
}
