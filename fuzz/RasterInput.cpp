#include "RasterInput.h"

#include <cstring>

namespace tepple {

namespace {

constexpr size_t maxLights = 8;

// Reads consecutive bytes, giving zeros past the end.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t byte() { return offset_ < size_ ? data_[offset_++] : (offset_++, 0); }

    uint32_t word()
    {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= static_cast<uint32_t>(byte()) << shift;
        return value;
    }

    float real()
    {
        const uint32_t bits = word();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    size_t remaining() const { return offset_ < size_ ? size_ - offset_ : 0; }

    Vertex vertex()
    {
        Vertex v;
        std::memcpy(&v, data_ + offset_, sizeof v);
        offset_ += sizeof v;
        return v;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

void putWord(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void putReal(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putWord(out, bits);
}

void putVertex(std::vector<uint8_t>& out, const Vertex& v)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), bytes, bytes + sizeof v);
}

TextureChoice textureChoice(unsigned nibble)
{
    return static_cast<TextureChoice>(nibble % static_cast<unsigned>(TextureChoice::Count));
}

} // namespace

RasterInput decodeRasterInput(const uint8_t* data, size_t size)
{
    ByteReader reader(data, size);
    RasterInput input;
    const uint8_t settings = reader.byte();
    input.blendMode = settings & 1;
    input.backfaceCull = (settings >> 1) & 1;
    const bool withNormals = (settings & 4) != 0;
    input.wrongSizeTarget = (settings & 8) != 0;
    const uint8_t textures = reader.byte();
    input.firstTexture = textureChoice(textures & 0x0F);
    input.secondTexture = textureChoice(textures >> 4);
    const size_t lightCount = reader.byte() % (maxLights + 1);
    input.missingNormals = reader.byte();
    input.frame = reader.word();
    input.ownViewport = (settings & 16) != 0;
    if (input.ownViewport) {
        const uint32_t size = reader.word();
        input.viewport.width = 1 + static_cast<int>((size & 0xFFFF) % maxFuzzSide);
        input.viewport.height = 1 + static_cast<int>((size >> 16) % maxFuzzSide);
        input.viewport.focalLength = reader.real();
        input.viewport.centreX = reader.real();
        input.viewport.centreY = reader.real();
        input.viewport.nearDistance = reader.real();
        input.viewport.farDistance = reader.real();
        const uint8_t flags = reader.byte();
        input.viewport.clipNear = (flags & 1) != 0;
        input.viewport.demoRules = (flags & 2) != 0;
    }

    for (size_t i = 0; i < lightCount; ++i) {
        Light light;
        light.position.x = reader.real();
        light.position.y = reader.real();
        light.position.z = reader.real();
        light.red = reader.real();
        light.green = reader.real();
        light.blue = reader.real();
        input.lights.push_back(light);
    }

    const size_t records = reader.remaining() / sizeof(Vertex);
    const size_t positionCount = withNormals ? records / 2 : records;
    for (size_t i = 0; i < positionCount; ++i) input.positions.push_back(reader.vertex());
    if (withNormals) {
        for (size_t i = 0; i < positionCount; ++i) input.normals.push_back(reader.vertex());
    }
    return input;
}

std::vector<uint8_t> encodeRasterInput(const RasterInput& input)
{
    std::vector<uint8_t> out;
    const bool withNormals = !input.normals.empty();
    out.push_back(static_cast<uint8_t>((input.blendMode & 1) | (input.backfaceCull & 1) << 1 |
                                       (withNormals ? 4 : 0) | (input.wrongSizeTarget ? 8 : 0) |
                                       (input.ownViewport ? 16 : 0)));
    out.push_back(static_cast<uint8_t>(static_cast<unsigned>(input.firstTexture) |
                                       static_cast<unsigned>(input.secondTexture) << 4));
    out.push_back(static_cast<uint8_t>(input.lights.size() <= maxLights ? input.lights.size() : maxLights));
    out.push_back(input.missingNormals);
    putWord(out, input.frame);
    if (input.ownViewport) {
        const Viewport& v = input.viewport;
        putWord(out, static_cast<uint32_t>(v.width - 1) | static_cast<uint32_t>(v.height - 1) << 16);
        for (const double value : {v.focalLength, v.centreX, v.centreY, v.nearDistance, v.farDistance}) {
            putReal(out, static_cast<float>(value));
        }
        out.push_back(static_cast<uint8_t>((v.clipNear ? 1 : 0) | (v.demoRules ? 2 : 0)));
    }
    for (size_t i = 0; i < input.lights.size() && i < maxLights; ++i) {
        const Light& light = input.lights[i];
        for (float value : {light.position.x, light.position.y, light.position.z, light.red, light.green, light.blue}) {
            putReal(out, value);
        }
    }
    for (const Vertex& v : input.positions) putVertex(out, v);
    if (withNormals) {
        for (size_t i = 0; i < input.positions.size(); ++i) {
            putVertex(out, i < input.normals.size() ? input.normals[i] : Vertex(0, 0, 0, 0));
        }
    }
    return out;
}

} // namespace tepple
