#include "ModelView.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <thread>

#include "render/PoolJobs.h"
#include "render/ThreadCount.h"

namespace tepple {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double radius = 10.0;     // the bounding sphere's, in the view's units
constexpr double fill = 0.92;       // of the half picture the framed model may reach
constexpr double focalRatio = 1.25; // focal length over the picture's smaller side: a 44-degree view

double radians(double degrees)
{
    return degrees * pi / 180.0;
}

int threadsFor(int asked)
{
    if (asked > 0) return asked;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 1, maxRenderThreads);
}

Viewport viewportFor(const RenderOptions& options)
{
    Viewport viewport = Viewport::forTarget(options.width * options.aa, options.height * options.aa);
    viewport.focalLength = std::min(viewport.width, viewport.height) * focalRatio;
    // The model stays within the sphere of radius 10 around the centre, its nearest point at least 1
    // in front of the eye; the window holds every distance a view frames it at.
    viewport.nearDistance = 0.05;
    viewport.farDistance = 1000.0;
    return viewport;
}

// The default light set, in the camera's frame: a warm key from the upper left, a cool weak fill
// from the right, and a rim from behind and above that draws the upper outline.
std::vector<ViewLight> defaultLights()
{
    return {{-40, 35, 0.78, 0.74, 0.68}, {55, -10, 0.26, 0.30, 0.36}, {160, 50, 0.55, 0.55, 0.55}};
}

// Model::bounds shared among the pool's threads: each piece widens a box of its own, and the
// boxes are joined in the pieces' order, which gives the same bits (widenBounds).
void boundsOf(const tepple::Model& model, WorkerPool* pool, Vertex& low, Vertex& high)
{
    emptyBounds(low, high);
    for (const tepple::ModelMesh& mesh : model.meshes) {
        const size_t count = mesh.vertices.size();
        const int pieces = pool != nullptr ? piecesFor(*pool, count) : 1;
        std::vector<Vertex> lows(static_cast<size_t>(pieces)), highs(static_cast<size_t>(pieces));
        for (int piece = 0; piece < pieces; ++piece) emptyBounds(lows[size_t(piece)], highs[size_t(piece)]);
        forItems(pool, count, [&](size_t begin, size_t end, int piece) {
            widenBounds(mesh.vertices.data() + begin, end - begin, lows[size_t(piece)], highs[size_t(piece)]);
        });
        for (int piece = 0; piece < pieces; ++piece) {
            const Vertex &lo = lows[size_t(piece)], &hi = highs[size_t(piece)];
            low.x = std::min(low.x, lo.x), low.y = std::min(low.y, lo.y), low.z = std::min(low.z, lo.z);
            high.x = std::max(high.x, hi.x), high.y = std::max(high.y, hi.y), high.z = std::max(high.z, hi.z);
        }
    }
}

} // namespace

ModelView::ModelView(tepple::Model& model, const RenderOptions& options)
    : model_(model),
      options_(options),
      renderer_(viewportFor(options)),
      target_(options.width * options.aa, options.height * options.aa)
{
    const int threads = threadsFor(options.threads);
    if (threads > 1) {
        pool_ = std::make_unique<WorkerPool>(threads);
        renderer_.setPool(pool_.get());
    }
    Vertex low, high;
    boundsOf(model, pool_.get(), low, high);
    const double lows[3] = {low.x, low.y, low.z}, highs[3] = {high.x, high.y, high.z};
    double diagonal = 0;
    for (int axis = 0; axis < 3; ++axis) {
        centre_[axis] = (lows[axis] + highs[axis]) / 2;
        halfExtent_[axis] = (highs[axis] - lows[axis]) / 2;
        diagonal += halfExtent_[axis] * halfExtent_[axis];
    }
    diagonal = std::sqrt(diagonal);
    if (!std::isfinite(diagonal)) throw std::invalid_argument("the model's extent is not a finite number");
    scale_ = diagonal > 0 ? radius / diagonal : 1.0;
    for (double& half : halfExtent_) half *= scale_;

    renderer_.laneWidth = options.laneWidth;
    renderer_.backfaceCull = 0;
    renderer_.blendMode = 0;

    // Lambert's law under the general rules, two-sided, for every light in the camera's frame.
    renderer_.sampling = {TextureFilter::Bilinear, TextureAddress::Repeat};
    const float ambient = static_cast<float>(options.ambient);
    renderer_.ambient = Ambient{ambient, ambient, ambient};
    for (const ViewLight& light : options.lights.empty() ? defaultLights() : options.lights) {
        const double az = radians(light.azimuth), el = radians(light.elevation);
        // Toward the light: the eye is at the origin looking along +z, y down.
        Vertex toward;
        toward.x = static_cast<float>(std::sin(az) * std::cos(el));
        toward.y = static_cast<float>(-std::sin(el));
        toward.z = static_cast<float>(-std::cos(az) * std::cos(el));
        renderer_.addLight(Light::directional(toward, static_cast<float>(light.red),
                                              static_cast<float>(light.green),
                                              static_cast<float>(light.blue)));
    }
    for (const tepple::ModelMesh& mesh : model.meshes) {
        bool identity = mesh.indices.size() == mesh.vertices.size();
        for (size_t i = 0; identity && i < mesh.indices.size(); ++i) identity = mesh.indices[i] == int32_t(i);
        identityIndices_.push_back(identity);
    }
}

