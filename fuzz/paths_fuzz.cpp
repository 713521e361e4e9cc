// Any path text: the pieces put back together give the path, and no helper
// reads or writes outside the text it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "util/nativepath.h"
#include "util/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (ExtractFolder(path) + ExtractFileName(path) != path) std::abort();
    if (!path.startsWith(StripExtension(path))) std::abort();
    if (ExtractFileName(path).contains(QLatin1Char('/'))) std::abort();
    const QString fixed = FixBackslashes(path);
    if (fixed.size() > path.size() || (path.startsWith(u'/') != fixed.startsWith(u'/')))
        std::abort();
    QByteArray native;
    if (NativePath(path, native) == path.contains(QChar(0))) std::abort();
    return 0;
}
