// Preloaded into a helper (LD_PRELOAD) to fail what a test cannot make fail
// from outside, chosen by TELLWICK_STORE_FAULT: "close" fails closing the
// store's new file with EIO, as NFS and FUSE report a lost write-back;
// "proc" fails naming a file through /proc, as in a sandbox without it.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int fault(const char* name) {
  const char* chosen = getenv("TELLWICK_STORE_FAULT");
  return chosen != NULL && strcmp(chosen, name) == 0;
}

// The store's new file is named before it is closed; an unnamed file named
// through /proc keeps its first name in /proc, so it is told by its inode.
static int isNewStoreFile(int fd) {
  const char* config = getenv("XDG_CONFIG_HOME");
  char path[4096];
  struct stat open, named;
  if (config == NULL) return 0;
  snprintf(path, sizeof path, "%s/.group.K7QZ2M4PXT.com.quorvane.helper.plist.new", config);
  return fstat(fd, &open) == 0 && stat(path, &named) == 0 && open.st_ino == named.st_ino &&
         open.st_dev == named.st_dev;
}

int close(int fd) {
  int (*next)(int) = (int (*)(int))dlsym(RTLD_NEXT, "close");
  if (fault("close") && isNewStoreFile(fd)) {
    next(fd);
    errno = EIO;
    return -1;
  }
  return next(fd);
}

int linkat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, int flags) {
  int (*next)(int, const char*, int, const char*, int) =
      (int (*)(int, const char*, int, const char*, int))dlsym(RTLD_NEXT, "linkat");
  if (fault("proc") && strncmp(oldpath, "/proc/", 6) == 0) {
    errno = ENOENT;
    return -1;
  }
  return next(olddirfd, oldpath, newdirfd, newpath, flags);
}
