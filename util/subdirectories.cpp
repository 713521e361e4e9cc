#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "util/folderscan.h"
#include "util/nameorder.h"
#include "util/nativepath.h"
#include "util/paths.h"
#include "util/steptrap.h"

namespace {

constexpr int MaxPath = 260;

// Directories already entered, by device and inode, so a symbolic link back
// up the tree (or a bind mount) cannot make the scan go round.
struct DirectoryId {
    dev_t device;
    ino_t inode;
    bool operator==(const DirectoryId&) const = default;
};
struct DirectoryIdHash {
    size_t operator()(const DirectoryId& id) const {
        return std::hash<ino_t>()(id.inode) * 31 + std::hash<dev_t>()(id.device);
    }
};
using EnteredDirectories = std::unordered_set<DirectoryId, DirectoryIdHash>;

bool IsRootFolder(const QString& folder) {
    return !folder.isEmpty() &&
           std::all_of(folder.begin(), folder.end(), [](QChar c) { return c == u'/'; });
}

// Hidden system folders (exactly 22, or 1046 with the reparse point) are left
// out unless they are a root. Linux has no system bit, so this never holds
// here; the rule stays so the scan means the same on every file system. A
// name without the leading "." cannot carry the hidden bit, so only hidden
// names pay for reading the attributes.
bool passesAttributeTest(const QString& folder) {
    if (IsRootFolder(folder)) return true;
    qsizetype end = folder.size();
    while (end > 0 && folder[end - 1] == u'/') --end;
    const qsizetype nameStart = folder.lastIndexOf(u'/', end - 1) + 1;
    if (nameStart >= end || folder[nameStart] != u'.') return true;
    const int attributes = GetAttributes(folder);
    return attributes != (Directory | Hidden | System) &&
           attributes != (Directory | Hidden | System | ReparsePoint);
}

enum class Enumeration { Complete, Stopped, Refused };

bool isFolderEntry(int dirFd, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
    struct stat info;
    return ::fstatat(dirFd, entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

// Appends the usable sub-folders of `folder` to `found`, in name order,
// yielding before each. Refused: the folder cannot be read (permission, gone)
// or was entered before; Stopped: reading failed some other way.
Enumeration enumerateSubFolders(const QString& folder, QStringList& found,
                                EnteredDirectories& entered) {
    QByteArray native;
    if (!NativePath(folder, native)) return Enumeration::Refused;
    DirStream stream(native.constData());
    if (!stream.valid()) {
        return errno == EACCES || errno == EPERM || errno == ENOENT || errno == ENOTDIR
                   ? Enumeration::Refused
                   : Enumeration::Stopped;
    }
    struct stat self;
    if (::fstat(stream.fd(), &self) != 0) return Enumeration::Stopped;
    if (!entered.insert({self.st_dev, self.st_ino}).second) return Enumeration::Refused;

    std::vector<QString> names;
    int refusedNames = 0;
    const dirent* entry;
    while ((entry = stream.next())) {
        if (!isFolderEntry(stream.fd(), entry)) continue;
        const qsizetype size = static_cast<qsizetype>(std::strlen(entry->d_name));
        // Control characters, "?" and bytes that are not UTF-8 are refused
        // before any text is made of the name.
        if (HasUnsafeChars(QByteArray::fromRawData(entry->d_name, size))) {
            ++refusedNames;
            continue;
        }
        names.push_back(QString::fromUtf8(entry->d_name, size));
    }
    const bool readToEnd = errno == 0;
    std::sort(names.begin(), names.end(), NameLess);

    for (int i = 0; i < refusedNames; ++i) DoEvents();
    for (const QString& name : names) {
        DoEvents();
        if (name.size() < MaxPath) found.append(folder + name + QLatin1Char('/'));
    }
    return readToEnd ? Enumeration::Complete : Enumeration::Stopped;
}

// Returns where the folders this call appended start in `folders`: those have
// passed the closing test here, so a caller one level up need not repeat it.
qsizetype scan(QStringList& folders, bool recursive, Prompts& prompts,
               EnteredDirectories& entered) {
    StepTrap trap(prompts,
                  QStringLiteral("in Fellmarrow2021/08/31.AddFolder.GetSubDirectories2016 "));
    QStringList found;
    QStringList listed;
    trap.step(106, [&] { listed = folders; });
    for (const QString& folder : listed) {
        if (!trap.test(108, [&] { return IsFolder(folder); })) continue;
        if (!trap.test(110, [&] { return folder.size() < MaxPath; })) continue;
        trap.step(114, [] { DoEvents(); });
        if (!trap.test(116, [&] { return passesAttributeTest(folder); })) continue;
        // A folder that cannot be read ends its own enumeration quietly;
        // what was found before the failure stays.
        Enumeration result;
        try {
            result = enumerateSubFolders(folder, found, entered);
        } catch (...) {
            result = Enumeration::Stopped;
        }
        if (result == Enumeration::Refused) trap.step(140, [&] { folders.removeOne(folder); });
    }
    qsizetype checkedFrom = found.size();
    if (recursive && !found.isEmpty()) {
        trap.step(150, [&] { checkedFrom = scan(found, true, prompts, entered); });
    }
    const qsizetype appendedFrom = folders.size();
    for (qsizetype i = 0; i < found.size(); ++i) {
        const QString& folder = found.at(i);
        if (i < checkedFrom) {
            if (!trap.test(154, [&] { return IsFolder(folder); })) continue;
            trap.step(156, [] { DoEvents(); });
            if (!trap.test(158, [&] { return passesAttributeTest(folder); })) continue;
        }
        trap.step(160, [&] { folders.append(folder); });
    }
    return appendedFrom;
}

}  // namespace

void GetSubDirectories2016(QStringList& folders, bool recursive, Prompts& prompts) {
    EnteredDirectories entered;
    scan(folders, recursive, prompts, entered);
}
