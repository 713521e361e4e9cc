#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A picture, medium, object or sound that a presentation, saved by
// LibreOffice as Flat ODP, loads from outside itself.
struct DeckLink {
    std::string kind;    // "picture", "media", "object", "sound", "font"
    std::string target;  // the link as the deck gives it, entities decoded
    // What leaves it out of the slide: its frame, or the element itself.
    size_t cutBegin = 0;
    size_t cutEnd = 0;
    // The link's attribute value, as it stands in the text.
    size_t valueBegin = 0;
    size_t valueEnd = 0;
};

// Every link of a Flat ODP text, or why it is not one LibreOffice wrote.
struct LinkScan {
    std::vector<DeckLink> links;
    std::string error;  // empty when the text was read to its end
};
LinkScan ScanDeckLinks(const std::string& flatOdp);

// Whether a link may be followed: only to an existing file whose real path
// (links and ".." followed) lies in `deckFolder` (a real path) or below it,
// or to any local file with `everyLocalFile`; never to a network address.
// A relative link is taken from the folder `base`.
struct LinkVerdict {
    bool allowed = false;
    std::string named;   // the file or address as the user knows it
    std::string file;    // the real path, when allowed
    std::string reason;  // why not, when refused
};
LinkVerdict JudgeLink(const std::string& target, const std::string& base,
                      const std::string& deckFolder, bool everyLocalFile);

// `flatOdp` with each allowed link pointing at its real file and each refused
// one left out; `verdicts` go with `scan.links`, in order.
std::string RewriteDeckLinks(const std::string& flatOdp, const LinkScan& scan,
                             const std::vector<LinkVerdict>& verdicts);
