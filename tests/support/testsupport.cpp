#include "testsupport.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString sourceDir() {
    return QStringLiteral(QUILLMOOR_SOURCE_DIR);
}
QString binDir() {
    return QStringLiteral(QUILLMOOR_BIN_DIR);
}

QString fixture(const QString& name) {
    return sourceDir() + QStringLiteral("/tests/fixtures/") + name;
}

QString sharedDecksDir() {
    const QString dir = QDir::cleanPath(sourceDir() + QStringLiteral("/../shared/decks"));
    return QFileInfo(dir).isDir() ? dir : QString();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QByteArray runWithoutPrivileges(const std::function<QByteArray()>& work) {
    if (::geteuid() != 0) return work();
    int channel[2];
    if (::pipe(channel) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        ::alarm(30);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const QByteArray bytes = work();
        if (::write(channel[1], bytes.constData(), bytes.size()) != bytes.size()) ::_exit(4);
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray bytes;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0) bytes.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? bytes : "child failed";
}

bool nobodyCanReach(const QString& path) {
    for (QString up = QFileInfo(path).absolutePath(); up != QLatin1String("/");
         up = QFileInfo(up).path()) {
        struct stat info;
        if (::stat(QFile::encodeName(up).constData(), &info) != 0 || (info.st_mode & S_IXOTH) == 0)
            return false;
    }
    return true;
}
