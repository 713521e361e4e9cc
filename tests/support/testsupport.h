#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <functional>

#include "util/failure.h"

// The project's source folder and the folder of built programs.
QString sourceDir();
QString binDir();

// A file of the project's own test fixtures (tests/fixtures/).
QString fixture(const QString& name);

// The description of the Failure `call` throws, or "(no failure)".
template <typename Call>
QString failureOf(Call&& call) {
    try {
        call();
    } catch (const Failure& failure) {
        return failure.description();
    }
    return QStringLiteral("(no failure)");
}

// The shared real-world decks beside the project, or "" when this clone has none.
QString sharedDecksDir();

// Skips the current test with a printed reason when the shared decks are absent.
#define REQUIRE_SHARED_DECKS()                                                   \
    do {                                                                         \
        if (sharedDecksDir().isEmpty())                                          \
            GTEST_SKIP() << "../shared/decks is not beside this clone; skipped"; \
    } while (0)

// Skips the current test when the process runs as root (permission tests).
#define SKIP_IF_ROOT(why)                                                 \
    do {                                                                  \
        if (::geteuid() == 0) GTEST_SKIP() << "running as root: " << why; \
    } while (0)
#include <unistd.h>

// Writes `bytes` to `path`, creating parent folders; fails the test on error.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// Permissions do not stop root: as root, runs `work` in a child process as the
// unprivileged user "nobody" and hands back what it returned (or "child
// failed"); as anyone else, runs it here.
QByteArray runWithoutPrivileges(const std::function<QByteArray()>& work);
// Whether "nobody" can reach `path`: every folder above it is searchable by others.
bool nobodyCanReach(const QString& path);
