/* Runs one program and reports what it cost: wall time from just before it
 * is started to just after it has been reaped, and its peak resident set.
 *
 *     tavrin-bench-spawn [-d DIR] [-q] PROGRAM [ARG...]
 *
 * prints one line "wall_us=N cpu_us=N maxrss_kib=N status=N self_kib=N" on
 * standard error (cpu_us: the program's user and system time; standard
 * output belongs to the program unless -q sends it, and its standard input,
 * to /dev/null); -d runs it in DIR.
 *
 * Why a program of its own: Linux keeps a process's peak resident size
 * across exec, so a child started from a large parent (a Python script, a
 * shell with much loaded) reports the parent's size whenever the program's
 * own peak is smaller. This launcher is small and linked statically where
 * the C library allows it; its own peak (self_kib) is the floor below which
 * no measured figure can go, and is printed so that it can be checked. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

static long long NowUs(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000LL + ts.tv_nsec / 1000;
}

/* This process's own peak since it was started (VmHWM). Not ru_maxrss:
 * that one also holds whatever started this launcher, for the reason above;
 * the program started here inherits this process's memory map until its
 * exec, so VmHWM is the floor of what it can report. */
static long OwnPeakKib(void)
{
    FILE* f = fopen("/proc/self/status", "r");
    long kib = -1;
    char line[256];
    while (f && fgets(line, sizeof line, f))
        if (strncmp(line, "VmHWM:", 6) == 0) kib = strtol(line + 6, NULL, 10);
    if (f) fclose(f);
    return kib;
}

int main(int argc, char** argv)
{
    const char* dir = NULL;
    int quiet = 0;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (strcmp(argv[i], "-d") == 0 && i + 1 < argc) dir = argv[++i];
        else if (strcmp(argv[i], "-q") == 0) quiet = 1;
        else if (strcmp(argv[i], "--") == 0) { ++i; break; }
        else break;
    }
    if (i >= argc) {
        fprintf(stderr, "usage: %s [-d DIR] [-q] PROGRAM [ARG...]\n", argv[0]);
        return 2;
    }
    if (dir && chdir(dir) != 0) {
        fprintf(stderr, "cannot enter %s: %s\n", dir, strerror(errno));
        return 2;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }

    pid_t pid;
    const long long start = NowUs();
    const int rc = posix_spawn(&pid, argv[i], &actions, NULL, argv + i, environ);
    if (rc != 0) {
        fprintf(stderr, "cannot start %s: %s\n", argv[i], strerror(rc));
        return 2;
    }
    int status = 0;
    struct rusage usage;
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            fprintf(stderr, "wait4: %s\n", strerror(errno));
            return 2;
        }
    }
    const long long wall = NowUs() - start;
    posix_spawn_file_actions_destroy(&actions);

    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const long long cpu = (long long)usage.ru_utime.tv_sec * 1000000LL + usage.ru_utime.tv_usec +
                          (long long)usage.ru_stime.tv_sec * 1000000LL + usage.ru_stime.tv_usec;
    fprintf(stderr, "wall_us=%lld cpu_us=%lld maxrss_kib=%ld status=%d self_kib=%ld\n", wall, cpu, usage.ru_maxrss, code,
            OwnPeakKib());
    return 0;
}
