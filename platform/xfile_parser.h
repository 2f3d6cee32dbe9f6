#pragma once

// Reader for DirectX .x meshes in the text format ("xof 0302txt 0032"), building the mesh that
// D3DXLoadMeshFromX would build: polygons fanned into triangles, a vertex duplicated for each further
// normal it is used with, every mesh of the file merged with its frame transforms applied, and
// triangles grouped by material into subsets.

#include "platform/load_error.h"
#include "platform/mesh_data.h"

#include <filesystem>
#include <string_view>

namespace platform {

// Throws LoadError naming the problem and its line for anything but a well-formed file.
MeshData parseXFile(std::string_view text);

// Reads `path` and parses it; the message of a LoadError starts with the path.
MeshData loadXFile(const std::filesystem::path& path);

} // namespace platform
