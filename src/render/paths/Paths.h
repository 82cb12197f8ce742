#pragma once
// The five paths, one per draw mode: each draws one call into call.buffers from the call's state,
// working in the renderer's scratch. The renderer runs them from its table (Renderer::draw), after
// checking the target's size; a textured path with a texture unbound or empty draws nothing.
#include "render/stages/CallState.h"

namespace tepple {

struct CallScratch;

namespace paths {

void gouraud(const CallState& call, CallScratch& scratch);      // per-corner lighting interpolated
void textured(const CallState& call, CallScratch& scratch);     // a perspective-correct texture, lit
void dualTextured(const CallState& call, CallScratch& scratch); // the mean of two textures, unlit
void sprites(const CallState& call, CallScratch& scratch);      // a textured square per point
void flat(const CallState& call, CallScratch& scratch);         // one face-lit colour per triangle

} // namespace paths

} // namespace tepple
