#pragma once
// Drawing a mesh: its matrices combined with the renderer's, every corner (or point) taken into
// camera space and handed to the path of the draw mode.
#include "geometry/Mesh.h"
#include "pixels/PixelToolkit.h"
#include "render/Renderer.h"

namespace tepple {

// Transforms into camera space and runs the renderer's path of `mode`; a value outside
// DrawMode draws nothing. The transforms are written straight into the renderer's positions,
// normals and indices, which are then what setIndexedVertexBuffers or setVertexBuffers would have
// left, whatever the mode: a triangle mesh hands over its vertices and normals with its face
// indices, or, when an index does not fit the vertices, its corners and their normals with no
// indices; a field hands over its points alone (normals and indices empty). The mesh's drawMatrix
// acts first and is reset to the identity after every draw, whatever the mode. Only as many
// corners (or points, in sprite mode) as every mesh array involved holds are read and handed
// over, whole triangles only: a mesh with no faces (or a field with no points) draws nothing. A
// triangle mesh's transforms are shared among the threads of the renderer's pool. Throws as the
// renderer's draw does for a target of the wrong size.
//
// Positions go through the mesh's drawMatrix, its modelMatrix, the renderer's worldMatrix and then
// its viewMatrix. Under the general rules normals go through the inverse transpose of the same
// maps (no translation), so they stay at right angles to the surface under any rotation, scale or
// shear, and are made unit length; under the demonstration's rules (Viewport::demoRules) they are
// moved as points by the mesh's and world matrices, translation included, then by the view's
// translation alone, and not made unit length.
void drawMesh(Renderer& renderer, Mesh& mesh, Surface& target, DrawMode mode);

} // namespace tepple
