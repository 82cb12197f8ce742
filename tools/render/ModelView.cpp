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

} // namespace

ModelView::ModelView(tepple::Model& model, const RenderOptions& options)
    : model_(model),
      options_(options),
      renderer_(viewportFor(options)),
      target_(options.width * options.aa, options.height * options.aa)
{
    Vertex low, high;
    model.bounds(low, high);
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

    const int threads = threadsFor(options.threads);
    if (threads > 1) {
        pool_ = std::make_unique<WorkerPool>(threads);
        renderer_.setPool(pool_.get());
    }
    renderer_.laneWidth = options.laneWidth;
    renderer_.backfaceCull = 0;
    renderer_.blendMode = 0;

    for (const ViewLight& light : options.lights.empty() ? defaultLights() : options.lights) {
        const double az = radians(light.azimuth), el = radians(light.elevation);
        // Toward the light: the eye is at the origin looking along +z, y down.
        lightDirections_.insert(lightDirections_.end(),
                                {std::sin(az) * std::cos(el), -std::sin(el), -std::cos(az) * std::cos(el),
                                 light.red, light.green, light.blue});
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

void ModelView::prepareMesh(tepple::ModelMesh& mesh, const Camera& camera, bool consume)
{
    const size_t count = mesh.vertices.size();
    if (consume) {
        // The model's vertices become the camera-space corners in place: no second copy.
        renderer_.positions.swap(mesh.vertices);
    } else {
        renderer_.positions.resize(count);
    }
    renderer_.normals.clear();
    const Vertex* sources = consume ? renderer_.positions.data() : mesh.vertices.data();
    Vertex* corners = renderer_.positions.data();
    const double s = scale_;
    const double* r = camera.right;
    const double* d = camera.down;
    const double* f = camera.forward;
    const size_t lights = lightDirections_.size() / 6;
    const bool lit = !mesh.hasTexCoords;
    // A corner's place in camera space from its model-space vertex.
    auto place = [&](const Vertex& source, Vertex& out) {
        const double px = (source.x - centre_[0]) * s, py = (source.y - centre_[1]) * s,
                     pz = (source.z - centre_[2]) * s;
        out = source;
        out.x = static_cast<float>(px * r[0] + py * r[1] + pz * r[2]);
        out.y = static_cast<float>(px * d[0] + py * d[1] + pz * d[2]);
        out.z = static_cast<float>(px * f[0] + py * f[1] + pz * f[2] + camera.distance);
    };
    // The lit colour of `base` at camera-space point p with model-space normal n.
    auto shade = [&](uint32_t base, const Vertex& p, const double n[3]) {
        double nx = n[0] * r[0] + n[1] * r[1] + n[2] * r[2];
        double ny = n[0] * d[0] + n[1] * d[1] + n[2] * d[2];
        double nz = n[0] * f[0] + n[1] * f[1] + n[2] * f[2];
        if (nx * p.x + ny * p.y + nz * p.z > 0) nx = -nx, ny = -ny, nz = -nz;
        double red = options_.ambient, green = options_.ambient, blue = options_.ambient;
        for (size_t l = 0; l < lights; ++l) {
            const double* light = &lightDirections_[l * 6];
            const double facing = nx * light[0] + ny * light[1] + nz * light[2];
            if (facing > 0) red += facing * light[3], green += facing * light[4], blue += facing * light[5];
        }
        auto channel = [](int value, double amount) {
            return std::min(255, static_cast<int>(value * amount + 0.5));
        };
        return packColour(channel(redOf(base), red), channel(greenOf(base), green),
                          channel(blueOf(base), blue));
    };
    auto corner = [&](const Vertex source, const double n[3], Vertex& out) {
        place(source, out);
        if (lit) out.colour = shade(source.colour, out, n);
    };
    auto flatRange = [&](size_t begin, size_t end, int) {
        for (size_t t = begin; t < end; ++t) {
            // Read before written: the corners may be the vertices themselves.
            const Vertex a = sources[3 * t], b = sources[3 * t + 1], c = sources[3 * t + 2];
            const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
            const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
            double n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            for (double& component : n) component = length > 0 ? component / length : 0.0;
            Vertex* out = &corners[3 * t];
            place(a, out[0]);
            place(b, out[1]);
            place(c, out[2]);
            if (!lit) continue;
            // One light per face, turned toward the eye as seen from its first corner; corners of one
            // colour keep their own colour when the file gives them different ones.
            const uint32_t colour = shade(a.colour, out[0], n);
            out[0].colour = colour;
            out[1].colour = b.colour == a.colour ? colour : shade(b.colour, out[0], n);
            out[2].colour = c.colour == a.colour ? colour : shade(c.colour, out[0], n);
        }
    };
    auto smoothRange = [&](size_t begin, size_t end, int) {
        const double none[3] = {0, 0, 0};
        for (size_t v = begin; v < end; ++v) {
            if (mesh.normals.empty()) {
                corner(sources[v], none, corners[v]);
            } else {
                const Vertex& normal = mesh.normals[v];
                const double n[3] = {normal.x, normal.y, normal.z};
                corner(sources[v], n, corners[v]);
            }
        }
    };
    // Every corner is its own work, so the cut into pieces changes nothing in the result.
    const size_t items = mesh.flat ? count / 3 : count;
    const int pieces = pool_ ? pool_->threads() * 4 : 1;
    if (mesh.flat) {
        if (pool_)
            split(*pool_, items, pieces, flatRange);
        else
            flatRange(0, items, 0);
    } else {
        if (pool_)
            split(*pool_, items, pieces, smoothRange);
        else
            smoothRange(0, items, 0);
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
        tepple::ModelMesh& mesh = model_.meshes[m];
        prepareMesh(mesh, camera, last);
        if (identityIndices_[m])
            renderer_.indices.clear();
        else
            renderer_.indices = mesh.indices;
        const tepple::ModelMaterial& material = model_.materials[static_cast<size_t>(mesh.material)];
        if (mesh.hasTexCoords && material.texture >= 0) {
            renderer_.setTexture(&model_.textures[static_cast<size_t>(material.texture)].image);
            renderer_.draw(DrawMode::Textured, target_);
        } else {
            renderer_.draw(DrawMode::Gouraud, target_);
        }
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
