// rinkfall-library-gen DIR: writes the game's bitmaps and meshes into DIR (the build's bin/Library).

#include "tools/library_gen/library_files.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: rinkfall-library-gen OUTPUT_DIR\n";
        return 2;
    }
    try {
        librarygen::writeLibraryFiles(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "rinkfall-library-gen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
