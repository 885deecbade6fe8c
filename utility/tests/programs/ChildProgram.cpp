// A child program for the process tests:
//   kvx_test_child <out file or -> <exit code | sleep> [arguments...]
// writes its working folder and then each argument, one per line, into the
// out file, and ends with the exit code ("sleep" waits until it is killed).

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) return 100;
    if (strcmp(argv[1], "-") != 0) {
        FILE* out = fopen(argv[1], "w");
        if (!out) return 101;
        char folder[PATH_MAX];
        fprintf(out, "%s\n", getcwd(folder, sizeof(folder)) ? folder : "?");
        for (int i = 3; i < argc; ++i) fprintf(out, "%s\n", argv[i]);
        fclose(out);
    }
    if (strcmp(argv[2], "sleep") == 0) {
        for (;;) pause();
    }
    return atoi(argv[2]);
}
