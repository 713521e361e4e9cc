#pragma once

#include <QtGlobal>

// Decodes the UTF-8 character at `i` into `codePoint` and moves `i` past it.
// False for bytes that are not well-formed UTF-8 (overlong forms, surrogates
// and values past U+10FFFF included).
bool NextUtf8CodePoint(const char* text, qsizetype size, qsizetype& i, char32_t& codePoint);

bool IsValidUtf8(const char* text, qsizetype size);
