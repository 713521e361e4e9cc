#include "robustness.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcessEnvironment>
#include <QThread>
#include <cstdio>
#include <cstdlib>

#include "../support/testsupport.h"
#include "../video/support/avidecode.h"

namespace {
constexpr uid_t Nobody = 65534;

bool asRoot() {
    return ::geteuid() == 0;
}

QByteArray procField(pid_t pid, const char* file, const QByteArray& key) {
    const QByteArray text = readFile(QStringLiteral("/proc/%1/%2").arg(pid).arg(file));
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith(key)) return line.mid(key.size()).trimmed();
    return {};
}

QList<pid_t> allPids() {
    QList<pid_t> pids;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = name.toInt(&number);
        if (number) pids << pid;
    }
    return pids;
}

pid_t parentOf(pid_t pid) {
    return procField(pid, "status", "PPid:").toInt();
}

bool zombie(pid_t pid) {
    return procField(pid, "status", "State:").startsWith('Z');
}

QList<pid_t> descendantsOf(pid_t root) {
    QMap<pid_t, pid_t> parents;
    for (pid_t pid : allPids()) parents[pid] = parentOf(pid);
    QList<pid_t> below;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        pid_t up = parents.value(it.key(), 0);
        while (up > 1 && up != root) up = parents.value(up, 0);
        if (up == root && it.key() != root) below << it.key();
    }
    return below;
}
}  // namespace

Sandbox::Sandbox() {
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);
    for (const char* folder : {"in", "out", "home/.config", "home/.cache", "tmp"})
        QDir().mkpath(path(QLatin1String(folder)));
}

QString Sandbox::path(const QString& relative) const {
    return relative.isEmpty() ? dir_.path() : dir_.path() + QLatin1Char('/') + relative;
}

QStringList Sandbox::environment() const {
    return {QStringLiteral("HOME=") + path(QStringLiteral("home")),
            QStringLiteral("XDG_CONFIG_HOME=") + path(QStringLiteral("home/.config")),
            QStringLiteral("XDG_CACHE_HOME=") + path(QStringLiteral("home/.cache")),
            QStringLiteral("XDG_DATA_HOME=") + path(QStringLiteral("home/.local/share")),
            QStringLiteral("TEMP=") + path(QStringLiteral("tmp")),
            QStringLiteral("TMPDIR=") + path(QStringLiteral("tmp"))};
}

