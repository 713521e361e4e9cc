#pragma once

// Helpers shared by the tests that drive the presentation engine.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>
#include <cerrno>
#include <ostream>
#include <utility>
#include <vector>

#include "tests/support/testsupport.h"

// Readable QString values in failed expectations.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// LD_PRELOAD of fault-preload.so (faultpreload/) and the fault it puts into
// the engine parents started while this lives.
class FaultInParent {
  public:
    FaultInParent(const char* fault, const QString& mark) {
        qputenv("LD_PRELOAD", QFile::encodeName(binDir() + QStringLiteral("/fault-preload.so")));
        qputenv("QUILLMOOR_TEST_FAULT", fault);
        qputenv("QUILLMOOR_TEST_MARK", QFile::encodeName(mark));
    }
    ~FaultInParent() {
        for (const char* name : {"LD_PRELOAD", "QUILLMOOR_TEST_FAULT", "QUILLMOOR_TEST_MARK"})
            qunsetenv(name);
    }
    FaultInParent(const FaultInParent&) = delete;
    FaultInParent& operator=(const FaultInParent&) = delete;
};

// The processes, zombies too, as (pid, parent, group, zombie) fields.
struct ProcessEntry {
    pid_t pid;
    pid_t parent;
    pid_t group;
    bool zombie;
};
inline std::vector<ProcessEntry> liveProcesses() {
    std::vector<ProcessEntry> processes;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric) continue;
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(entry));
        // pid (name) state ppid pgrp ...: the name may hold spaces, so read after ")".
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 3) continue;
        processes.push_back({pid, static_cast<pid_t>(fields[1].toInt()),
                             static_cast<pid_t>(fields[2].toInt()),
                             fields[0] == "Z" || fields[0] == "X"});
    }
    return processes;
}

// Processes whose parent is this test program, zombies too: one nobody
// collected is a leak.
inline int childProcessCount() {
    int count = 0;
    for (const ProcessEntry& process : liveProcesses())
        if (process.parent == ::getpid()) ++count;
    return count;
}

// True when no live process of the group led by `pid` is left. Members
// other than the leader die of the group's SIGKILL on their own time, so
// this waits a while for them.
inline bool processGroupGone(pid_t pid) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        bool found = false;
        for (const ProcessEntry& process : liveProcesses())
            if (process.group == pid && !process.zombie) found = true;
        if (!found) return true;
        ::usleep(10'000);
    }
    return false;
}

// The header of a 24-bit BMP as written by the engine, checked for sense.
struct BmpInfo {
    bool readable = false;
    int width = 0;
    int height = 0;  // positive: bottom-up
    int bits = 0;
    QByteArray bytes;
    // The colour at (x, y) counted from the top-left, as 0xRRGGBB.
    unsigned pixel(int x, int y) const {
        const int stride = (width * 3 + 3) & ~3;
        const int at = 54 + (height - 1 - y) * stride + x * 3;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + at;
        return (unsigned(p[2]) << 16) | (unsigned(p[1]) << 8) | p[0];
    }
};

inline BmpInfo readBmp(const QString& path) {
    BmpInfo info;
    info.bytes = readFile(path);
    const QByteArray& b = info.bytes;
    if (b.size() < 54 || !b.startsWith("BM")) return info;
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    info.width = static_cast<int>(u32(18));
    info.height = static_cast<int>(u32(22));
    info.bits = u16(28);
    const qint64 stride = (qint64(info.width) * 3 + 3) & ~3;
    const bool sane = u32(2) == quint32(b.size()) && u32(10) == 54 && u32(14) == 40 &&
                      info.width > 0 && info.height > 0 && u16(26) == 1 && info.bits == 24 &&
                      u32(30) == 0 && u32(34) == stride * info.height &&
                      b.size() == 54 + stride * info.height;
    info.readable = sane;
    return info;
}

// The good decks and slide counts in the shared decks' README table.
inline std::vector<std::pair<QString, int>> sharedDecksWithCounts() {
    std::vector<std::pair<QString, int>> decks;
    const QString readme =
        QString::fromUtf8(readFile(sharedDecksDir() + QStringLiteral("/README.md")));
    static const QRegularExpression row(
        QStringLiteral("^\\|\\s*([^|/]+\\.(?:pptx?|ppsx?|odp))\\s*\\|\\s*(\\d+)\\s*\\|"),
        QRegularExpression::MultilineOption);
    for (auto match = row.globalMatch(readme); match.hasNext();) {
        const auto m = match.next();
        decks.emplace_back(sharedDecksDir() + QLatin1Char('/') + m.captured(1).trimmed(),
                           m.captured(2).toInt());
    }
    return decks;
}

inline QStringList sharedBadDecks() {
    QDir bad(sharedDecksDir() + QStringLiteral("/bad"));
    QStringList paths;
    for (const QString& name : bad.entryList(QDir::Files, QDir::Name)) paths << bad.filePath(name);
    return paths;
}

// A TCP server on 127.0.0.1 that accepts nobody: heard() tells whether anybody connected.
struct LoopbackServer {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    LoopbackServer() {
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 4) != 0 ||
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            address.sin_port = 0;
    }
    ~LoopbackServer() { ::close(fd); }
    bool listening() const { return address.sin_port != 0; }
    int port() const { return ntohs(address.sin_port); }
    bool heard() const { return ::accept(fd, nullptr, nullptr) >= 0; }
};
