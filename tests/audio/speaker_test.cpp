#include <gtest/gtest.h>

#include "audio/speaker.h"

// Paragraphs spoken one after another, each span where its words are; a
// language or voice eSpeak NG lacks falls back to the default voice with one note.
TEST(Speaker, SpeaksParagraphsInTurnAndFallsBackToTheDefaultVoice) {
    const QStringList paragraphs{QStringLiteral("Hello there."), QString(),
                                 QStringLiteral("A second, longer paragraph of words.")};
    const struct {
        SpeechOptions options;
        const char* language;
        const char* note;  // in the note, "" for none
    } cases[] = {
        {{}, "en-US", ""},
        {{}, "de", ""},
        {{}, "", ""},
        {{}, "xx-YY", "no voice for the language \"xx-YY\""},
        {{QStringLiteral("nosuchvoice"), 0}, "en", "no voice \"nosuchvoice\""},
    };
    qint64 usual = 0;
    for (const auto& c : cases) {
        Speaker speaker(c.options);
        ASSERT_TRUE(speaker.error().isEmpty()) << speaker.error().toStdString();
        const Speech speech = speaker.speak(paragraphs, QLatin1String(c.language));
        ASSERT_TRUE(speech.ok()) << speech.error.toStdString();
        if (*c.note)
            EXPECT_TRUE(speech.note.contains(QLatin1String(c.note))) << speech.note.toStdString();
        else
            EXPECT_TRUE(speech.note.isEmpty()) << c.language << speech.note.toStdString();
        ASSERT_EQ(speech.paragraphs.size(), 3);
        EXPECT_EQ(speech.paragraphs[0].startMs, 0);
        EXPECT_GT(speech.paragraphs[0].endMs, 300);
        EXPECT_EQ(speech.paragraphs[1].startMs, speech.paragraphs[1].endMs);  // nothing to say
        EXPECT_GT(speech.paragraphs[2].endMs - speech.paragraphs[2].startMs,
                  speech.paragraphs[0].endMs);
        EXPECT_EQ(speech.paragraphs[2].endMs, speech.pcm.milliseconds());
        if (usual == 0) usual = speech.pcm.milliseconds();
    }
    Speaker fast(SpeechOptions{QString(), FastestSpeech});
    EXPECT_LT(fast.speak(paragraphs, QStringLiteral("en-US")).pcm.milliseconds(), usual * 3 / 4);
}
