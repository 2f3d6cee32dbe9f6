#include "tools/library_gen/library_files.h"

#include "tools/library_gen/bmp_writer.h"
#include "tools/library_gen/meshes.h"
#include "tools/library_gen/textures.h"

#include <fstream>
#include <stdexcept>

namespace librarygen {

std::vector<LibraryFile> buildLibraryFiles()
{
    std::vector<LibraryFile> files;
    for (const LibraryTexture& t : paintTextures())
        files.push_back({t.fileName, encodeBmp(t.image)});
    auto text = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    files.push_back({"Mesh_Floor.x", text(writeXFile(makeFloor(), "Floor"))});
    files.push_back({"Mesh_Box.x", text(writeXFile(makeBox(), "Box"))});
    files.push_back({"Mesh_Pipe.x", text(writeXFile(makeStone(kStoneSegments), "Pipe"))});
    return files;
}

void writeLibraryFiles(const std::filesystem::path& dir)
{
    std::filesystem::create_directories(dir);
    for (const LibraryFile& file : buildLibraryFiles()) {
        const std::filesystem::path path = dir / file.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(file.bytes.data()), std::streamsize(file.bytes.size()));
        if (!out.flush())
            throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace librarygen
