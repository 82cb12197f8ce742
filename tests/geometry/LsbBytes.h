#pragma once
// Builds and reads LSB bytes by hand, independently of the encoder, so tests can check the
// encoder's layout and craft malformed files.
#include <cstdint>
#include <cstring>
#include <vector>

namespace tepple {

inline void appendU16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

inline void appendU32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void appendFloat(std::vector<uint8_t>& bytes, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    appendU32(bytes, bits);
}

inline uint32_t readU32(const std::vector<uint8_t>& bytes, size_t offset)
{
    return static_cast<uint32_t>(bytes.at(offset)) | static_cast<uint32_t>(bytes.at(offset + 1)) << 8 |
           static_cast<uint32_t>(bytes.at(offset + 2)) << 16 | static_cast<uint32_t>(bytes.at(offset + 3)) << 24;
}

inline uint16_t readU16(const std::vector<uint8_t>& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

inline float readFloat(const std::vector<uint8_t>& bytes, size_t offset)
{
    const uint32_t bits = readU32(bytes, offset);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// A header with the two unused words zero.
inline std::vector<uint8_t> lsbHeader(int32_t indexCount, int32_t vertexCount)
{
    std::vector<uint8_t> bytes;
    appendU32(bytes, 0);
    appendU32(bytes, 0);
    appendU32(bytes, static_cast<uint32_t>(indexCount));
    appendU32(bytes, static_cast<uint32_t>(vertexCount));
    return bytes;
}

// One 36-byte record with the values as stored in the file (y and z already negated).
inline void appendRecord(std::vector<uint8_t>& bytes, float x, float y, float z, uint32_t colour, float u,
                         float v)
{
    appendFloat(bytes, x);
    appendFloat(bytes, y);
    appendFloat(bytes, z);
    for (int i = 0; i < 3; ++i) appendU32(bytes, 0);
    appendU32(bytes, colour);
    appendFloat(bytes, u);
    appendFloat(bytes, v);
}

} // namespace tepple