QString Sandbox::deck(const QString& fixtureName, const QString& relative) const {
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    QFile::copy(fixture(fixtureName), target);
    QFile::setPermissions(
        target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

void Sandbox::handOver() const {
    if (!asRoot()) return;
    ::lchown(QFile::encodeName(path()).constData(), Nobody, Nobody);
    QDirIterator all(path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                     QDirIterator::Subdirectories);
    while (all.hasNext()) ::lchown(QFile::encodeName(all.next()).constData(), Nobody, Nobody);
}

Child::Child(const ChildOptions& options) {
    QByteArrayList arguments{QFile::encodeName(options.program)};
    for (const QString& argument : options.arguments) arguments << QFile::encodeName(argument);
    QByteArrayList environment;
    QStringList given = options.environment;
    for (const QString& entry : QProcessEnvironment::systemEnvironment().toStringList()) {
        const QString key = entry.section(QLatin1Char('='), 0, 0) + QLatin1Char('=');
        bool replaced = false;
        for (const QString& mine : given) replaced = replaced || mine.startsWith(key);
        if (!replaced) environment << entry.toLocal8Bit();
    }
    for (const QString& mine : given) environment << mine.toLocal8Bit();
    std::vector<char*> argv, envp;
    for (QByteArray& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (QByteArray& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    const QByteArray out = QFile::encodeName(output_.filePath(QStringLiteral("out")));
    const QByteArray err = QFile::encodeName(output_.filePath(QStringLiteral("err")));
    const QByteArray cwd = QFile::encodeName(options.workingDir);
    const bool drop = options.unprivileged && asRoot();

    pid_ = ::fork();
    if (pid_ != 0) return;
    // The child: only system calls from here to exec.
    const int outFd = ::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int errFd = ::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int nullFd = ::open("/dev/null", O_RDONLY);
    if (outFd < 0 || errFd < 0 || nullFd < 0) ::_exit(120);
    ::dup2(nullFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(s, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (options.fileSizeLimit >= 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(121);
    }
    const rlimit data{rlim_t(options.dataLimit), rlim_t(options.dataLimit)};
    if (options.dataLimit >= 0 && ::setrlimit(RLIMIT_DATA, &data) != 0) ::_exit(121);
    if (drop && (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
        ::_exit(122);
    if (!cwd.isEmpty() && ::chdir(cwd.constData()) != 0) ::_exit(123);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(124);
}

Child::~Child() {
    if (pid_ > 0 && !ended_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
    }
}

bool Child::waitFor(int ms, const std::function<void()>& poll, int everyMs) {
    for (int waited = 0; !ended_; waited += everyMs) {
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
            ended_ = true;
            break;
        }
        if (waited >= ms) return false;
        if (poll) poll();
        QThread::msleep(everyMs);
    }
    return true;
}

bool Child::waitUntil(int ms, const std::function<bool()>& moment, int everyMs) {
    for (int waited = 0; !waitFor(0); waited += everyMs) {
        if (moment()) return true;
        if (waited >= ms) return false;
        QThread::msleep(everyMs);
    }
    return false;
}

bool Child::signal(int number) {
    // An ended child not yet reaped would take the signal without running.
    if (pid_ <= 0 || ended_ || zombie(pid_) || waitFor(0)) return false;
    return ::kill(pid_, number) == 0;
}

bool Child::exitedNormally() const {
    return ended_ && WIFEXITED(status_);
}

int Child::exitCode() const {
    if (!ended_) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

QString Child::err() const {
    return QString::fromLocal8Bit(readFile(output_.filePath(QStringLiteral("err"))));
}

QString program(const QString& name) {
    return binDir() + QLatin1Char('/') + name;
}

void AdoptOrphans() {
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

QList<pid_t> Leftovers() {
    QList<pid_t> left;
    for (int tries = 0; tries < 60; ++tries) {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
        left.clear();
        for (pid_t pid : allPids())
            if (parentOf(pid) == ::getpid() && !zombie(pid)) left << pid;
        if (left.isEmpty()) return left;
        QThread::msleep(50);
    }
    for (pid_t pid : left) {
        QByteArray line = readFile(QStringLiteral("/proc/%1/cmdline").arg(pid));
        line.replace('\0', ' ');
        std::fprintf(stderr, "left running: %d %s\n", int(pid), line.constData());
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
    for (pid_t pid : left) ::waitpid(pid, nullptr, 0);
    return left;
}

qint64 TreeResidentKiB(pid_t root) {
    QMap<pid_t, pid_t> parents;
    for (pid_t pid : allPids()) parents[pid] = parentOf(pid);
    qint64 total = 0;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        pid_t up = it.key();
        while (up > 1 && up != root) up = parents.value(up, 0);
        if (up == root)
            total += procField(it.key(), "status", "VmRSS:").split(' ').value(0).toLongLong();
    }
    return total;
}

qint64 TreeProportionalKiB(pid_t root) {
    qint64 total = 0;
    for (pid_t pid : QList<pid_t>{root} + descendantsOf(root))
        total += procField(pid, "smaps_rollup", "Pss:").split(' ').value(0).toLongLong();
    return total;
}

QMap<int, QString> OpenFds(pid_t pid) {
    QMap<int, QString> open;
    const QString folder = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd :
         QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
        char target[4096];
        const ssize_t size = ::readlink(
            QFile::encodeName(folder + QLatin1Char('/') + fd).constData(), target, sizeof target);
        if (size >= 0) open[fd.toInt()] = QString::fromLocal8Bit(target, int(size));
    }
    return open;
}

int KillDescendants(pid_t root) {
    int reached = 0;
    for (pid_t pid : descendantsOf(root))
        if (!zombie(pid) && ::kill(pid, SIGKILL) == 0) ++reached;
    return reached;
}

bool SlideBitmapUnder(const QString& folder) {
    QDirIterator files(folder, {QStringLiteral("Slide*.bmp")}, QDir::Files,
                       QDirIterator::Subdirectories);
    return files.hasNext();
}

int OpenFdCount(pid_t pid) {
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    return fds.exists()
               ? int(fds.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size())
               : -1;
}

QList<pid_t> ChildrenOf(pid_t parent) {
    QList<pid_t> children;
    for (pid_t pid : allPids())
        if (parentOf(pid) == parent && !zombie(pid)) children << pid;
    return children;
}

QStringList TemporaryVideos(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".quillmoor-*")}, QDir::Files | QDir::Hidden);
}

int FrameCount(const QString& video) {
    const DecodedVideo decoded = DecodeVideo(video, false);
    return decoded.ok() ? decoded.nonEmptyPackets() : -1;
}
