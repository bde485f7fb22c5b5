#pragma once
// Writing the block meshes as compressed binary .x files, the form the program embeds and
// its reader expects. Used by the build-time generator (and by tests of the reader).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "math/geometry.h"
#include "platform/gfx/assets/result.h"

namespace gfx::assets {

// The binary token stream (32-bit floats, no header) of a .x file holding the templates
// and one Mesh with MeshNormals (one normal per vertex) named meshName.
std::vector<uint8_t> BuildXTokenStream(const math::MeshGeometry& mesh,
                                       const std::string& meshName = "");

// Wraps a token stream into the compressed container with the header
// "xof 0303bzip0032". Fails only if zlib does.
Result<std::vector<uint8_t>> CompressXContainer(std::span<const uint8_t> tokens);

// BuildXTokenStream + CompressXContainer.
Result<std::vector<uint8_t>> WriteCompressedXMesh(const math::MeshGeometry& mesh,
                                                  const std::string& meshName = "");

}  // namespace gfx::assets
