#include "geometry/Vertex.h"

#include <cmath>

namespace tepple {

Vertex& vecAdd(Vertex& target, const Vertex& b)
{
    target.x = static_cast<float>(static_cast<double>(target.x) + b.x);
    target.y = static_cast<float>(static_cast<double>(target.y) + b.y);
    target.z = static_cast<float>(static_cast<double>(target.z) + b.z);
    return target;
}

Vertex& vecDiv(Vertex& target, float s)
{
    target.x = static_cast<float>(static_cast<double>(target.x) / s);
    target.y = static_cast<float>(static_cast<double>(target.y) / s);
    target.z = static_cast<float>(static_cast<double>(target.z) / s);
    return target;
}

Vertex& vecScale(Vertex& target, float s)
{
    target.x = static_cast<float>(static_cast<double>(s) * target.x);
    target.y = static_cast<float>(static_cast<double>(s) * target.y);
    target.z = static_cast<float>(static_cast<double>(s) * target.z);
    return target;
}

float vecDot(const Vertex& a, const Vertex& b)
{
    return static_cast<float>(static_cast<double>(a.z) * b.z + static_cast<double>(a.y) * b.y +
                              static_cast<double>(a.x) * b.x);
}

Vertex vecCross(const Vertex& a, const Vertex& b)
{
    const double ax = a.x, ay = a.y, az = a.z;
    const double bx = b.x, by = b.y, bz = b.z;
    return Vertex(static_cast<float>(ay * bz - az * by), static_cast<float>(az * bx - ax * bz),
                  static_cast<float>(ax * by - ay * bx), 0);
}

} // namespace tepple