ModelView::Camera ModelView::aim(double azimuth, double elevation, bool steady) const
{
    // The eye on a sphere around the model, y up in the model; the camera looks at the centre.
    const double az = radians(azimuth), el = radians(std::clamp(elevation, -89.9, 89.9));
    const double toEye[3] = {std::cos(el) * std::sin(az), std::sin(el), std::cos(el) * std::cos(az)};
    Camera camera{};
    for (int axis = 0; axis < 3; ++axis) camera.forward[axis] = -toEye[axis];
    const double* f = camera.forward;
    // right = forward x up, down = forward x right.
    double r[3] = {-f[2], 0, f[0]};
    const double length = std::sqrt(r[0] * r[0] + r[2] * r[2]);
    for (double& c : r) c /= length;
    std::copy(r, r + 3, camera.right);
    camera.down[0] = f[1] * r[2] - f[2] * r[1];
    camera.down[1] = f[2] * r[0] - f[0] * r[2];
    camera.down[2] = f[0] * r[1] - f[1] * r[0];

    const Viewport& viewport = renderer_.viewport();
    const double halfX = viewport.width / 2.0 * fill / viewport.focalLength;
    const double halfY = viewport.height / 2.0 * fill / viewport.focalLength;
    if (steady) {
        camera.distance = radius / std::sin(std::atan(std::min(halfX, halfY)));
        return camera;
    }
    // Every corner of the box inside the picture: |x| / (d + z) <= half, for x and y.
    double distance = 0;
    for (int corner = 0; corner < 8; ++corner) {
        double p[3];
        for (int axis = 0; axis < 3; ++axis) p[axis] = (corner >> axis & 1 ? 1 : -1) * halfExtent_[axis];
        const double x = p[0] * r[0] + p[1] * r[1] + p[2] * r[2];
        const double y = p[0] * camera.down[0] + p[1] * camera.down[1] + p[2] * camera.down[2];
        const double z = p[0] * f[0] + p[1] * f[1] + p[2] * f[2];
        distance = std::max({distance, std::abs(x) / halfX - z, std::abs(y) / halfY - z, 1.0 - z});
    }
    camera.distance = distance;
    return camera;
}

void ModelView::drawMesh(size_t index, const Camera& camera, bool consume, DrawMode mode)
{
    tepple::ModelMesh& mesh = model_.meshes[index];
    const double s = scale_;
    const double* r = camera.right;
    const double* d = camera.down;
    const double* f = camera.forward;
    // A corner's place in camera space from its model-space vertex.
    auto place = [&](const Vertex& source, Vertex& out) {
        const double px = (source.x - centre_[0]) * s, py = (source.y - centre_[1]) * s,
                     pz = (source.z - centre_[2]) * s;
        out = source;
        out.x = static_cast<float>(px * r[0] + py * r[1] + pz * r[2]);
        out.y = static_cast<float>(px * d[0] + py * d[1] + pz * d[2]);
        out.z = static_cast<float>(px * f[0] + py * f[1] + pz * f[2] + camera.distance);
    };
    // A model-space direction in the camera's frame: the view only turns and scales alike on every
    // axis, so a normal turns as the points do.
    auto turn = [&](double nx, double ny, double nz, Vertex& out) {
        out = Vertex();
        out.x = static_cast<float>(nx * r[0] + ny * r[1] + nz * r[2]);
        out.y = static_cast<float>(nx * d[0] + ny * d[1] + nz * d[2]);
        out.z = static_cast<float>(nx * f[0] + ny * f[1] + nz * f[2]);
    };
    // Every corner and face is its own work, so the cut into pieces changes nothing in the result.
    auto each = [&](size_t count, auto&& body) { forItems(pool_.get(), count, body); };

    if (!mesh.flat) {
        const size_t count = mesh.vertices.size();
        if (consume) {
            // The model's vertices and normals become the camera-space ones in place: no second copy.
            renderer_.positions.swap(mesh.vertices);
            renderer_.normals.swap(mesh.normals);
        } else {
            renderer_.positions.resize(count);
            renderer_.normals.resize(mesh.normals.size());
        }
        const Vertex* sources = consume ? renderer_.positions.data() : mesh.vertices.data();
        const Vertex* normalSources = consume ? renderer_.normals.data() : mesh.normals.data();
        Vertex* corners = renderer_.positions.data();
        Vertex* normals = renderer_.normals.data();
        const bool hasNormals = !renderer_.normals.empty();
        each(count, [&](size_t begin, size_t end, int) {
            for (size_t v = begin; v < end; ++v) {
                place(sources[v], corners[v]);
                if (!hasNormals) continue;
                const Vertex n = normalSources[v];
                turn(n.x, n.y, n.z, normals[v]);
            }
        });
        // A mesh without normals is lit by the ambient term alone, as a zero normal is.
        if (identityIndices_[index])
            renderer_.indices.clear();
        else
            renderer_.indices = mesh.indices;
        renderer_.draw(mode, target_);
        return;
    }

    // Flat: each corner takes its face's normal. The faces go in runs of flatRun triangles, each
    // run's corners and normals in the renderer's arrays, so a large mesh needs no normal of its own
    // per corner at once; the depth test carries from one draw call to the next within the frame,
    // and the runs keep the triangles' order, so the picture is that of one call.
    constexpr size_t flatRun = size_t{1} << 16;
    const size_t triangles = mesh.vertices.size() / 3;
    renderer_.indices.clear();
    for (size_t first = 0; first < triangles; first += flatRun) {
        const size_t run = std::min(flatRun, triangles - first);
        renderer_.positions.resize(3 * run);
        renderer_.normals.resize(3 * run);
        const Vertex* sources = mesh.vertices.data() + 3 * first;
        Vertex* corners = renderer_.positions.data();
        Vertex* normals = renderer_.normals.data();
        each(run, [&](size_t begin, size_t end, int) {
            for (size_t t = begin; t < end; ++t) {
                const Vertex& a = sources[3 * t];
                const Vertex& b = sources[3 * t + 1];
                const Vertex& c = sources[3 * t + 2];
                const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
                const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
                double n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
                const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                for (double& component : n) component = length > 0 ? component / length : 0.0;
                for (int k = 0; k < 3; ++k) {
                    place(sources[3 * t + k], corners[3 * t + k]);
                    turn(n[0], n[1], n[2], normals[3 * t + k]);
                }
            }
        });
        renderer_.draw(mode, target_);
    }
}

