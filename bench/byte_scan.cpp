// The benchmark's floor: reads a file a byte at a time through stdio, as the readers do,
// and does nothing else but count line feeds.
//   byte_scan FILE
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: byte_scan FILE\n");
        return 64;
    }
    FILE *file = std::fopen(argv[1], "rb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    long lines = 0;
    int c;
    while ((c = getc_unlocked(file)) != EOF) lines += c == '\n';
    std::fclose(file);
    std::printf("%ld\n", lines);
    return 0;
}
