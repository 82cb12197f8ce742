#include "geometry/Matrix4.h"

#include <cmath>

namespace tepple {

Matrix4::Matrix4() { setIdentity(*this); }

Matrix4& setIdentity(Matrix4& m)
{
    for (double& v : m.e) v = 0.0;
    m.e[0] = m.e[5] = m.e[10] = m.e[15] = 1.0;
    return m;
}

Matrix4& setIdentityOnesColumn(Matrix4& m)
{
    setIdentity(m);
    m.e[3] = m.e[7] = m.e[11] = 1.0;
    return m;
}

Matrix4 rotationX(float angle)
{
    Matrix4 m;
    const double c = std::cos(static_cast<double>(angle)), s = std::sin(static_cast<double>(angle));
    m.e[5] = c;
    m.e[6] = s;
    m.e[9] = -s;
    m.e[10] = c;
    return m;
}

Matrix4 rotationY(float angle)
{
    Matrix4 m;
    const double c = std::cos(static_cast<double>(angle)), s = std::sin(static_cast<double>(angle));
    m.e[0] = c;
    m.e[2] = -s;
    m.e[8] = s;
    m.e[10] = c;
    return m;
}

Matrix4 rotationZ(float angle)
{
    Matrix4 m;
    const double c = std::cos(static_cast<double>(angle)), s = std::sin(static_cast<double>(angle));
    m.e[0] = c;
    m.e[1] = s;
    m.e[4] = -s;
    m.e[5] = c;
    return m;
}

Matrix4& multiply(Matrix4& output, Matrix4 a, Matrix4 b)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            output.e[4 * r + c] = a.e[4 * r + 0] * b.e[0 + c] + a.e[4 * r + 1] * b.e[4 + c] +
                                  a.e[4 * r + 2] * b.e[8 + c] + a.e[4 * r + 3] * b.e[12 + c];
        }
    }
    return output;
}

Matrix4& translation(Matrix4& m, float tx, float ty, float tz)
{
    setIdentity(m);
    m.e[12] = tx;
    m.e[13] = ty;
    m.e[14] = tz;
    return m;
}

Matrix4& scaling(Matrix4& m, float sx, float sy, float sz)
{
    m.e[0] = sx;
    m.e[5] = sy;
    m.e[10] = sz;
    return m;
}

Matrix4& lookAt(Matrix4& output, Vertex target, Vertex eye)
{
    const Vertex up(0, 1, 0, 0);

    Vertex forward = target;
    vecSub(forward, eye);
    const float forwardLength = vecLength(forward);
    if (forwardLength > 0.0f && std::isfinite(forwardLength)) {
        vecDiv(forward, forwardLength);
    } else {
        forward = Vertex(0, 0, 1, 0);
    }

    Vertex right = vecCross(up, forward);
    const float rightLength = vecLength(right);
    if (rightLength > 0.0f && std::isfinite(rightLength)) {
        vecDiv(right, rightLength);
    } else {
        right = Vertex(1, 0, 0, 0);
    }

    // Already unit length: forward and right are orthonormal.
    const Vertex vertical = vecCross(forward, right);

    double* e = output.e;
    e[0] = right.x;  e[1] = vertical.x;  e[2] = forward.x;  e[3] = 0;
    e[4] = right.y;  e[5] = vertical.y;  e[6] = forward.y;  e[7] = 0;
    e[8] = right.z;  e[9] = vertical.z;  e[10] = forward.z; e[11] = 0;
    e[12] = -static_cast<double>(vecDot(right, eye));
    e[13] = -static_cast<double>(vecDot(vertical, eye));
    e[14] = -static_cast<double>(vecDot(forward, eye));
    e[15] = 1;
    return output;
}

} // namespace tepple
