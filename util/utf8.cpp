#include "util/utf8.h"

bool NextUtf8CodePoint(const char* text, qsizetype size, qsizetype& i, char32_t& codePoint) {
    const auto byte = [&](qsizetype at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        codePoint = lead;
        ++i;
        return true;
    }
    qsizetype length;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return false;
    }
    if (size - i < length) return false;
    for (qsizetype k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return false;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    i += length;
    return true;
}

bool IsValidUtf8(const char* text, qsizetype size) {
    qsizetype i = 0;
    char32_t codePoint;
    while (i < size) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
        } else if (!NextUtf8CodePoint(text, size, i, codePoint)) {
            return false;
        }
    }
    return true;
}
