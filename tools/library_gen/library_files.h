#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace librarygen {

struct LibraryFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Sides around the stone's body: round at the sizes the cameras show it, within a few hundred faces.
constexpr int kStoneSegments = 16;

// The nine bitmaps in texture-slot order, then Mesh_Floor.x, Mesh_Box.x and Mesh_Pipe.x.
std::vector<LibraryFile> buildLibraryFiles();

// Writes every file into `dir` (created if missing); throws std::runtime_error on failure.
void writeLibraryFiles(const std::filesystem::path& dir);

} // namespace librarygen
