// SPDX-License-Identifier: GPL-3.0-or-later
// Folder-scan benchmark: builds a tree, or scans one the way "Add All File(s)
// In Folder" does (every sub-folder, then each folder's listing for a pattern).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "util/folderscan.h"
#include "util/prompts.h"

namespace {

// Reports go to stderr: a scan of a clean generated tree should show none.
class StderrPrompts : public Prompts {
  public:
    void message(const QString& text, Icon, const QString&) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
    bool askYesNo(const QString&, Icon, const QString&) override { return false; }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    QString browseForFolder(const QString&, const QString&) override { return {}; }
    QStringList openFiles(const QString&, const QStringList&) override { return {}; }
    int compressionOptions(CompressOptions&) override { return 0; }
};

// 20 x 20 x 50 folders (20,421 with the root), ten files in each leaf (200,000), one
// in ten "*.ppt" and one in ten "*.PPT".
int generate(const char* root) {
    static const char* const kinds[] = {"a.ppt", "b.PPT",     "c.pptx", "d.txt", "e.bmp",
                                        "f.doc", "g.ppt.bak", "h.xls",  "i.png", "Notes"};
    char path[4096];
    if (::mkdir(root, 0755) != 0) return std::perror(root), 1;
    for (int a = 0; a < 20; ++a) {
        std::snprintf(path, sizeof path, "%s/Group %02d", root, a);
        if (::mkdir(path, 0755) != 0) return std::perror(path), 1;
        for (int b = 0; b < 20; ++b) {
            std::snprintf(path, sizeof path, "%s/Group %02d/Course %02d", root, a, b);
            if (::mkdir(path, 0755) != 0) return std::perror(path), 1;
            for (int c = 0; c < 50; ++c) {
                std::snprintf(path, sizeof path, "%s/Group %02d/Course %02d/Lesson %02d", root, a,
                              b, c);
                if (::mkdir(path, 0755) != 0) return std::perror(path), 1;
                for (const char* kind : kinds) {
                    std::snprintf(path, sizeof path,
                                  "%s/Group %02d/Course %02d/Lesson %02d/Lecture %d-%d-%d %s", root,
                                  a, b, c, a, b, c, kind);
                    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                    if (fd < 0) return std::perror(path), 1;
                    ::close(fd);
                }
            }
        }
    }
    return 0;
}

int scan(const QString& root, const QString& pattern) {
    StderrPrompts prompts;
    QElapsedTimer timer;
    timer.start();
    QStringList folders{root.endsWith(u'/') ? root : root + QLatin1Char('/')};
    GetSubDirectories2016(folders, true, prompts);
    qint64 files = 0;
    for (const QString& folder : folders) files += GetFileList(folder, pattern).upperIndex();
    std::printf("%lld files in %lld folders, %.3f s inside the program\n",
                static_cast<long long>(files), static_cast<long long>(folders.size()),
                timer.nsecsElapsed() / 1e9);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && QByteArray(argv[1]) == "generate") return generate(argv[2]);
    if (argc == 4 && QByteArray(argv[1]) == "scan") {
        QCoreApplication app(argc, argv);  // so each yield really runs the event loop
        return scan(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    std::fprintf(stderr, "usage: bench_scan generate DIR | bench_scan scan DIR PATTERN\n");
    return 2;
}
