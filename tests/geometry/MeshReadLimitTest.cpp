// Loading reads only the bytes the header accounts for: what follows the last record, however
// much there is, is never read, so a huge file cannot exhaust memory; a source that never ends
// or makes the reader wait (a device, a named pipe) is not read at all.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "geometry/Mesh.h"

namespace tepple {

namespace {

std::string tempPath(const std::string& name) { return ::testing::TempDir() + name; }

// Expects loading `path` to fail at once with a message naming it as no regular file. A loader
// that waits for a named pipe's writer is released after two seconds and fails the test rather
// than hang it.
void expectRefusedAtOnce(const std::string& path, bool namedPipe)
{
    std::promise<void> loaded;
    std::future<void> done = loaded.get_future();
    std::thread rescuer([&] {
        if (namedPipe && done.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
            ADD_FAILURE() << path << ": still waiting for a writer after 2 s";
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
    });
    Mesh mesh;
    std::string message;
    try {
        mesh.load(path);
    } catch (const MeshError& error) {
        message = error.what();
    }
    loaded.set_value();
    rescuer.join();
    EXPECT_EQ(message.rfind(path + ": cannot open: it is a ", 0), 0u) << message;
    EXPECT_NE(message.find("not a regular file"), std::string::npos) << message;
    EXPECT_EQ(mesh.vertexCount, 0);
}

} // namespace

TEST(MeshReadLimit, EndlessOrWaitingSourcesAreRefusedAtOnce)
{
    // All zeros would read as an empty header followed by bytes without end.
    expectRefusedAtOnce("/dev/zero", false);
    // A named pipe with no writer: opening it for reading would wait for one forever.
    const std::string pipe = tempPath("mesh_named_pipe.LSB");
    std::remove(pipe.c_str());
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    expectRefusedAtOnce(pipe, true);
    std::remove(pipe.c_str());
}

TEST(MeshReadLimit, TrailingBytesAfterTheLastRecordAreIgnored)
{
    const std::vector<Vertex> vertices = {Vertex(0, 0, 0, 1), Vertex(1, 0, 0, 2), Vertex(0, 1, 0, 3)};
    std::vector<uint8_t> bytes = encodeLsb(vertices, {0, 1, 2});
    bytes.resize(bytes.size() + (4u << 20), 0xFF);
    const std::string path = tempPath("mesh_trailing_bytes.LSB");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);

    Mesh mesh;
    mesh.load(path);
    std::remove(path.c_str());
    EXPECT_EQ(mesh.faceCount, 1);
    ASSERT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.vertices[2].colour, 3u);
}

TEST(MeshReadLimit, HeaderClaimingGigabytesOfAShortFileIsReportedAsShort)
{
    // 2^31 - 1 vertices declared, 40 bytes present: nothing near the declared size is allocated.
    std::vector<uint8_t> bytes(40, 0);
    bytes[12] = 0xFF;
    bytes[13] = 0xFF;
    bytes[14] = 0xFF;
    bytes[15] = 0x7F;
    const std::string path = tempPath("mesh_lying_header.LSB");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);

    Mesh mesh;
    try {
        mesh.load(path);
        ADD_FAILURE() << "a 40-byte file loaded";
    } catch (const MeshError& error) {
        EXPECT_NE(std::string(error.what()).find("40 bytes is shorter"), std::string::npos) << error.what();
    }
    std::remove(path.c_str());
}

} // namespace tepple
