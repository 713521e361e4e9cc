#include "util/wildcard.h"

namespace {

constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// One UTF-8 character on, so "?" never splits a character.
qsizetype nextByteChar(const char* text, qsizetype size, qsizetype i) {
    ++i;
    while (i < size && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    return i;
}

// Iterative match with backtracking to the last "*": linear for the patterns
// listings use, and never recursive however many stars a pattern holds.
template <typename P, typename N, typename Equal, typename Next>
bool globMatch(const P* pattern, qsizetype patternSize, const N* name, qsizetype nameSize,
               Equal equal, Next next) {
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < nameSize) {
        if (p < patternSize && pattern[p] == P('*')) {
            starP = ++p;
            starN = n;
        } else if (p < patternSize && pattern[p] == P('?')) {
            ++p;
            n = next(n);
        } else if (p < patternSize && equal(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP;
            starN = next(starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < patternSize && pattern[p] == P('*')) ++p;
    return p == patternSize;
}

QList<uint> foldedCodePoints(const QString& text) {
    return text.toCaseFolded().toUcs4();
}

}  // namespace

WildcardPattern::WildcardPattern(const QString& pattern) {
    for (const QChar c : pattern) {
        if (c.unicode() >= 0x80) ascii_ = false;
    }
    if (ascii_) {
        bytes_ = pattern.toLatin1();
        for (char& c : bytes_) c = asciiLower(c);
    } else {
        folded_ = foldedCodePoints(pattern);
    }
    dotStarMayBeEmpty_ = pattern.endsWith(QLatin1String(".*"));
}

bool WildcardPattern::matches(const char* name, qsizetype size) const {
    if (!ascii_) return matches(QString::fromUtf8(name, size));
    const auto equal = [](char p, char n) { return p == asciiLower(n); };
    const auto next = [&](qsizetype i) { return nextByteChar(name, size, i); };
    if (globMatch(bytes_.constData(), bytes_.size(), name, size, equal, next)) return true;
    return dotStarMayBeEmpty_ &&
           globMatch(bytes_.constData(), bytes_.size() - 2, name, size, equal, next);
}

bool WildcardPattern::matches(const QString& name) const {
    if (ascii_) {
        const QByteArray bytes = name.toUtf8();
        return matches(bytes.constData(), bytes.size());
    }
    return matchesFolded(foldedCodePoints(name));
}

bool WildcardPattern::matchesFolded(const QList<uint>& name) const {
    const auto equal = [](uint p, uint n) { return p == n; };
    const auto next = [](qsizetype i) { return i + 1; };
    if (globMatch(folded_.constData(), folded_.size(), name.constData(), name.size(), equal, next))
        return true;
    return dotStarMayBeEmpty_ && globMatch(folded_.constData(), folded_.size() - 2,
                                           name.constData(), name.size(), equal, next);
}

bool HasWildcards(const QString& text) {
    return text.contains(u'*') || text.contains(u'?');
}
