#pragma once

#include <sys/types.h>

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// A place of its own for one program run: in/, out/, a home and a temporary
// folder, all reachable by the unprivileged user that runs the program when
// the tests run as root (root reads and writes every file, so permission
// faults need someone else).
class Sandbox {
  public:
    Sandbox();
    QString path(const QString& relative = QString()) const;
    // The environment a run gets: a private home, settings and cache; TEMP here.
    QStringList environment() const;
    // Copies a fixture deck to `relative` and returns its path.
    QString deck(const QString& fixtureName, const QString& relative) const;
    // Hands every file to the unprivileged user (as root); call before a run.
    void handOver() const;
    bool valid() const { return dir_.isValid(); }

  private:
    QTemporaryDir dir_;
};

struct ChildOptions {
    QString program;
    QStringList arguments;
    QString workingDir;
    QStringList environment;    // KEY=VALUE over the test's own
    bool unprivileged = true;   // as "nobody" when running as root
    qint64 fileSizeLimit = -1;  // RLIMIT_FSIZE, with SIGXFSZ ignored
    qint64 dataLimit = -1;      // RLIMIT_DATA: what the heap may grow to
};

// One program run as a child process; its output goes to files.
class Child {
  public:
    explicit Child(const ChildOptions& options);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    // Polls until the child ends or `ms` pass, calling `poll` every `everyMs`; true when it ended.
    bool waitFor(int ms, const std::function<void()>& poll = {}, int everyMs = 50);
    // Polls every `everyMs` until `moment` holds while the child runs (true),
    // or the child ends or `ms` pass (false).
    bool waitUntil(int ms, const std::function<bool()>& moment, int everyMs = 5);
    // Sends `number` to the child if it is still running; whether it was.
    bool signal(int number);
    bool exitedNormally() const;
    int exitCode() const;
    QString err() const;

  private:
    QTemporaryDir output_;
    pid_t pid_ = -1;
    int status_ = 0;
    bool ended_ = false;
};

// The built program `name`.
QString program(const QString& name);
// Makes this process adopt the orphans of its children, so helpers that
// outlive the program they served can be found and counted.
void AdoptOrphans();
// Processes this test adopted that are still running after a short grace;
// they are killed (with their process groups) and reaped before returning.
QList<pid_t> Leftovers();
// Resident memory in KiB of `root` and every process below it.
qint64 TreeResidentKiB(pid_t root);
// Memory in KiB of `root` and every process below it, pages shared between
// them counted once in all (proportional set size).
qint64 TreeProportionalKiB(pid_t root);
// Open file descriptors of `pid`, or -1.
int OpenFdCount(pid_t pid);
// What each open descriptor of `pid` refers to, by number.
QMap<int, QString> OpenFds(pid_t pid);
// Kills every running process below `root` (not `root`): the engine, however
// it is built. How many it reached.
int KillDescendants(pid_t root);
// Whether a slide bitmap ("Slide<n>.bmp") lies anywhere under `folder`.
bool SlideBitmapUnder(const QString& folder);
// Pids of the running children of `parent`.
QList<pid_t> ChildrenOf(pid_t parent);
// Temporary video files (".quillmoor-*") left in `folder`.
QStringList TemporaryVideos(const QString& folder);
// Frames of a finished video, or -1 when it cannot be read.
int FrameCount(const QString& video);
