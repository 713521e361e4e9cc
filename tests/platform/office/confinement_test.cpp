#include "platform/office/engine/confinement.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/platform/office/officetesting.h"
#include "tests/support/testsupport.h"

namespace {
bool opens(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
    return fd >= 0;
}
}  // namespace

// A forked child, confined as an engine is, reads only the system and its
// folders, writes only its writable one, and reaches no TCP address: here a
// server the test listens with on 127.0.0.1, which hears nothing.
TEST(Confinement, AConfinedChildReadsWritesAndConnectsOnlyWhereAllowed) {
    const Protections can = AvailableProtections();
    QTemporaryDir dir;
    for (const char* folder : {"deck", "staging", "outside"}) QDir(dir.path()).mkdir(folder);
    writeFile(dir.filePath(QStringLiteral("deck/talk.fodp")), "deck");
    writeFile(dir.filePath(QStringLiteral("outside/secret.png")), "secret");

    const LoopbackServer server;
    ASSERT_TRUE(server.listening());
    sockaddr_in address = server.address;

    const struct {
        const char* what;
        QString path;
        int flags;
        bool allowed;
        bool needsLandlock;
    } cases[] = {
        {"the deck", dir.filePath(QStringLiteral("deck/talk.fodp")), O_RDONLY, true, false},
        {"a system file", QStringLiteral("/etc/hostname"), O_RDONLY, true, false},
        {"a file outside", dir.filePath(QStringLiteral("outside/secret.png")), O_RDONLY, false,
         true},
        {"a write beside the deck", dir.filePath(QStringLiteral("deck/new")), O_WRONLY | O_CREAT,
         false, true},
        {"a write outside", dir.filePath(QStringLiteral("outside/new")), O_WRONLY | O_CREAT, false,
         true},
        {"a write in staging", dir.filePath(QStringLiteral("staging/Slide1.bmp")),
         O_WRONLY | O_CREAT, true, false},
        {"/dev/null", QStringLiteral("/dev/null"), O_WRONLY, true, false},
    };
    int answer[2];
    ASSERT_EQ(::pipe2(answer, O_CLOEXEC), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        EngineFolders folders;
        folders.readable = {QFile::encodeName(dir.filePath(QStringLiteral("deck"))).toStdString()};
        folders.writable = {
            QFile::encodeName(dir.filePath(QStringLiteral("staging"))).toStdString()};
        const Protections in = Confine(folders);
        int wrong = 0;
        for (size_t i = 0; i < std::size(cases); ++i) {
            const bool expected =
                cases[i].allowed || (cases[i].needsLandlock && in.landlockAbi == 0);
            if (opens(cases[i].path, cases[i].flags) != expected) wrong |= 1 << i;
        }
        const int tcp = ::socket(AF_INET, SOCK_STREAM, 0);
        if (tcp >= 0 && ::connect(tcp, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            wrong |= 1 << 10;
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) wrong |= 1 << 11;
        if (!in.noNewPrivileges || !in.limits || (!in.networkNamespace && !in.socketFilter))
            wrong |= 1 << 12;
        if (in.landlockAbi != can.landlockAbi || in.networkNamespace != can.networkNamespace)
            wrong |= 1 << 13;
        _exit(::write(answer[1], &wrong, sizeof wrong) == sizeof wrong ? 0 : 1);
    }
    ::close(answer[1]);
    int wrong = -1;
    EXPECT_EQ(::read(answer[0], &wrong, sizeof wrong), ssize_t(sizeof wrong));
    ::close(answer[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_FALSE(wrong & (1 << i))
            << cases[i].what << (cases[i].allowed ? " refused" : " allowed");
    EXPECT_FALSE(wrong & (1 << 10)) << "a TCP connection was made";
    EXPECT_FALSE(wrong & (1 << 11)) << "a local socket pair was refused";
    EXPECT_FALSE(wrong & (1 << 12)) << "a protection every kernel here offers is missing";
    EXPECT_FALSE(wrong & (1 << 13)) << "what --version reports differs from what holds";
    EXPECT_FALSE(server.heard()) << "the server heard from the child";
    std::printf("%s\n", DescribeProtections(can).c_str());
}
