#include <cstdio>

int main()
{
    std::fputs("rinkfall: the game window is not built yet; nothing to start.\n", stderr);
    return 1;
}
