#pragma once

// The OpenGL benchmarks measure Mesa's llvmpipe, as the tests do, so their figures do not depend on
// a GPU. Without an X display they run themselves again under xvfb-run.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

inline void useSoftwareGlDisplay(char** argv)
{
    const char* display = std::getenv("DISPLAY");
    if ((!display || !*display) && !std::getenv("RINKFALL_BENCH_UNDER_XVFB")) {
        setenv("RINKFALL_BENCH_UNDER_XVFB", "1", 1);
        std::vector<char*> args = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                   const_cast<char*>("-s"), const_cast<char*>("-screen 0 1280x1024x24")};
        for (char** a = argv; *a; ++a)
            args.push_back(*a);
        args.push_back(nullptr);
        execvp("xvfb-run", args.data());
        std::perror("xvfb-run");
        std::exit(1);
    }
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
}

} // namespace bench
