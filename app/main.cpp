#include <cstdio>

int main() {
    std::printf("qzone-album-downloader %s\n", QZA_VERSION);
    return 0;
}
