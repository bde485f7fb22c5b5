#pragma once
// DirectX .x mesh files in binary form, as used for the block meshes: the compressed
// container ("xof 0303bzip0032": a 32-bit size of the whole decompressed file, then
// blocks of raw deflate data that may refer back 32 KB into the earlier blocks' output)
// around the binary token stream (template declarations, then one Mesh with its
// MeshNormals).
//
// Reading produces one normal per vertex. Where the file gives a position different
// normals on different faces, the vertex is split: its first normal keeps the original
// index (so files without such seams keep their numbering and counts) and every further
// (position, normal) pair becomes a new vertex appended after the originals. A Mesh
// without MeshNormals gets area-weighted smooth normals. Faces with more than three
// corners are split into a fan of triangles.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "math/geometry.h"
#include "platform/gfx/assets/result.h"

namespace gfx::assets {

// Largest decompressed .x stream we accept; the block meshes are a few tens of KB.
inline constexpr uint32_t kMaxXFileSize = 16u << 20;

// Reads the first Mesh of a binary .x file, compressed ("bzip") or not ("bin "), with
// 32- or 64-bit floats. Malformed data gives an error, never a partial mesh; so does a
// coordinate that is not a finite number within +-1e9.
Result<math::MeshGeometry> ReadXMesh(std::span<const uint8_t> file);

// Inflates the compressed container (the whole file, header included) into the token
// stream that follows the header.
Result<std::vector<uint8_t>> InflateXContainer(std::span<const uint8_t> file);

}  // namespace gfx::assets
