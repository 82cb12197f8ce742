#pragma once

namespace tepple {

// What SDL and the libraries under it need before they start, so that a normal start prints
// nothing but the demo's own lines. Called before every SDL initialisation; does its work once.
void prepareSdlEnvironment();

} // namespace tepple
