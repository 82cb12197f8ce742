#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Matrix4.h"

namespace tepple {

namespace {

constexpr float halfPi = 1.57079632679f;

void expectRows(const Matrix4& m, const double (&rows)[16])
{
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(m.e[i], rows[i]) << "element " << i;
}

void expectSame(const Matrix4& a, const Matrix4& b)
{
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.e[i], b.e[i]) << "element " << i;
}

void expectPoint(const Vertex& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void expectNoNaN(const Matrix4& m)
{
    for (int i = 0; i < 16; ++i) EXPECT_FALSE(std::isnan(m.e[i])) << "element " << i;
}

// A matrix with no zero and no repeated entry, so misplaced elements show.
Matrix4 distinctMatrix(double base)
{
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.e[i] = base + i * 1.5 - (i % 3) * 0.25;
    return m;
}

} // namespace

TEST(MatrixBuild, DefaultAndSetIdentityAreTheIdentity)
{
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectRows(Matrix4(), identity);
    Matrix4 m = distinctMatrix(3);
    EXPECT_EQ(&setIdentity(m), &m);
    expectRows(m, identity);
}

TEST(MatrixBuild, IdentityOnesColumnFillsColumnThree)
{
    Matrix4 m = distinctMatrix(7);
    EXPECT_EQ(&setIdentityOnesColumn(m), &m);
    const double expected[16] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1};
    expectRows(m, expected);
}

TEST(MatrixBuild, TranslationResetsThenSetsRowThree)
{
    Matrix4 m = distinctMatrix(2);
    EXPECT_EQ(&translation(m, 4, -5, 6), &m);
    const double expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 4, -5, 6, 1};
    expectRows(m, expected);
    expectPoint(transform(m, Vertex(0, 0, 0, 0)), 4, -5, 6, 0);
}

TEST(MatrixBuild, ScalingWritesOnlyTheDiagonal)
{
    Matrix4 m = distinctMatrix(1);
    const Matrix4 before = m;
    EXPECT_EQ(&scaling(m, 2, 3, 4), &m);
    for (int i = 0; i < 16; ++i) {
        if (i == 0 || i == 5 || i == 10) continue;
        EXPECT_EQ(m.e[i], before.e[i]) << "element " << i;
    }
    EXPECT_EQ(m.e[0], 2.0);
    EXPECT_EQ(m.e[5], 3.0);
    EXPECT_EQ(m.e[10], 4.0);

    Matrix4 pure;
    scaling(pure, 2, 3, 4);
    expectPoint(transform(pure, Vertex(1, 1, 1, 0)), 2, 3, 4, 0);
}

TEST(MatrixRotation, TurnsCounterClockwiseAboutEachAxis)
{
    expectPoint(transform(rotationZ(halfPi), Vertex(1, 0, 0, 0)), 0, 1, 0);
    expectPoint(transform(rotationX(halfPi), Vertex(0, 1, 0, 0)), 0, 0, 1);
    expectPoint(transform(rotationY(halfPi), Vertex(1, 0, 0, 0)), 0, 0, -1);
}

TEST(MatrixMultiply, OnesColumnAddsTheTranslationRowToEveryRow)
{
    Matrix4 a;
    setIdentityOnesColumn(a);
    Matrix4 b;
    translation(b, 1, 2, 3);
    Matrix4 product;
    multiply(product, a, b);
    const double expected[16] = {2, 2, 3, 1, 1, 3, 3, 1, 1, 2, 4, 1, 1, 2, 3, 1};
    expectRows(product, expected);
}

TEST(MatrixMultiply, LeftOperandIsAppliedFirst)
{
    Matrix4 shift;
    translation(shift, 1, 0, 0);
    // Shift (1,0,0) to (2,0,0), then a quarter turn takes it to (0,2,0); the other order gives (1,1,0).
    expectPoint(transform(shift * rotationZ(halfPi), Vertex(1, 0, 0, 0)), 0, 2, 0);
    expectPoint(transform(rotationZ(halfPi) * shift, Vertex(1, 0, 0, 0)), 1, 1, 0);
}

TEST(MatrixMultiply, OutputMayAliasEitherInput)
{
    const Matrix4 a = distinctMatrix(0.5);
    const Matrix4 b = distinctMatrix(-3);
    Matrix4 separate;
    multiply(separate, a, b);

    Matrix4 aliasLeft = a;
    EXPECT_EQ(&multiply(aliasLeft, aliasLeft, b), &aliasLeft);
    expectSame(aliasLeft, separate);

    Matrix4 aliasRight = b;
    multiply(aliasRight, a, aliasRight);
    expectSame(aliasRight, separate);

    Matrix4 square = a, squareSeparate;
    multiply(squareSeparate, a, a);
    multiply(square, square, square);
    expectSame(square, squareSeparate);
}

