// Loaded into the real engine parent (LD_PRELOAD) to make faults it cannot be
// made to show on its own, chosen by QUILLMOOR_TEST_FAULT:
//   thread-after-fork: after its first engine, the parent runs a second thread;
//   hang-first-engine: the first engine never answers (QUILLMOOR_TEST_MARK
//       names the file that marks it taken);
//   hang-every-engine: no engine ever answers;
//   crash-making-folder: an engine ends with exit code 3 where it would create
//       the folder QUILLMOOR_TEST_MARK names (its slides' folder, as it saves).
// The profile's first start, forked before LibreOffice is loaded, is left alone.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {
bool fault(const char* name) {
    const char* chosen = std::getenv("QUILLMOOR_TEST_FAULT");
    return chosen && std::strcmp(chosen, name) == 0;
}

bool officeLoaded() {
    void* office = ::dlopen("libmergedlo.so", RTLD_NOW | RTLD_NOLOAD);
    if (office) ::dlclose(office);
    return office != nullptr;
}

void* sleepForever(void*) {
    for (;;) ::pause();
}

void inParent() {
    static bool started = false;
    if (started || !fault("thread-after-fork") || !officeLoaded()) return;
    started = true;
    pthread_t thread;
    pthread_create(&thread, nullptr, sleepForever, nullptr);
}

void inChild() {
    if (!officeLoaded()) return;
    bool hang = fault("hang-every-engine");
    if (fault("hang-first-engine")) {
        const char* mark = std::getenv("QUILLMOOR_TEST_MARK");
        const int fd = mark ? ::open(mark, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600) : -1;
        hang = fd >= 0;
        if (fd >= 0) ::close(fd);
    }
    if (hang) sleepForever(nullptr);
}

}  // namespace

extern "C" int mkdir(const char* path, mode_t mode) {
    static const auto real =
        reinterpret_cast<int (*)(const char*, mode_t)>(::dlsym(RTLD_NEXT, "mkdir"));
    const char* mark = std::getenv("QUILLMOOR_TEST_MARK");
    if (fault("crash-making-folder") && mark && std::strcmp(path, mark) == 0) ::_exit(3);
    return real(path, mode);
}

namespace {
__attribute__((constructor)) void install() {
    pthread_atfork(nullptr, inParent, inChild);
}
}  // namespace
