// Any line the helper could send: decoding never fails badly, and whatever
// decodes encodes back to a line that decodes to the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/office/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fields;
    if (!DecodeLine(line, fields)) return 0;
    std::vector<std::string> again;
    if (!DecodeLine(EncodeLine(fields), again) || again != fields) std::abort();
    if (EncodeLine(fields).find('\n') != std::string::npos) std::abort();
    return 0;
}