TEST(MatrixTransform, IdentityKeepsAllEightFields)
{
    Vertex p(1.25f, -2.5f, 3.75f, 0x00C0FFEE);
    p.texU = 0.1f;
    p.texV = 0.2f;
    p.texU2 = 0.3f;
    p.texV2 = 0.4f;
    const Vertex q = transform(Matrix4(), p);
    EXPECT_EQ(q.x, p.x);
    EXPECT_EQ(q.y, p.y);
    EXPECT_EQ(q.z, p.z);
    EXPECT_EQ(q.colour, p.colour);
    EXPECT_EQ(q.texU, p.texU);
    EXPECT_EQ(q.texV, p.texV);
    EXPECT_EQ(q.texU2, p.texU2);
    EXPECT_EQ(q.texV2, p.texV2);
}

TEST(MatrixTransform, ColumnThreeIsNeverRead)
{
    Matrix4 m;
    setIdentityOnesColumn(m);
    m.e[15] = 9;
    const Vertex q = transform(m, Vertex(5, -6, 7, 0));
    expectPoint(q, 5, -6, 7, 0);
}

TEST(LookAt, LookingDownPositiveZFromTheOriginIsTheIdentity)
{
    Matrix4 view = distinctMatrix(4);
    EXPECT_EQ(&lookAt(view, Vertex(0, 0, 10, 0), Vertex(0, 0, 0, 0)), &view);
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    expectRows(view, identity);
}

TEST(LookAt, TargetLandsStraightAheadAtItsDistance)
{
    Matrix4 view;
    lookAt(view, Vertex(0, 0, 0, 0), Vertex(0, 0, -85, 0));
    expectPoint(transform(view, Vertex(0, 0, 0, 0)), 0, 0, 85);

    const Vertex eye(10, 20, -30, 0), target(-5, 3, 40, 0);
    lookAt(view, target, eye);
    Vertex offset = target;
    const float distance = vecLength(vecSub(offset, eye));
    expectPoint(transform(view, target), 0, 0, distance, 1e-4f);
    expectPoint(transform(view, eye), 0, 0, 0, 1e-4f);
}

TEST(LookAt, AxesAreOrthonormalWithRightToTheRightAndYUp)
{
    Matrix4 view;
    lookAt(view, Vertex(3, -2, 7, 0), Vertex(-1, 4, 2, 0));
    const Vertex right(view.e[0], view.e[4], view.e[8], 0);
    const Vertex vertical(view.e[1], view.e[5], view.e[9], 0);
    const Vertex forward(view.e[2], view.e[6], view.e[10], 0);
    EXPECT_NEAR(vecLength(right), 1, 1e-6);
    EXPECT_NEAR(vecLength(vertical), 1, 1e-6);
    EXPECT_NEAR(vecLength(forward), 1, 1e-6);
    EXPECT_NEAR(vecDot(right, vertical), 0, 1e-6);
    EXPECT_NEAR(vecDot(right, forward), 0, 1e-6);
    EXPECT_NEAR(vecDot(vertical, forward), 0, 1e-6);
    // Right stays horizontal and the vertical axis leans towards world +y.
    EXPECT_NEAR(right.y, 0, 1e-6);
    EXPECT_GT(vertical.y, 0);
    EXPECT_EQ(view.e[3], 0.0);
    EXPECT_EQ(view.e[7], 0.0);
    EXPECT_EQ(view.e[11], 0.0);
    EXPECT_EQ(view.e[15], 1.0);

    // Looking along +z from the origin, a point at +x appears to the right.
    lookAt(view, Vertex(0, 0, 1, 0), Vertex(0, 0, 0, 0));
    EXPECT_GT(transform(view, Vertex(1, 0, 5, 0)).x, 0);
}

TEST(LookAt, TargetAtTheEyeLooksAlongPositiveZ)
{
    Matrix4 view;
    const Vertex eye(1, 2, 3, 0);
    lookAt(view, eye, eye);
    expectNoNaN(view);
    expectPoint(transform(view, eye), 0, 0, 0);
    expectPoint(transform(view, Vertex(2, 3, 7, 0)), 1, 1, 4);
}

TEST(LookAt, LookingStraightUpOrDownKeepsRightAlongX)
{
    Matrix4 view;
    const Vertex eye(0, 5, 0, 0);
    lookAt(view, Vertex(0, 50, 0, 0), eye);
    expectNoNaN(view);
    expectPoint(transform(view, Vertex(0, 10, 0, 0)), 0, 0, 5);
    expectPoint(transform(view, Vertex(1, 5, 0, 0)), 1, 0, 0);

    lookAt(view, Vertex(0, -50, 0, 0), eye);
    expectNoNaN(view);
    expectPoint(transform(view, Vertex(0, 0, 0, 0)), 0, 0, 5);
    expectPoint(transform(view, Vertex(1, 5, 0, 0)), 1, 0, 0);
}

} // namespace tepple
