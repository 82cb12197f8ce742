#include <gtest/gtest.h>

#include "pixels/HeadlessConsole.h"

namespace tepple {

TEST(HeadlessConsole, OpensAtTheAskedSizeWithABlackPixelBlock)
{
    HeadlessConsole console;
    EXPECT_FALSE(console.isOpen());
    EXPECT_TRUE(console.open("Tepple polygon engine", 8, 6, displayFormat32(), 0));
    EXPECT_TRUE(console.isOpen());
    EXPECT_EQ(console.title(), "Tepple polygon engine");
    EXPECT_EQ(console.width(), 8);
    EXPECT_EQ(console.height(), 6);
    for (int i = 0; i < 48; ++i) EXPECT_EQ(console.pixels()[i], 0u);
    EXPECT_TRUE(console.lastFrame().empty());
    EXPECT_TRUE(console.lastError().empty());
}

TEST(HeadlessConsole, UpdateKeepsACopyOfThePresentedPixels)
{
    HeadlessConsole console;
    console.update();
    EXPECT_EQ(console.updateCount(), 0);

    console.open("frames", 2, 2, displayFormat32(), 0);
    console.pixels()[3] = 0x00FF8000;
    console.update();
    console.pixels()[3] = 0x00000001;
    EXPECT_EQ(console.updateCount(), 1);
    ASSERT_EQ(console.lastFrame().size(), 4u);
    EXPECT_EQ(console.lastFrame()[3], 0x00FF8000u);

    console.close();
    EXPECT_TRUE(console.wasClosed());
    EXPECT_FALSE(console.isOpen());
    console.update();
    EXPECT_EQ(console.updateCount(), 1);
    EXPECT_EQ(console.lastFrame()[3], 0x00FF8000u);
}

TEST(HeadlessConsole, ScriptedKeyArrivesAfterTheGivenFramesAndStaysWaiting)
{
    HeadlessConsole console;
    console.open("keys", 1, 1, displayFormat32(), 0);
    EXPECT_FALSE(console.key());
    console.update();
    console.pressKeyAfterFrames(2);
    EXPECT_FALSE(console.key());
    console.update();
    EXPECT_FALSE(console.key());
    console.update();
    EXPECT_TRUE(console.key());
    EXPECT_TRUE(console.key());
}

TEST(HeadlessConsole, EarliestScriptedKeyWins)
{
    HeadlessConsole console;
    console.open("keys", 1, 1, displayFormat32(), 0);
    console.pressKeyAfterFrames(1);
    console.pressKeyAfterFrames(5);
    console.update();
    EXPECT_TRUE(console.key());

    HeadlessConsole now;
    now.open("keys", 1, 1, displayFormat32(), 0);
    now.pressKeyAfterFrames(1000);
    now.pressKey();
    EXPECT_TRUE(now.key());

    HeadlessConsole distant;
    distant.open("keys", 1, 1, displayFormat32(), 0);
    distant.update();
    distant.pressKeyAfterFrames(2147483647);
    EXPECT_FALSE(distant.key());
}

TEST(HeadlessConsole, MessagesAreRecordedAndWrittenToStandardError)
{
    HeadlessConsole console;
    testing::internal::CaptureStderr();
    console.message("Could not load file.", "Hehe :-D", "flare.tga");
    const std::string written = testing::internal::GetCapturedStderr();
    ASSERT_EQ(console.messages().size(), 1u);
    EXPECT_EQ(console.messages()[0].text, "Could not load file.");
    EXPECT_EQ(console.messages()[0].caption, "Hehe :-D");
    EXPECT_EQ(console.messages()[0].detail, "flare.tga");
    EXPECT_NE(written.find("Could not load file."), std::string::npos);
    EXPECT_NE(written.find("flare.tga"), std::string::npos);
}

} // namespace tepple
