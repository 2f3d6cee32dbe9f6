// rinkfall-sound-gen OUT_DIR: writes the game's sounds as WAV files into OUT_DIR.

#include "tools/sound_gen/sounds.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: rinkfall-sound-gen OUT_DIR\n");
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (const soundgen::NamedSound& sound : soundgen::makeSounds()) {
        const std::string path = (dir / sound.file).string();
        if (!audio::writeWavFile(path, sound.clip)) {
            std::fprintf(stderr, "rinkfall-sound-gen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
