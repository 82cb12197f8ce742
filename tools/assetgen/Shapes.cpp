#include "Shapes.h"

#include <algorithm>
#include <cmath>

#include "Colour.h"
#include "Polyhedra.h"
#include "Surfaces.h"

namespace tepple {

namespace {

constexpr double pi = 3.141592653589793;
constexpr double twoPi = 2.0 * pi;
constexpr uint32_t white = 0x00FFFFFF;

// Texture coordinates are kept inside this range (see Shapes.h).
constexpr double texMin = 0.01;
constexpr double texMax = 0.99;

double texCoord(double unit) { return texMin + (texMax - texMin) * std::clamp(unit, 0.0, 1.0); }

// Cumulative arc length along a profile, normalised to 0 at the first point and 1 at the last.
std::vector<double> arcFractions(const std::vector<ProfilePoint>& profile)
{
    std::vector<double> fractions(profile.size(), 0.0);
    for (size_t i = 1; i < profile.size(); ++i) {
        const double dr = profile[i].radius - profile[i - 1].radius;
        const double dy = profile[i].y - profile[i - 1].y;
        fractions[i] = fractions[i - 1] + std::sqrt(dr * dr + dy * dy);
    }
    const double total = fractions.back();
    if (total > 0.0)
        for (double& f : fractions) f /= total;
    return fractions;
}

// Quarter ellipse from (radius, baseY) at the equator to (0, baseY + height) at the pole,
// excluding the equator point, `steps` points.
void appendDome(std::vector<ProfilePoint>& profile, double radius, double baseY, double height, int steps)
{
    for (int i = 1; i <= steps; ++i) {
        const double angle = 0.5 * pi * i / steps;
        profile.push_back({radius * std::cos(angle), baseY + height * std::sin(angle)});
    }
    profile.back().radius = 0.0; // the pole exactly on the axis
}

// ---- capsule -------------------------------------------------------------------------------

constexpr double capsuleRadius = 30.0;
constexpr double capsuleHalfBody = 30.0; // half the length of the straight part

std::vector<ProfilePoint> capsuleProfile()
{
    constexpr int capRings = 10;
    constexpr int bodyRings = 16;
    std::vector<ProfilePoint> profile{{0.0, -capsuleHalfBody - capsuleRadius}};
    for (int i = 1; i <= capRings; ++i) {
        const double angle = -0.5 * pi + 0.5 * pi * i / capRings;
        profile.push_back({capsuleRadius * std::cos(angle), -capsuleHalfBody + capsuleRadius * std::sin(angle)});
    }
    for (int i = 1; i <= bodyRings; ++i)
        profile.push_back({capsuleRadius, -capsuleHalfBody + 2.0 * capsuleHalfBody * i / bodyRings});
    appendDome(profile, capsuleRadius, capsuleHalfBody, capsuleRadius, capRings);
    return profile;
}

// ---- trefoil knot ----------------------------------------------------------------------------

constexpr double knotScale = 28.0;
constexpr double knotTubeRadius = 13.0;

// The (2, 3) torus knot: wound twice around the torus's axis and three times through its hole.
Point3 trefoil(double t)
{
    const double angle = twoPi * t;
    const double r = 2.0 + std::cos(3.0 * angle);
    return Point3{r * std::cos(2.0 * angle), r * std::sin(2.0 * angle), -std::sin(3.0 * angle)} * knotScale;
}

// From the torus's core circle out to the knot: always perpendicular to the knot's tangent.
Point3 trefoilOutward(double t)
{
    const double angle = twoPi * t;
    return {std::cos(3.0 * angle) * std::cos(2.0 * angle), std::cos(3.0 * angle) * std::sin(2.0 * angle),
            -std::sin(3.0 * angle)};
}

SurfaceLook knotLook(double t, double around)
{
    // A rainbow along the knot, with a darker band every 1/24 so the tumbling is easy to follow.
    const double band = std::fmod(t * 24.0, 1.0) < 0.18 ? 0.72 : 1.0;
    const double rim = 0.9 + 0.1 * std::cos(twoPi * around);
    const Rgb colour = hsv(t, 0.8, band * rim);
    return {packRgb(colour), texCoord(t), texCoord(around)};
}

// ---- mushroom --------------------------------------------------------------------------------

constexpr double capRimRadius = 47.0;
constexpr double capRimY = 58.5;
constexpr double capDomeHeight = 37.5;

// The cap texture: the dome fills the disc of this radius (in texture units) about the centre,
// the gills the ring between these two radii.
constexpr double capDiscRadius = 0.44;
constexpr double gillInnerRadius = 0.462;
constexpr double gillOuterRadius = 0.485;

struct CapProfile {
    std::vector<ProfilePoint> points;
    size_t rimIndex; // first point of the dome (the rim's outer edge)
};

CapProfile capProfile()
{
    // From the underside's centre (hidden inside the stem) out along the gills to the rim, then
    // over the dome to its top.
    CapProfile cap;
    cap.points = {{0.0, 64.0}, {2.0, 64.0}, {10.0, 63.5}, {18.0, 62.5}, {26.0, 61.0}, {33.0, 59.3},
                  {39.0, 57.4}, {43.5, 55.6}, {46.0, 55.8}, {47.2, 57.0}};
    cap.rimIndex = cap.points.size();
    cap.points.push_back({capRimRadius, capRimY});
    appendDome(cap.points, capRimRadius, capRimY, capDomeHeight, 14);
    return cap;
}

// Polar texture coordinates: `reach` from the texture centre in the direction of `angle`.
SurfaceLook polarLook(double reach, double angle)
{
    return {white, 0.5 + reach * std::sin(angle), 0.5 - reach * std::cos(angle)};
}

std::vector<ProfilePoint> stemProfile()
{
    // A bulb at the foot, a slim stalk, a hanging ring (out and down, then back in and up) and
    // a top that ends inside the cap.
    return {{0.0, 0.0},   {6.0, 0.0},   {11.0, 1.2},  {14.5, 4.5},  {14.8, 8.0},  {12.5, 12.0},
            {10.0, 16.5}, {9.2, 22.0},  {8.8, 30.0},  {8.5, 38.0},  {8.4, 41.0},  {11.0, 40.0},
            {14.5, 37.5}, {15.2, 37.9}, {12.2, 40.6}, {9.0, 44.0},  {8.3, 50.0},  {8.0, 58.0},
            {7.8, 66.0},  {0.0, 66.0}};
}

Rgb stemColour(double height, double angle)
{
    const Rgb foot{0.86, 0.80, 0.66};
    const Rgb stalk{0.98, 0.96, 0.90};
    const double up = std::clamp(height / 24.0, 0.0, 1.0);
    // Faint vertical streaks, as on a real stalk.
    const double streak = 0.97 + 0.03 * std::sin(7.0 * angle);
    return scaled(mix(foot, stalk, up), streak);
}

// ---- faceted solids --------------------------------------------------------------------------

// Adds a flat polygon as a fan about its centre, every corner its own vertex so the face keeps
// its own colour and texture patch. The polygon's texture patch is a regular polygon of
// `patchRadius` about `patchCentre`, turned by `patchTurn`.
void addFacetedFace(MeshData& mesh, const Polygon& face, uint32_t colour, double patchCentreU,
                    double patchCentreV, double patchRadius, double patchTurn)
{
    Point3 centre{0.0, 0.0, 0.0};
    for (const Point3& corner : face) centre = centre + corner;
    centre = centre * (1.0 / static_cast<double>(face.size()));
    const int32_t hub = mesh.addVertex(centre, colour, patchCentreU, patchCentreV);
    std::vector<int32_t> rim;
    for (size_t k = 0; k < face.size(); ++k) {
        const double angle = patchTurn + twoPi * static_cast<double>(k) / static_cast<double>(face.size());
        rim.push_back(mesh.addVertex(face[k], colour, patchCentreU + patchRadius * std::cos(angle),
                                     patchCentreV + patchRadius * std::sin(angle)));
    }
    for (size_t k = 0; k < rim.size(); ++k)
        mesh.addTriangleFacingAway(hub, rim[k], rim[(k + 1) % rim.size()], {0.0, 0.0, 0.0});
}

MeshData spikyStar(double coreRadius, double spikeRadius)
{
    MeshData star;
    const std::vector<Polygon> faces = icosahedronFaces(coreRadius);
    for (size_t f = 0; f < faces.size(); ++f) {
        const Polygon& face = faces[f];
        const Point3 tip = normalised(face[0] + face[1] + face[2]) * spikeRadius;
        // Each spike has its own hue: dark and saturated at the base, bright at the tip.
        const double hue = static_cast<double>(f) / static_cast<double>(faces.size());
        const uint32_t baseColour = packRgb(hsv(hue, 1.0, 0.55));
        const uint32_t tipColour = packRgb(hsv(hue + 0.08, 0.35, 1.0));
        for (size_t k = 0; k < 3; ++k) {
            const int32_t a = star.addVertex(face[k], baseColour, 0.5, 0.5);
            const int32_t b = star.addVertex(face[(k + 1) % 3], baseColour, 0.5, 0.5);
            const int32_t apex = star.addVertex(tip, tipColour, 0.5, 0.5);
            star.addTriangleFacingAway(a, b, apex, {0.0, 0.0, 0.0});
        }
    }
    return star;
}

// A ring about the origin in the plane spanned by the unit vectors `first` and `second`.
MeshData rainbowRing(double ringRadius, double tubeRadius, Point3 first, Point3 second, double hueOffset)
{
    const auto outward = [first, second](double t) {
        return first * std::cos(twoPi * t) + second * std::sin(twoPi * t);
    };
    const auto circle = [outward, ringRadius](double t) { return outward(t) * ringRadius; };
    const auto look = [hueOffset](double t, double around) {
        const double shine = 0.75 + 0.25 * std::cos(twoPi * around);
        return SurfaceLook{packRgb(hsv(hueOffset + t * 2.0, 0.9, shine)), 0.5, 0.5};
    };
    return tube(circle, outward, tubeRadius, 64, 10, look);
}

} // namespace

MeshData makeCapsule()
{
    const std::vector<ProfilePoint> profile = capsuleProfile();
    const std::vector<double> along = arcFractions(profile);
    return lathe(profile, 48, [&](int index, double angle) {
        // Mirrored around the circumference: 0 at the front, 1 at the back, 0 again at the front.
        const double around = 1.0 - std::fabs(angle / pi - 1.0);
        return SurfaceLook{white, texCoord(around), texCoord(along[index])};
    });
}

MeshData makeSpinKnot() { return tube(trefoil, trefoilOutward, knotTubeRadius, 160, 12, knotLook); }

MeshData makeMushroomCap()
{
    const CapProfile cap = capProfile();
    // Arc length over the dome (from the rim to the top) spreads the spots evenly on the surface.
    const std::vector<ProfilePoint> dome(cap.points.begin() + static_cast<std::ptrdiff_t>(cap.rimIndex),
                                         cap.points.end());
    const std::vector<double> fromRim = arcFractions(dome);
    return lathe(cap.points, 40, [&](int index, double angle) {
        const size_t i = static_cast<size_t>(index);
        if (i >= cap.rimIndex) return polarLook(capDiscRadius * (1.0 - fromRim[i - cap.rimIndex]), angle);
        // Underneath: the gill ring of the texture, its outer edge at the stem, its inner at the rim.
        const double towardRim = cap.points[i].radius / capRimRadius;
        return polarLook(gillOuterRadius - (gillOuterRadius - gillInnerRadius) * towardRim, angle);
    });
}

MeshData makeMushroomStem()
{
    const std::vector<ProfilePoint> profile = stemProfile();
    return lathe(profile, 28, [&](int index, double angle) {
        return SurfaceLook{packRgb(stemColour(profile[static_cast<size_t>(index)].y, angle)), 0.5, 0.5};
    });
}

MeshData makeGridColumn()
{
    constexpr double halfWidth = 3.0;
    constexpr double height = 4.5;
    MeshData column;
    const auto corner = [&](int cx, int cy, int cz) {
        return Point3{cx ? halfWidth : -halfWidth, cy ? height : 0.0, cz ? halfWidth : -halfWidth};
    };
    // The six faces of the box as quads of corner codes (x, y, z bits), split into a 2 x 2 grid so
    // the lighting has a few more points to vary. Each face shows its own small patch of the
    // procedural texture rather than all of it: the whole texture squeezed onto a face a few
    // pixels across reads as rainbow noise. The patches are regions of that texture with no dark
    // texels and one clear hue each (blue, green, orange, yellow-green, magenta, violet), so the
    // sides of a column tell apart even at the scene's dim light.
    const double patches[6][2] = {{0.070, 0.398}, {0.211, 0.398}, {0.375, 0.516},
                                  {0.703, 0.398}, {0.586, 0.797}, {0.117, 0.539}};
    constexpr double patchSize = 0.18;
    const int quads[6][4][3] = {
        {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}, {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0}},
        {{1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}}, {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}},
        {{0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}}, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}},
    };
    for (int face = 0; face < 6; ++face) {
        const auto& quad = quads[face];
        const Point3 p0 = corner(quad[0][0], quad[0][1], quad[0][2]);
        const Point3 p1 = corner(quad[1][0], quad[1][1], quad[1][2]);
        const Point3 p3 = corner(quad[3][0], quad[3][1], quad[3][2]);
        int32_t grid[3][3];
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < 3; ++i) {
                const double s = i / 2.0;
                const double t = j / 2.0;
                const Point3 p = p0 + (p1 - p0) * s + (p3 - p0) * t;
                grid[j][i] = column.addVertex(p, white, patches[face][0] + patchSize * s,
                                              patches[face][1] + patchSize * (1.0 - t));
            }
        }
        const Point3 middle{0.0, 0.5 * height, 0.0};
        for (int j = 0; j < 2; ++j) {
            for (int i = 0; i < 2; ++i) {
                column.addTriangleFacingAway(grid[j][i], grid[j][i + 1], grid[j + 1][i + 1], middle);
                column.addTriangleFacingAway(grid[j][i], grid[j + 1][i + 1], grid[j + 1][i], middle);
            }
        }
    }
    // The driver's y/z exchange mirrors the mesh; wind the other way so it faces outward after.
    column.flipWinding();
    return column;
}

MeshData makeBouncer()
{
    MeshData bouncer;
    const std::vector<Polygon> faces = dodecahedronFaces(35.0);
    for (size_t f = 0; f < faces.size(); ++f) {
        const double turn = static_cast<double>(f) / static_cast<double>(faces.size());
        // Pale tints let neighbouring faces tell apart even where the lighting is nearly even.
        const uint32_t tint = packRgb(hsv(turn * 5.0, 0.28, 1.0));
        const double patchU = 0.5 + 0.2 * std::cos(twoPi * turn * 3.0);
        const double patchV = 0.5 + 0.2 * std::sin(twoPi * turn * 3.0);
        addFacetedFace(bouncer, faces[f], tint, patchU, patchV, 0.27, twoPi * turn);
    }
    return bouncer;
}

MeshData makeCentrePiece()
{
    // The rings are wide enough that the bouncers' box (up to about 15 units from the piece's
    // centre, bouncers included) always stays inside them.
    MeshData piece = spikyStar(2.6, 6.0);
    piece.append(rainbowRing(21.0, 1.4, {1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}, 0.0));
    piece.append(rainbowRing(24.0, 1.4, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, 0.25));
    return piece;
}

} // namespace tepple
