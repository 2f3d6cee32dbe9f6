// rinkfall-icon-gen DIR APP_ID: writes the application icon into DIR/hicolor/<n>x<n>/apps/.

#include "tools/icon_gen/icon.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: rinkfall-icon-gen OUTPUT_DIR APP_ID\n";
        return 2;
    }
    try {
        icongen::writeIconTheme(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception& e) {
        std::cerr << "rinkfall-icon-gen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
