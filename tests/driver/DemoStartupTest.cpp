// The start-up sequence: its order, the clock starting after loading, missing and broken files.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "DemoData.h"
#include "driver/Demo.h"
#include "driver/Program.h"
#include "geometry/MeshFile.h"
#include "media/DataFiles.h"
#include "media/MusicPlayer.h"
#include "pixels/ManualClock.h"

namespace tepple {

namespace {

using Steps = std::vector<StartupStep>;

size_t indexOf(const Steps& steps, StartupStep step)
{
    return static_cast<size_t>(std::find(steps.begin(), steps.end(), step) - steps.begin());
}

// Notes how many start-up steps had been reported when the music was started.
class RecordingPlayer : public MusicPlayer {
public:
    RecordingPlayer(const Steps& steps, std::vector<size_t>& startedAt) : steps_(steps), startedAt_(startedAt)
    {
    }
    int start() override
    {
        startedAt_.push_back(steps_.size());
        return 0;
    }

private:
    const Steps& steps_;
    std::vector<size_t>& startedAt_;
};

// A console whose window never opens.
class NoWindowConsole : public HeadlessConsole {
public:
    bool open(const std::string&, int, int, const Format&, int) override
    {
        lastError_ = "no display";
        return false;
    }
};

} // namespace

TEST(DemoStartup, RunsEveryStepOnceInOrderWithMusicBeforeTheFirstMesh)
{
    DemoData data;
    HeadlessConsole console;
    ManualClock clock;
    Steps steps;
    std::vector<size_t> musicStartedAt;
    std::string musicPath;
    DemoSetup setup = headlessSetup(console, clock, data);
    setup.onStartupStep = [&steps](StartupStep step) { steps.push_back(step); };
    setup.makeMusicPlayer = [&](const std::string& path) {
        musicPath = path;
        return std::make_unique<RecordingPlayer>(steps, musicStartedAt);
    };
    Demo demo(setup);

    const Steps expected = {
        StartupStep::DisplayFormat,     StartupStep::ConsoleOpened, StartupStep::PlasmaTexture,
        StartupStep::ScreenSurface,     StartupStep::FlareTexture,  StartupStep::MushroomTexture,
        StartupStep::BackgroundSurface, StartupStep::DemoTimer,     StartupStep::Renderer,
        StartupStep::MusicStarted,      StartupStep::StarField,     StartupStep::ColumnMesh,
        StartupStep::CentrePieceMesh,   StartupStep::BouncerMesh,   StartupStep::MushroomMeshes,
        StartupStep::KnotMesh,          StartupStep::CapsuleMesh,   StartupStep::SceneState,
        StartupStep::TimerStarted};
    EXPECT_EQ(steps, expected);
    // Started exactly once, after the renderer and before the star field and any mesh file.
    ASSERT_EQ(musicStartedAt.size(), 1u);
    EXPECT_EQ(musicStartedAt[0], indexOf(steps, StartupStep::Renderer) + 1);
    // Found in the data folder like every other data file, not in the working folder.
    EXPECT_EQ(musicPath, data.path(dataFiles::soundtrack));
}

TEST(DemoStartup, TimelineClockStartsOnlyAfterTheLastMeshIsLoaded)
{
    DemoData data;
    HeadlessConsole console;
    ManualClock clock;
    DemoSetup setup = headlessSetup(console, clock, data);
    // Every step up to the timer's start takes 30 s of the clock; the timeline sees none of it.
    setup.onStartupStep = [&clock](StartupStep step) {
        if (step != StartupStep::TimerStarted) clock.advance(30.0);
    };
    Demo demo(setup);

    clock.advance(0.25);
    EXPECT_EQ(demo.step(), FrameResult::Presented);
    EXPECT_EQ(demo.frame().demoTime, 0.25);
    EXPECT_EQ(demo.frame().frameDelta, 0.25);
}

TEST(DemoStartup, OpensTheWindowBeforeTheFirstTextureWithTitleAndSize)
{
    DemoData data;
    HeadlessConsole console;
    ManualClock clock;
    bool openForTexture = false;
    DemoSetup setup = headlessSetup(console, clock, data);
    setup.onStartupStep = [&](StartupStep step) {
        if (step == StartupStep::PlasmaTexture) openForTexture = console.isOpen();
    };
    Demo demo(setup);
    EXPECT_TRUE(openForTexture);
    EXPECT_EQ(console.title(), "Tepple polygon engine");
    EXPECT_EQ(console.width(), 640);
    EXPECT_EQ(console.height(), 480);
    EXPECT_EQ(demo.frame().sceneClock, 0.0);
    EXPECT_FALSE(demo.frame().fadeTrails);
    EXPECT_EQ(demo.objects().renderer.frame(), 0u);
}

TEST(DemoStartup, ColumnStandsWithYAndZExchangedInVerticesAndCorners)
{
    DemoData data;
    std::vector<Vertex> lying = {Vertex(1, 2, 3, 0x102030), Vertex(4, 5, 6, 0x405060),
                                 Vertex(7, 8, 9, 0x708090)};
    writeLsbFile(data.path(dataFiles::columnMesh), lying, {0, 1, 2});
    HeadlessDemo run(data);

    const Mesh& column = run.demo->objects().column;
    ASSERT_EQ(column.vertexCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(column.vertices[i].x, lying[i].x);
        EXPECT_EQ(column.vertices[i].y, lying[i].z);
        EXPECT_EQ(column.vertices[i].z, lying[i].y);
        EXPECT_EQ(column.cornerPositions[i].y, lying[i].z);
        EXPECT_EQ(column.cornerPositions[i].z, lying[i].y);
    }
    // The other meshes keep the file's orientation.
    EXPECT_EQ(run.demo->objects().capsule.vertices[7].y, DemoData::cubeVertices(8.0f)[7].y);
}

TEST(DemoStartup, MissingFlareGivesOneMessageAndTheRunStillReachesItsEnd)
{
    DemoData data;
    data.remove(dataFiles::flareTexture);
    HeadlessDemo run(data);

    ASSERT_EQ(run.console.messages().size(), 1u);
    EXPECT_EQ(run.console.messages()[0].text, "Could not load file.");
    EXPECT_EQ(run.console.messages()[0].caption, "Hehe :-D");
    EXPECT_EQ(run.console.messages()[0].detail, data.path(dataFiles::flareTexture));

    FrameResult result = FrameResult::Presented;
    double seconds = 0.0;
    int frames = 0;
    while (result == FrameResult::Presented && frames < 1000) {
        result = run.stepAt(seconds);
        seconds += 0.75;
        ++frames;
    }
    EXPECT_EQ(result, FrameResult::TimelineExit);
    EXPECT_GT(seconds, timelineEnd);
    EXPECT_TRUE(run.console.wasClosed());
    EXPECT_EQ(run.console.messages().size(), 1u);
    // The exit is final: further steps neither draw nor present.
    const int shown = run.console.updateCount();
    EXPECT_EQ(run.stepAt(seconds), FrameResult::TimelineExit);
    EXPECT_EQ(run.console.updateCount(), shown);
}

TEST(DemoStartup, KeyPressEndsTheRunAndClosesTheWindow)
{
    DemoData data;
    HeadlessDemo run(data);
    run.console.pressKeyAfterFrames(3);
    run.clock.set(1.0);
    EXPECT_EQ(run.demo->run(), FrameResult::KeyExit);
    EXPECT_EQ(run.console.updateCount(), 3);
    EXPECT_TRUE(run.console.wasClosed());
}

TEST(DemoStartup, CorruptMeshStopsStartUpWithAnErrorNamingTheFile)
{
    DemoData data;
    data.write(dataFiles::knotMesh, {1, 0, 0, 0, 2, 0, 0});
    HeadlessConsole console;
    ManualClock clock;
    Steps steps;
    DemoSetup setup = headlessSetup(console, clock, data);
    setup.onStartupStep = [&steps](StartupStep step) { steps.push_back(step); };

    try {
        Demo demo(setup);
        FAIL() << "a corrupt mesh must stop start-up";
    } catch (const MeshError& error) {
        EXPECT_NE(std::string(error.what()).find(dataFiles::knotMesh), std::string::npos) << error.what();
    }
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), StartupStep::MushroomMeshes);
    EXPECT_EQ(indexOf(steps, StartupStep::TimerStarted), steps.size());
}

