#include "platform/office/protocol.h"

#include <cstdint>

static void appendEscaped(std::string& out, const std::string& field) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (const unsigned char c : field) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);  // UTF-8 passes as it is
                }
        }
    }
    out += '"';
}

static int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static bool readHex4(const std::string& s, size_t& i, uint32_t& value) {
    if (i + 4 > s.size()) return false;
    value = 0;
    for (int k = 0; k < 4; ++k) {
        const int v = hexValue(s[i++]);
        if (v < 0) return false;
        value = value * 16 + static_cast<uint32_t>(v);
    }
    return true;
}

static void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xc0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xe0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    }
}

static bool readEscape(const std::string& s, size_t& i, std::string& out) {
    if (i >= s.size()) return false;
    const char c = s[i++];
    switch (c) {
        case '"':
            out += '"';
            return true;
        case '\\':
            out += '\\';
            return true;
        case '/':
            out += '/';
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            return false;
    }
    uint32_t cp = 0;
    if (!readHex4(s, i, cp)) return false;
    if (cp >= 0xd800 && cp < 0xdc00) {
        uint32_t low = 0;
        if (i + 2 > s.size() || s[i] != '\\' || s[i + 1] != 'u') return false;
        i += 2;
        if (!readHex4(s, i, low) || low < 0xdc00 || low >= 0xe000) return false;
        cp = 0x10000 + ((cp - 0xd800) << 10) + (low - 0xdc00);
    } else if (cp >= 0xdc00 && cp < 0xe000) {
        return false;
    }
    appendUtf8(out, cp);
    return true;
}

std::string EncodeLine(const std::vector<std::string>& fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty()) line += ' ';
        appendEscaped(line, field);
    }
    return line;
}

bool DecodeLine(const std::string& line, std::vector<std::string>& fields) {
    fields.clear();
    size_t i = 0;
    const size_t end = !line.empty() && line.back() == '\r' ? line.size() - 1 : line.size();
    while (i < end) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        if (line[i] != '"') return false;
        ++i;
        std::string field;
        bool closed = false;
        while (i < end) {
            const char c = line[i++];
            if (c == '"') {
                closed = true;
                break;
            }
            if (c == '\\') {
                if (!readEscape(line, i, field)) return false;
            } else {
                field += c;
            }
        }
        if (!closed) return false;
        fields.push_back(std::move(field));
    }
    return true;
}
