#include <gtest/gtest.h>

#include "engine/outputnaming.h"

TEST(OutputNaming, CutsTheExtensionFromTheFileNameOnly) {
    EXPECT_EQ(VideoFileName(QStringLiteral("/decks/Q3 review.pptx")),
              QStringLiteral("Q3 review.avi"));
    EXPECT_EQ(VideoFileName(QStringLiteral("/decks/plan.final.ppt")),
              QStringLiteral("plan.final.avi"));
    EXPECT_EQ(VideoFileName(QStringLiteral("/decks/agenda")), QStringLiteral("agenda.avi"));
    EXPECT_EQ(VideoFileName(QStringLiteral("/decks/Data.old/agenda")),
              QStringLiteral("agenda.avi"));
    EXPECT_EQ(VideoFileName(QStringLiteral("/decks/.x")), QStringLiteral(".x.avi"));
}

TEST(OutputNaming, JoinsFolderAndNameWithOneSeparator) {
    EXPECT_EQ(VideoPath(QStringLiteral("/out/"), QStringLiteral("/decks/plan.final.ppt")),
              QStringLiteral("/out/plan.final.avi"));
    EXPECT_EQ(VideoPath(QStringLiteral("/out"), QStringLiteral("/decks/plan.ppt")),
              QStringLiteral("/out/plan.avi"));
    EXPECT_EQ(VideoPath(QStringLiteral("/"), QStringLiteral("/plan.ppt")),
              QStringLiteral("/plan.avi"));
}

TEST(OutputNaming, ASecondVideoOfTheSameRunGetsANumber) {
    RunOutputs outputs;
    EXPECT_EQ(outputs.free(QStringLiteral("/out/a.avi")), QStringLiteral("/out/a.avi"));
    outputs.markWritten(QStringLiteral("/out/a.avi"));
    EXPECT_EQ(outputs.free(QStringLiteral("/out/a.avi")), QStringLiteral("/out/a (2).avi"));
    outputs.markWritten(QStringLiteral("/out/a (2).avi"));
    EXPECT_EQ(outputs.free(QStringLiteral("/out//a.avi")), QStringLiteral("/out//a (3).avi"));
    EXPECT_EQ(outputs.free(QStringLiteral("/out/b.avi")), QStringLiteral("/out/b.avi"));
    outputs.clear();
    EXPECT_EQ(outputs.free(QStringLiteral("/out/a.avi")), QStringLiteral("/out/a.avi"));
}

TEST(OutputNaming, EachContainerNamesItsVideosAndNumbersThemBeforeItsExtension) {
    const struct {
        VideoContainer container;
        const char* name;
        const char* second;
    } cases[] = {{VideoContainer::Mp4, "/out/a.mp4", "/out/a (2).mp4"},
                 {VideoContainer::Matroska, "/out/a.mkv", "/out/a (2).mkv"},
                 {VideoContainer::Avi, "/out/a.avi", "/out/a (2).avi"}};
    for (const auto& c : cases) {
        const QString path =
            VideoPath(QStringLiteral("/out"), QStringLiteral("/d/a.pptx"), c.container);
        EXPECT_EQ(path, QLatin1String(c.name));
        EXPECT_EQ(ContainerForPath(path), c.container);
        RunOutputs outputs;
        outputs.markWritten(path);
        EXPECT_EQ(outputs.free(path), QLatin1String(c.second));
    }
}