TEST(DemoProgram, CorruptMeshIsShownThenTheWindowClosesWithAFailureStatus)
{
    DemoData data;
    data.write(dataFiles::capsuleMesh, std::vector<uint8_t>(40, 0xFF));
    HeadlessConsole console;
    ManualClock clock;

    EXPECT_EQ(runProgram(headlessSetup(console, clock, data)), 1);
    ASSERT_EQ(console.messages().size(), 1u);
    EXPECT_NE(console.messages()[0].text.find(dataFiles::capsuleMesh), std::string::npos);
    EXPECT_FALSE(console.messages()[0].caption.empty());
    EXPECT_TRUE(console.wasClosed());
    EXPECT_EQ(console.updateCount(), 0);
}

TEST(DemoProgram, WindowThatCannotOpenFailsBeforeAnythingIsBuilt)
{
    DemoData data;
    NoWindowConsole console;
    ManualClock clock;
    Steps steps;
    DemoSetup setup = headlessSetup(console, clock, data);
    setup.onStartupStep = [&steps](StartupStep step) { steps.push_back(step); };
    EXPECT_EQ(runProgram(setup), 1);
    EXPECT_EQ(steps, Steps{StartupStep::DisplayFormat});
}

TEST(DemoProgram, BothNormalExitsReturnZero)
{
    DemoData data;
    {
        HeadlessConsole console;
        console.pressKeyAfterFrames(2);
        ManualClock clock;
        EXPECT_EQ(runProgram(headlessSetup(console, clock, data)), 0);
        EXPECT_EQ(console.updateCount(), 2);
    }
    {
        HeadlessConsole console;
        ManualClock clock;
        DemoSetup setup = headlessSetup(console, clock, data);
        setup.onStartupStep = [&clock](StartupStep step) {
            if (step == StartupStep::TimerStarted) clock.advance(151.0); // the first frame is past the end
        };
        EXPECT_EQ(runProgram(setup), 0);
        EXPECT_EQ(console.updateCount(), 0);
        EXPECT_TRUE(console.wasClosed());
    }
}

