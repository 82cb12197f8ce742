#pragma once

namespace tepple {

// The eleven data files of the demo, by the names it opens them under: relative to its data
// folder, '/' separated. This is the one place a name is written: code takes these constants, and
// the build and the test scripts read the quoted names of this file, so each name stays a quoted
// string on the line of its own constant, and no other line of the file holds one.
namespace dataFiles {

inline constexpr const char* capsuleMesh = "capsule.LSB";
inline constexpr const char* knotMesh = "kelvo.LSB";
inline constexpr const char* mushroomCapMesh = "mushroom/1.LSB";
inline constexpr const char* mushroomStemMesh = "mushroom/2.LSB";
inline constexpr const char* columnMesh = "Shape1.LSB";
inline constexpr const char* bouncerMesh = "Shape4.LSB";
inline constexpr const char* centrePieceMesh = "Shape5.LSB";
inline constexpr const char* flareTexture = "flare.tga";
inline constexpr const char* mushroomTexture = "amuscaria.tga";
inline constexpr const char* background = "stone_version_1.tga";
inline constexpr const char* soundtrack = "pelmoric.mp3";

inline constexpr const char* all[] = {
    capsuleMesh, knotMesh,        mushroomCapMesh, mushroomStemMesh, columnMesh, bouncerMesh,
    centrePieceMesh, flareTexture, mushroomTexture, background,      soundtrack,
};

} // namespace dataFiles

} // namespace tepple
