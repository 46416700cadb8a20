/* Loaded into the user-mode kernel (LD_PRELOAD) on hosts whose processor state is larger than the
 * kernel's fixed buffer (AVX-512 and AMX machines): it saves and restores that state over ptrace
 * with a buffer of the host's full size, keeping the part the kernel does not hold per buffer, so
 * the guest's processes keep every vector register across a switch. Elsewhere it changes nothing
 * but the buffer's size. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <elf.h>
#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/types.h>
#include <sys/uio.h>

#define SLOTS 16384
#define FULL (1 << 16)

static void* keys[SLOTS];
static unsigned char* saved[SLOTS];
static size_t fullSize;
static unsigned char scratch[FULL];

static unsigned char** slot(void* key, int create) {
    size_t h = ((uintptr_t)key >> 4) % SLOTS;
    for (size_t i = 0; i < SLOTS; ++i, h = (h + 1) % SLOTS) {
        if (keys[h] == key) return &saved[h];
        if (!keys[h]) {
            if (!create) return NULL;
            keys[h] = key;
            return &saved[h];
        }
    }
    return NULL;
}

long ptrace(enum __ptrace_request request, ...) {
    static long (*real)(enum __ptrace_request, ...);
    va_list ap;
    va_start(ap, request);
    pid_t pid = va_arg(ap, pid_t);
    void* addr = va_arg(ap, void*);
    void* data = va_arg(ap, void*);
    va_end(ap);
    if (!real) real = (long (*)(enum __ptrace_request, ...))dlsym(RTLD_NEXT, "ptrace");
    if ((request != PTRACE_GETREGSET && request != PTRACE_SETREGSET) ||
        (long)addr != NT_X86_XSTATE)
        return real(request, pid, addr, data);
    struct iovec* iov = data;
    if (request == PTRACE_GETREGSET) {
        struct iovec full = {scratch, sizeof scratch};
        long r = real(request, pid, addr, &full);
        if (r < 0) return r;
        fullSize = full.iov_len;
        unsigned char** s = slot(iov->iov_base, 1);
        if (s && !*s) *s = malloc(FULL);
        if (s && *s) memcpy(*s, scratch, fullSize);
        size_t n = iov->iov_len < fullSize ? iov->iov_len : fullSize;
        memcpy(iov->iov_base, scratch, n);
        iov->iov_len = n;
        return r;
    }
    if (fullSize == 0 || iov->iov_len >= fullSize) return real(request, pid, addr, data);
    unsigned char** s = slot(iov->iov_base, 0);
    if (s && *s) {
        memcpy(scratch, *s, fullSize);
    } else {
        /* A buffer never saved: the parts beyond it start in their initial state. */
        memset(scratch, 0, fullSize);
    }
    memcpy(scratch, iov->iov_base, iov->iov_len);
    if (!(s && *s)) {
        uint64_t features;
        memcpy(&features, scratch + 512, sizeof features);
        features &= 7; /* x87, SSE and AVX: what the kernel's buffer holds */
        memcpy(scratch + 512, &features, sizeof features);
    }
    struct iovec full = {scratch, fullSize};
    return real(request, pid, addr, &full);
}