TEST(DemoProgram, AnyOtherStartUpFailureClosesTheWindowWithAFailureStatus)
{
    DemoData data;
    HeadlessConsole console;
    ManualClock clock;
    DemoSetup setup = headlessSetup(console, clock, data);
    setup.onStartupStep = [](StartupStep step) {
        if (step == StartupStep::KnotMesh) throw std::bad_alloc();
    };
    EXPECT_EQ(runProgram(setup), 1);
    EXPECT_TRUE(console.wasClosed());
    EXPECT_EQ(console.updateCount(), 0);
}

TEST(DemoProgram, EchoedTextCannotControlTheTerminal)
{
    // Every byte value, alone and after text: nothing a terminal obeys comes through, and plain
    // text (UTF-8 included) comes through unchanged.
    for (int byte = 0; byte < 256; ++byte) {
        const std::string shown = printable("a" + std::string(1, static_cast<char>(byte)) + "\xC2\x9B");
        for (size_t i = 0; i < shown.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(shown[i]);
            EXPECT_FALSE(c < 0x20 || c == 0x7F ||
                         (c == 0xC2 && i + 1 < shown.size() &&
                          static_cast<unsigned char>(shown[i + 1]) < 0xA0))
                << "byte " << byte << " shown as " << shown;
        }
    }
    EXPECT_EQ(printable("\x1b[31mRED\n"), "\\e[31mRED\\n");
    EXPECT_EQ(printable("mesh \xC3\xA9t\xC3\xA9 a\\b"), "mesh \xC3\xA9t\xC3\xA9 a\\\\b");
}

} // namespace tepple
