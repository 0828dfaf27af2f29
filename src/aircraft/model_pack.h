#pragma once
// The model-pack blob: the meshes of a unit description file, stored one after another.
//
//   0..43   free (the writer puts "SKYLOOM MESHES" and the blob's length at 40)
//   44      mesh count N (uint32)
//   48..55  free
//   56      N mesh records
//
// Mesh record: a 104-byte header (name at 8, 16 chars; subsetCount at 24; boundsMin at 28,
// centre at 40, boundsMax at 52, 3 floats each; vertexTotal at 64, indexTotal at 68, radius at
// 72), subsetCount index counts, subsetCount vertex counts, then per subset a 112-byte header
// (texture name, 32 chars, at 0; the 68-byte material at 36), its 32-byte vertices and its
// 16-bit indices. All integers little-endian.
//
// Every count and length is checked against the bytes present and every index against its
// subset's vertex count; a blob with one bad record is refused whole.

#include <cstddef>
#include <memory>
#include <vector>

#include "aircraft/model.h"
#include "core/bytes.h"

namespace skyloom {

constexpr std::size_t kModelPackHeaderSize = 56;
constexpr std::size_t kMeshHeaderSize = 104;
constexpr std::size_t kSubsetHeaderSize = 112;
// No mesh of ours comes near these; larger claims are corrupt.
constexpr std::uint32_t kMaxPackMeshes = 1000;
constexpr std::uint32_t kMaxMeshSubsets = 256;

// Parses the blob at the start of bytes. On success appends the meshes to out (normals
// repaired and normalised as loaded meshes are), sets consumed to the blob's length and answers
// true; on failure out is unchanged.
bool parseModelPack(ByteSpan bytes, std::vector<std::unique_ptr<Model>>& out, std::size_t& consumed);

// Appends the blob of the given meshes (loaded-mesh vertices only) to out.
void writeModelPack(const std::vector<const Model*>& models, Bytes& out);

// What loading does to every normal: a damaged one (x outside [-1, 1], not finite, or of no
// length) becomes (0.1, 0.1, 0.1); then each is normalised.
void repairNormal(ModelVertex& v);

}  // namespace skyloom
