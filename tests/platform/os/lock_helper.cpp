// Test helper: takes the single-instance lock for argv[1]. Prints "acquired" and exits
// with 0 (or, given "hold" as argv[2], holds the lock until killed); prints "refused"
// and exits with 1 when another process holds it.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/os/os.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    platform::SingleInstanceLock lock;
    if (!lock.Acquire(argv[1])) {
        std::puts("refused");
        return 1;
    }
    std::puts("acquired");
    std::fflush(stdout);
    if (argc > 2 && std::strcmp(argv[2], "hold") == 0)
        for (;;) ::pause();
    return 0;
}
