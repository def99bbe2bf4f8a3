/*
 * Preloaded into 32-bit Wine when it runs under qemu-i386 (a kernel without 32-bit
 * emulation). Does what Wine's preloader does on a normal machine, and what Debian's wine32
 * runs without: reserve the address ranges that Windows code needs before Wine starts, and
 * tell Wine about them through the loader's wine_main_preload_info.
 *
 * Without it, Wine reserves those ranges itself with MAP_FIXED_NOREPLACE, which qemu 7.2
 * does not know: qemu places each request elsewhere, Wine keeps what it got, and then
 * splits the rest of the 4 GB down to 64 KB pieces that all fail, about 130,000 calls
 * that take a minute before each program starts. With the ranges handed over, a program
 * starts in well under a second.
 *
 * In any other process (a 64-bit one, or a 32-bit program that is not Wine's loader, or
 * a Wine that was given its ranges already) it does nothing.
 */
#include <dlfcn.h>
#include <stdio.h>
#include <sys/mman.h>

#if defined(__i386__)

struct preload_area {
    void *addr;
    size_t size;
};

/* Two ranges and the zero entry that ends the list. */
static struct preload_area areas[3];

/*
 * Reserves [start, end), cut short at the first mapping inside it (the C library and the
 * loader already sit where qemu put them), on 64 KB boundaries. Returns 1 on success.
 */
static int reserve(unsigned long start, unsigned long end, struct preload_area *area) {
    FILE *maps = fopen("/proc/self/maps", "r");
    char line[512];
    unsigned long from, to;
    while (maps && fgets(line, sizeof line, maps)) {
        if (sscanf(line, "%lx-%lx", &from, &to) == 2 && to > start && from < end)
            end = from > start ? from : start;
    }
    if (maps) fclose(maps);
    start = (start + 0xffff) & ~0xffffUL;
    end &= ~0xffffUL;
    if (end <= start) return 0;
    void *p = mmap((void *)start, end - start, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED,
                   -1, 0);
    if (p == MAP_FAILED) return 0;
    area->addr = p;
    area->size = end - start;
    return 1;
}

__attribute__((constructor)) static void reserve_windows_address_space(void) {
    /* The loader's own variable, found first in the global scope; null until set. */
    struct preload_area **slot = dlsym(RTLD_DEFAULT, "wine_main_preload_info");
    if (!slot || *slot) return;
    int n = 0;
    /* The low gigabyte, where Windows programs and their DLLs load. */
    n += reserve(0x00010000, 0x40000000, &areas[n]);
    /* From below the shared user data at 0x7ffe0000 to the top: Wine reserves the space
       above the user limit, and a range that ends at the top leaves it nothing to split. */
    n += reserve(0x7f000000, 0xffff0000, &areas[n]);
    if (n) *slot = areas;
}

#endif
