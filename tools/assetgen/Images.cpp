#include "Images.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Colour.h"
#include "Noise.h"
#include "Random.h"

namespace tepple {

namespace {

constexpr double pi = 3.141592653589793;

double smoothstep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// ---- flare -----------------------------------------------------------------------------------

constexpr int flareSize = 255;

// A ray along the x axis of the given coordinates: bright and wide at the centre, tapering to
// nothing at `reach` pixels.
double ray(double along, double across, double reach, double width)
{
    const double left = 1.0 - std::fabs(along) / reach;
    if (left <= 0.0) return 0.0;
    const double halfWidth = width * left + 0.6;
    return left * left * std::exp(-(across * across) / (halfWidth * halfWidth));
}

double flareIntensity(double dx, double dy)
{
    const double r = std::sqrt(dx * dx + dy * dy);
    const double core = std::exp(-(r * r) / (10.0 * 10.0));
    const double glow = 0.6 * std::exp(-r / 16.0);
    const double mainRays = 0.9 * (ray(dx, dy, 126.0, 5.0) + ray(dy, dx, 126.0, 5.0));
    // The diagonal pair, shorter and fainter.
    const double d1 = (dx + dy) * 0.7071067811865476;
    const double d2 = (dx - dy) * 0.7071067811865476;
    const double diagonalRays = 0.45 * (ray(d1, d2, 80.0, 3.5) + ray(d2, d1, 80.0, 3.5));
    return core + glow + mainRays + diagonalRays;
}

// ---- fly agaric ------------------------------------------------------------------------------

constexpr int agaricSize = 255;
constexpr double capDiscRadius = 0.44;
constexpr double rimBandRadius = 0.455;

struct Wart {
    double u;
    double v;
    double radius;
};

std::vector<Wart> scatterWarts()
{
    Random random(0xA6A41C05);
    std::vector<Wart> warts;
    // Dart throwing: keep a candidate only if it does not crowd an earlier wart.
    for (int attempt = 0; attempt < 4000 && warts.size() < 70; ++attempt) {
        const double reach = capDiscRadius * std::sqrt(random.unit()) * 0.97;
        const double angle = random.range(0.0, 2.0 * pi);
        // Warts are larger on the crown than toward the rim.
        const double radius = random.range(0.012, 0.03) * (1.15 - 0.6 * reach / capDiscRadius);
        const Wart candidate{0.5 + reach * std::cos(angle), 0.5 + reach * std::sin(angle), radius};
        const bool crowded = std::any_of(warts.begin(), warts.end(), [&](const Wart& w) {
            return std::hypot(w.u - candidate.u, w.v - candidate.v) < 1.6 * (w.radius + candidate.radius);
        });
        if (!crowded) warts.push_back(candidate);
    }
    return warts;
}

Rgb capSkin(double u, double v, double reach)
{
    const double crown = std::clamp(reach / capDiscRadius, 0.0, 1.0);
    const Rgb centre{0.95, 0.42, 0.10};
    const Rgb scarlet{0.90, 0.11, 0.06};
    const Rgb edge{0.74, 0.06, 0.05};
    Rgb skin = crown < 0.35 ? mix(centre, scarlet, smoothstep(0.0, 0.35, crown))
                            : mix(scarlet, edge, smoothstep(0.35, 1.0, crown));
    const double mottle = 0.9 + 0.2 * fractalNoise(u * 18.0, v * 18.0, 4, 11);
    // Faint radial striations near the rim.
    const double angle = std::atan2(v - 0.5, u - 0.5);
    const double striation = 1.0 - 0.08 * smoothstep(0.8, 1.0, crown) * (0.5 + 0.5 * std::cos(angle * 140.0));
    return scaled(skin, mottle * striation);
}

// 0 outside a wart, up to 1 inside, with a ragged edge.
double wartCover(const std::vector<Wart>& warts, double u, double v)
{
    double cover = 0.0;
    for (const Wart& wart : warts) {
        const double distance = std::hypot(u - wart.u, v - wart.v);
        if (distance > wart.radius * 1.6) continue;
        const double ragged = wart.radius * (0.8 + 0.45 * valueNoise(u * 160.0, v * 160.0, 23));
        cover = std::max(cover, 1.0 - smoothstep(ragged * 0.75, ragged, distance));
    }
    return cover;
}

Rgb gills(double u, double v)
{
    const double angle = std::atan2(v - 0.5, u - 0.5);
    const double line = 0.5 + 0.5 * std::cos(angle * 96.0);
    return scaled(Rgb{0.96, 0.92, 0.80}, 0.82 + 0.18 * line);
}

// ---- stone wall ------------------------------------------------------------------------------

constexpr int wallWidth = 640;
constexpr int wallHeight = 480;
constexpr double stoneCell = 70.0; // pixels per cell of the jittered grid, about one stone

struct NearestStones {
    int64_t cellX;
    int64_t cellY;
    double edgeDistance; // pixels to the border with the nearest neighbouring stone
};

// The stone's centre in a cell of the jittered grid, in pixels.
void stoneCentre(int64_t cellX, int64_t cellY, double& x, double& y)
{
    x = (static_cast<double>(cellX) + 0.15 + 0.7 * latticeValue(cellX, cellY, 401)) * stoneCell;
    y = (static_cast<double>(cellY) + 0.15 + 0.7 * latticeValue(cellX, cellY, 402)) * stoneCell * 0.8;
}

NearestStones nearestStones(double x, double y)
{
    const int64_t baseX = static_cast<int64_t>(std::floor(x / stoneCell));
    const int64_t baseY = static_cast<int64_t>(std::floor(y / (stoneCell * 0.8)));
    double best = 1e30;
    double bestX = 0.0;
    double bestY = 0.0;
    NearestStones found{baseX, baseY, 0.0};
    for (int64_t cy = baseY - 1; cy <= baseY + 1; ++cy) {
        for (int64_t cx = baseX - 1; cx <= baseX + 1; ++cx) {
            double sx;
            double sy;
            stoneCentre(cx, cy, sx, sy);
            const double d2 = (sx - x) * (sx - x) + (sy - y) * (sy - y);
            if (d2 < best) {
                best = d2;
                bestX = sx;
                bestY = sy;
                found.cellX = cx;
                found.cellY = cy;
            }
        }
    }
    // Distance to the nearest bisector between the winning centre and any other.
    double edge = 1e30;
    for (int64_t cy = baseY - 2; cy <= baseY + 2; ++cy) {
        for (int64_t cx = baseX - 2; cx <= baseX + 2; ++cx) {
            if (cx == found.cellX && cy == found.cellY) continue;
            double sx;
            double sy;
            stoneCentre(cx, cy, sx, sy);
            const double dx = sx - bestX;
            const double dy = sy - bestY;
            const double separation = std::sqrt(dx * dx + dy * dy);
            if (separation <= 0.0) continue;
            const double midX = 0.5 * (sx + bestX);
            const double midY = 0.5 * (sy + bestY);
            edge = std::min(edge, ((midX - x) * dx + (midY - y) * dy) / separation);
        }
    }
    found.edgeDistance = edge;
    return found;
}

// Height of the wall's surface at a point: stones bulge out of the mortar.
double surfaceHeight(double x, double y, NearestStones& stone)
{
    // Warping the lookup makes the stone outlines irregular.
    const double warpX = x + 9.0 * (fractalNoise(x / 40.0, y / 40.0, 3, 501) - 0.5);
    const double warpY = y + 9.0 * (fractalNoise(x / 40.0, y / 40.0, 3, 502) - 0.5);
    stone = nearestStones(warpX, warpY);
    const double bulge = smoothstep(1.5, 14.0, stone.edgeDistance);
    return bulge + 0.25 * fractalNoise(x / 9.0, y / 9.0, 3, 503);
}

Rgb stoneColour(const NearestStones& stone, double x, double y, double height, double slope)
{
    const double hueChoice = latticeValue(stone.cellX, stone.cellY, 601);
    const double hue = hueChoice < 0.6 ? 0.58 + 0.06 * hueChoice : 0.07 + 0.05 * hueChoice;
    const double saturation = 0.08 + 0.12 * latticeValue(stone.cellX, stone.cellY, 602);
    const double value = 0.14 + 0.08 * latticeValue(stone.cellX, stone.cellY, 603);
    const double grain = 0.6 + 0.8 * fractalNoise(x / 4.0, y / 4.0, 4, 604);
    const double speckle = latticeValue(static_cast<int64_t>(x), static_cast<int64_t>(y), 605) > 0.985 ? 1.35 : 1.0;
    const Rgb face = scaled(hsv(hue, saturation, value), grain * speckle);
    const Rgb mortar{0.07, 0.065, 0.06};
    const Rgb surface = mix(mortar, face, smoothstep(0.05, 0.45, height));
    // Light from the upper left: slopes facing it are brighter.
    return scaled(surface, std::clamp(1.0 + 1.6 * slope, 0.5, 1.5));
}

} // namespace

Image makeFlare()
{
    Image flare(flareSize, flareSize);
    const double centre = (flareSize - 1) / 2.0;
    for (int y = 0; y < flareSize; ++y) {
        for (int x = 0; x < flareSize; ++x) {
            const double dx = x - centre;
            const double dy = y - centre;
            const double intensity = flareIntensity(dx, dy);
            // Soft saturation instead of clipping keeps the hot core from flattening.
            const double tone = 1.0 - std::exp(-2.0 * intensity);
            // The sprite path mixes every drawn texel half and half with the star's tint, so even
            // a faint glow pixel shows; the cut-off leaves a compact four-pointed footprint.
            if (tone < 0.22) {
                flare.at(x, y) = spriteKeyColour;
                continue;
            }
            // White at the core, a faint blue in the glow.
            const double whiteness = smoothstep(0.55, 0.95, tone);
            const Rgb glow{0.80 * tone, 0.88 * tone, 1.0 * tone};
            const uint32_t packed = packRgb(mix(glow, Rgb{tone, tone, tone}, whiteness));
            // Every glow pixel keeps some green, so none equals the key.
            flare.at(x, y) = (packed & 0x0000FF00u) != 0 ? packed : (packed | 0x00000100u);
        }
    }
    return flare;
}

Image makeFlyAgaric()
{
    Image cap(agaricSize, agaricSize);
    const std::vector<Wart> warts = scatterWarts();
    for (int y = 0; y < agaricSize; ++y) {
        for (int x = 0; x < agaricSize; ++x) {
            const double u = (x + 0.5) / agaricSize;
            const double v = (y + 0.5) / agaricSize;
            const double reach = std::hypot(u - 0.5, v - 0.5);
            Rgb colour;
            if (reach < capDiscRadius) {
                const Rgb wart = scaled(Rgb{0.98, 0.95, 0.86}, 0.9 + 0.1 * valueNoise(u * 90.0, v * 90.0, 31));
                colour = mix(capSkin(u, v, reach), wart, wartCover(warts, u, v));
            } else if (reach < rimBandRadius) {
                colour = mix(capSkin(u, v, capDiscRadius), Rgb{0.93, 0.84, 0.70},
                             smoothstep(capDiscRadius, rimBandRadius, reach));
            } else {
                colour = gills(u, v);
            }
            cap.at(x, y) = packRgb(colour);
        }
    }
    return cap;
}

Image makeStoneWall()
{
    Image wall(wallWidth, wallHeight);
    for (int y = 0; y < wallHeight; ++y) {
        for (int x = 0; x < wallWidth; ++x) {
            NearestStones stone{};
            NearestStones ignored{};
            const double height = surfaceHeight(x, y, stone);
            const double slope = surfaceHeight(x - 1.5, y - 1.5, ignored) - height;
            Rgb colour = stoneColour(stone, x, y, height, -slope);
            // A gentle vignette keeps the edges of the frame quiet.
            const double dx = (x - wallWidth / 2.0) / (wallWidth / 2.0);
            const double dy = (y - wallHeight / 2.0) / (wallHeight / 2.0);
            colour = scaled(colour, 1.0 - 0.35 * smoothstep(0.3, 1.4, dx * dx + dy * dy));
            wall.at(x, y) = packRgb(colour);
        }
    }
    return wall;
}

} // namespace tepple
