#pragma once
// 4x4 transform of 16 doubles, row by row. Points are row vectors: p' = (x, y, z, 1) x M, so the
// translation sits in row 3 (e12, e13, e14) and a product a x b applies a first, then b.
// Column 3 is never read when a point is transformed; it only takes part in multiply.
#include "geometry/Vertex.h"

namespace tepple {

struct Matrix4 {
    double e[16];

    Matrix4(); // identity

    double& at(int row, int col) { return e[4 * row + col]; }
    double at(int row, int col) const { return e[4 * row + col]; }
};

Matrix4& setIdentity(Matrix4& m);
// The identity with every entry of column 3 set to 1 (e3 = e7 = e11 = e15 = 1).
Matrix4& setIdentityOnesColumn(Matrix4& m);

// Sine and cosine of the float angle are computed in double (not the float overloads) and stored.
Matrix4 rotationX(float angle);
Matrix4 rotationY(float angle);
Matrix4 rotationZ(float angle);

// output = a x b over all 16 elements. a and b are taken by value, so output may alias either.
Matrix4& multiply(Matrix4& output, Matrix4 a, Matrix4 b);
// Convenience for expressions: a x b.
inline Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    Matrix4 out;
    multiply(out, a, b);
    return out;
}

// setIdentity, then the translation row.
Matrix4& translation(Matrix4& m, float tx, float ty, float tz);
// Writes only the three diagonal entries e0, e5, e10; everything else is kept.
Matrix4& scaling(Matrix4& m, float sx, float sy, float sz);
// Position transformed in double and stored as float; colour and texture fields copied unchanged.
// Defined here so that the vertex stage's loop can inline it; with the rounding spelt out, inlined
// or not gives the same floats.
inline Vertex transform(const Matrix4& m, const Vertex& p)
{
    Vertex out = p;
    const double x = p.x, y = p.y, z = p.z;
    const double* e = m.e;
    out.x = static_cast<float>(x * e[0] + y * e[4] + z * e[8] + e[12]);
    out.y = static_cast<float>(x * e[1] + y * e[5] + z * e[9] + e[13]);
    out.z = static_cast<float>(x * e[2] + y * e[6] + z * e[10] + e[14]);
    return out;
}

// View matrix looking from `eye` at `target` (note the order: target first), with world +y as the
// up direction; as rows grow with camera y (render/Viewport.h), world +y shows toward the bottom
// of the picture. A point p becomes
// ((p - eye).R, (p - eye).V, (p - eye).F), z being the distance in front of the eye.
// Degenerate cases have a defined, NaN-free result:
//  - target equal to eye: the forward direction is taken as +z (0, 0, 1);
//  - forward parallel to y (looking straight up or down): the right vector is taken as +x (1, 0, 0),
//    and the vertical vector is F x R as usual.
Matrix4& lookAt(Matrix4& output, Vertex target, Vertex eye);

} // namespace tepple