Shot ModelView::draw(double azimuth, double elevation, bool steady, bool last)
{
    if (consumed_) throw std::logic_error("ModelView: the model was drawn for the last time");
    consumed_ = last;
    const Camera camera = aim(azimuth, elevation, steady);
    renderer_.clearDepth();
    renderer_.setFrame(1);
    target_.clear();
    for (size_t m = 0; m < model_.meshes.size(); ++m) {
        const tepple::ModelMesh& mesh = model_.meshes[m];
        const tepple::ModelMaterial& material = model_.materials[static_cast<size_t>(mesh.material)];
        DrawMode mode = DrawMode::Gouraud;
        if (mesh.hasTexCoords && material.texture >= 0) {
            renderer_.setTexture(&model_.textures[static_cast<size_t>(material.texture)].image);
            mode = DrawMode::Textured;
        }
        drawMesh(m, camera, last, mode);
    }
    return filterDown(renderer_.frame());
}

Shot ModelView::filterDown(uint32_t frame) const
{
    const int n = options_.aa;
    Shot shot;
    shot.width = options_.width;
    shot.height = options_.height;
    shot.colour.resize(static_cast<size_t>(shot.width) * shot.height);
    shot.alpha.resize(shot.colour.size());
    const uint32_t* pixels = target_.pixels();
    const double* depth = renderer_.depthBuffer();
    const int wide = target_.width();
    const int samples = n * n;
    const uint32_t background = options_.background;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            int covered = 0, red = 0, green = 0, blue = 0;
            for (int dy = 0; dy < n; ++dy) {
                const size_t row = static_cast<size_t>(y * n + dy) * wide + static_cast<size_t>(x) * n;
                for (int dx = 0; dx < n; ++dx) {
                    if (!(depth[row + dx] > frame)) continue;
                    const uint32_t c = pixels[row + dx];
                    ++covered, red += redOf(c), green += greenOf(c), blue += blueOf(c);
                }
            }
            const size_t at = static_cast<size_t>(y) * shot.width + x;
            if (options_.transparent) {
                shot.alpha[at] = static_cast<uint8_t>((covered * 255 + samples / 2) / samples);
                shot.colour[at] = covered ? packColour((red + covered / 2) / covered,
                                                       (green + covered / 2) / covered,
                                                       (blue + covered / 2) / covered)
                                          : 0;
            } else {
                const int rest = samples - covered;
                red += rest * redOf(background), green += rest * greenOf(background),
                    blue += rest * blueOf(background);
                shot.alpha[at] = 255;
                shot.colour[at] = packColour((red + samples / 2) / samples, (green + samples / 2) / samples,
                                             (blue + samples / 2) / samples);
            }
        }
    }
    return shot;
}

} // namespace tepple
