#pragma once
// The demo's seven meshes, in the mesh file's coordinates (x right, y up, z toward the viewer),
// sized for the camera distance and scale at which their scene shows them. Texture coordinates
// stay within [0.01, 0.99]: the textured rasteriser reads the texel just left of (u W, v H), so
// u W must stay at least 1.
#include "MeshBuilder.h"

namespace tepple {

// "capsule.LSB": a capsule along y, 120 units long and 60 across, finely ringed so the scene's
// ripple along the normals (sin of 0.1 y) stays smooth; the texture is mirrored around the
// circumference so there is no seam and every vertex is shared.
MeshData makeCapsule();

// "kelvo.LSB": a trefoil knot tube about 200 units across with rainbow vertex colours.
MeshData makeSpinKnot();

// "mushroom/1.LSB": the fly-agaric cap, its foot (the origin) at the stem's base; the dome is
// mapped onto the central disc of the cap texture, the gills underneath onto its outer ring.
MeshData makeMushroomCap();

// "mushroom/2.LSB": the stem with a bulb and a ring, pale vertex colours, origin at its foot.
MeshData makeMushroomStem();

// "Shape1.LSB": a textured square column 6 units across and 4.5 high along y, its base at y = 0.
// The driver exchanges y and z after loading, a mirror image; the faces are wound so that they
// face outward after that exchange.
MeshData makeGridColumn();

// "Shape4.LSB": a dodecahedron 35 units in radius, each face its own patch of the texture and its
// own pale tint; drawn at a tenth of its size.
MeshData makeBouncer();

// "Shape5.LSB": a spiky star of 20 vivid spikes inside two crossed rainbow rings, 42 and 48
// units across, like a gyroscope around the bouncers' box.
MeshData makeCentrePiece();

} // namespace tepple
