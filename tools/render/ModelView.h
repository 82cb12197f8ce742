#pragma once
// A model seen from a camera around it: framing on its bounds, the light set, and the picture
// drawn at the anti-aliasing scale and filtered down, with its coverage for a transparent
// background.
//
// The renderer lights the model under the general rules (geometry/Lighting.h): the view hands it
// camera-space corners with their normals (the file's, or each face's own for a mesh drawn flat),
// the light set as directional lights in the camera's frame and the ambient term; Lambert's law,
// two-sided, since real files are not closed. Textured materials are drawn lit, each texel scaled
// by the lit corner colour, read bilinearly and repeating outside 0-1 (glTF's default wrap, and
// what OBJ files are made for). The pictures are the same for any number of threads and any lane
// width: every corner here is worked out on its own, and the renderer promises the rest.
#include <cstdint>
#include <memory>
#include <vector>

#include "RenderOptions.h"
#include "models/Model.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"

namespace tepple {

// A picture with its coverage: colour 0x00RRGGBB and alpha 0 (background) to 255 (model).
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> colour;
    std::vector<uint8_t> alpha;
};

class ModelView {
public:
    // The model must outlive the view (its textures are drawn from in place). Throws
    // std::invalid_argument when the model's bounds are not finite or the size cannot be drawn.
    ModelView(tepple::Model& model, const RenderOptions& options);

    // The model seen from azimuth and elevation (degrees). Framing: fitted to the box around the
    // model as seen from there, or (steady, for a turntable) to the sphere around that box, so
    // that every view of a turn is the same size.
    // `last`: no view follows, so the model's vertices may be taken over and changed in place (the
    // view draws nothing after it; another draw throws std::logic_error).
    Shot draw(double azimuth, double elevation, bool steady, bool last = false);

private:
    struct Camera {
        double right[3], down[3], forward[3];
        double distance;
    };
    Camera aim(double azimuth, double elevation, bool steady) const;
    // Draws mesh `index` in `mode`: its corners and normals in camera space, into the renderer's
    // arrays. `consume`: the mesh's own arrays may be taken over.
    void drawMesh(size_t index, const Camera& camera, bool consume, DrawMode mode);
    Shot filterDown(uint32_t frame) const;

    tepple::Model& model_;
    RenderOptions options_;
    double centre_[3];
    double scale_; // model units to the view's, where the bounding sphere's radius is 10
    double halfExtent_[3];
    std::unique_ptr<WorkerPool> pool_;
    Renderer renderer_;
    Surface target_;
    std::vector<bool> identityIndices_; // per mesh: corner k is vertex k
    bool consumed_ = false;
};

} // namespace tepple
