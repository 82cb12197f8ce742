#pragma once
// A model seen from a camera around it: framing on its bounds, the light set, and the picture
// drawn at the anti-aliasing scale and filtered down, with its coverage for a transparent
// background.
//
// The shading is done here, per vertex, before the renderer is handed the corners: the model's
// normals are turned into the camera's frame, each light adds strength x max(0, N.L) for its
// direction L (two-sided: a normal facing away from the eye is turned round, since real files are
// not closed), ambient adds the same everywhere, and the sum scales the vertex colour. The
// renderer then draws the lit colours (Gouraud, no lights of its own) or the texture. The pictures
// are the same for any number of threads and any lane width: this file's arithmetic runs on one
// thread in a fixed order, and the renderer promises the rest.
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
    // The corners of one mesh in camera space and lit, into the renderer's arrays.
    void prepareMesh(tepple::ModelMesh& mesh, const Camera& camera, bool consume);
    Shot filterDown(uint32_t frame) const;

    tepple::Model& model_;
    RenderOptions options_;
    double centre_[3];
    double scale_; // model units to the view's, where the bounding sphere's radius is 10
    double halfExtent_[3];
    std::unique_ptr<WorkerPool> pool_;
    Renderer renderer_;
    Surface target_;
    std::vector<double> lightDirections_; // three per light, camera space, toward the light
    std::vector<bool> identityIndices_;   // per mesh: corner k is vertex k
    bool consumed_ = false;
};

} // namespace tepple
