// Any text a deck saved as Flat ODP could hold: the scan never fails badly,
// its spans lie inside the text, and once every link is left out a second
// scan finds none, while every link let through names its new file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/office/engine/decklinks.h"
#include "platform/office/engine/fileurl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const LinkScan scan = ScanDeckLinks(text);
    if (!scan.error.empty()) return 0;
    for (const DeckLink& link : scan.links)
        if (link.cutBegin > link.valueBegin || link.valueBegin > link.valueEnd ||
            link.valueEnd >= link.cutEnd || link.cutEnd > text.size())
            std::abort();
    std::vector<LinkVerdict> refused(scan.links.size());
    const LinkScan cut = ScanDeckLinks(RewriteDeckLinks(text, scan, refused));
    // Only a root element that is itself a link leaves nothing behind.
    if ((!cut.error.empty() && cut.error.rfind("no element", 0) != 0) || !cut.links.empty())
        std::abort();
    std::vector<LinkVerdict> allowed(scan.links.size(), LinkVerdict{true, "", "/deck/a b.png", ""});
    const LinkScan kept = ScanDeckLinks(RewriteDeckLinks(text, scan, allowed));
    if (!kept.error.empty() || kept.links.size() != scan.links.size()) std::abort();
    for (const DeckLink& link : kept.links)
        if (link.target != FileUrl("/deck/a b.png")) std::abort();
    return 0;
}
