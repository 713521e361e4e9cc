// A pattern and a name split at the first NUL: matching never fails badly,
// the byte and text forms agree, and "*" or the name itself always match.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "util/wildcard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const auto* split = static_cast<const char*>(std::memchr(text, 0, size));
    const qsizetype patternSize = split ? split - text : qsizetype(size);
    const char* name = split ? split + 1 : text + size;
    const qsizetype nameSize = qsizetype(size) - (split ? patternSize + 1 : patternSize);

    const QString pattern = QString::fromUtf8(text, patternSize);
    const WildcardPattern wildcard(pattern);
    const bool bytes = wildcard.matches(name, nameSize);
    const QString nameText = QString::fromUtf8(name, nameSize);
    // Valid UTF-8 names read the same either way.
    if (nameText.toUtf8() == QByteArray(name, nameSize) && bytes != wildcard.matches(nameText))
        std::abort();
    if (!WildcardPattern(QStringLiteral("*")).matches(name, nameSize)) std::abort();
    if (!HasWildcards(nameText) && !WildcardPattern(nameText).matches(nameText)) std::abort();
    return 0;
}
