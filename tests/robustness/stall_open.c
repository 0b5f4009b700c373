/* A file server that does not answer, for tests under Wine: preloaded into
 * wine64, this makes every path lookup below the share \\tamsel-stalled\...
 * wait while the file STALL_HOLD_FILE (its path given by the build) exists.
 * Wine resolves a path in the thread that opens it, so only the threads that
 * touch such a path wait, as they would on a stalled share. The wineserver is
 * left alone. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#ifndef STALL_HOLD_FILE
#error "STALL_HOLD_FILE: the path of the hold file"
#endif

#define NEXT(name) static __typeof__(name) *next; if (!next) next = (__typeof__(name) *)dlsym(RTLD_NEXT, #name)

static const char kMarker[] = "/dosdevices/unc/tamsel-stalled/";

static void wait_while_held(const char *path) {
    static __typeof__(stat) *real_stat;
    if (!path || !strstr(path, kMarker)) return;
    if (strcmp(program_invocation_short_name, "wineserver") == 0) return;
    if (!real_stat) real_stat = (__typeof__(stat) *)dlsym(RTLD_NEXT, "stat");
    const struct timespec tick = {0, 10 * 1000 * 1000};
    struct stat st;
    const int saved = errno;
    while (real_stat(STALL_HOLD_FILE, &st) == 0) nanosleep(&tick, NULL);
    errno = saved;
}

int stat(const char *path, struct stat *st) { NEXT(stat); wait_while_held(path); return next(path, st); }
int lstat(const char *path, struct stat *st) { NEXT(lstat); wait_while_held(path); return next(path, st); }
int fstatat(int dir, const char *path, struct stat *st, int flags) {
    NEXT(fstatat); wait_while_held(path); return next(dir, path, st, flags);
}
int access(const char *path, int mode) { NEXT(access); wait_while_held(path); return next(path, mode); }
DIR *opendir(const char *path) { NEXT(opendir); wait_while_held(path); return next(path); }
int open(const char *path, int flags, ...) {
    NEXT(open);
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(rest, int) : 0;
    va_end(rest);
    wait_while_held(path);
    return next(path, flags, mode);
}
