// A stand-in network share: a FUSE file system that passes every call
// through to a directory of the local disk, waiting a set time in each
// metadata operation first, as a round trip to a file server would. It
// answers several requests at once (FUSE's threads), as a server with
// credits or session slots does, and counts its operations by kind.
//
//   slow_share SOURCE MOUNTPOINT --delay-us=N [--counts=FILE] [FUSE options]
//
// On unmount the counts are written to FILE (one "name count" line each);
// SIGUSR1 writes them at once and starts counting afresh, so that a script
// can count the operations of one command. Run it in the foreground (-f):
// the thread that takes the signal does not survive FUSE's daemonising. Reads and writes of file data
// are not delayed: the renamer moves names, not contents.
#define FUSE_USE_VERSION 31

#include <fuse.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

struct Settings {
  const char* source = nullptr;
  unsigned delayMicroseconds = 0;
  const char* counts = nullptr;
};
Settings settings;
int sourceDirectory = -1;

enum Operation { GETATTR, READDIR, OPENDIR, MKDIR, UNLINK, RMDIR, RENAME, CREATE, OPEN, RELEASE, STATFS, ACCESS,
                 READLINK, SYMLINK, LINK, CHMOD, TRUNCATE, UTIMENS, FSYNC, OPERATION_COUNT };
constexpr const char* OPERATION_NAMES[OPERATION_COUNT] = {
    "getattr", "readdir", "opendir", "mkdir", "unlink", "rmdir", "rename", "create", "open", "release",
    "statfs", "access", "readlink", "symlink", "link", "chmod", "truncate", "utimens", "fsync"};
std::atomic<unsigned long> counts[OPERATION_COUNT];

// One round trip: counted, then waited for.
void RoundTrip(Operation operation) {
  counts[operation].fetch_add(1, std::memory_order_relaxed);
  if (settings.delayMicroseconds > 0) {
    std::this_thread::sleep_for(std::chrono::microseconds(settings.delayMicroseconds));
  }
}

void WriteCounts() {
  if (settings.counts == nullptr) return;
  FILE* out = std::fopen(settings.counts, "w");
  if (out == nullptr) return;
  for (int i = 0; i < OPERATION_COUNT; ++i) {
    std::fprintf(out, "%s %lu\n", OPERATION_NAMES[i], counts[i].exchange(0));
  }
  std::fclose(out);
}

// The path below the source directory that a path of the mount names.
std::string Relative(const char* path) { return path[1] == 0 ? std::string(".") : std::string(path + 1); }

int Result(int value) { return value < 0 ? -errno : value; }

int GetAttr(const char* path, struct stat* status, fuse_file_info*) {
  RoundTrip(GETATTR);
  return Result(fstatat(sourceDirectory, Relative(path).c_str(), status, AT_SYMLINK_NOFOLLOW));
}

int Access(const char* path, int mode) {
  RoundTrip(ACCESS);
  return Result(faccessat(sourceDirectory, Relative(path).c_str(), mode, AT_SYMLINK_NOFOLLOW));
}

int ReadLink(const char* path, char* buffer, std::size_t size) {
  RoundTrip(READLINK);
  const ssize_t length = readlinkat(sourceDirectory, Relative(path).c_str(), buffer, size - 1);
  if (length < 0) return -errno;
  buffer[length] = 0;
  return 0;
}

int OpenDirectory(const char* path, fuse_file_info* info) {
  RoundTrip(OPENDIR);
  const int fd = openat(sourceDirectory, Relative(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return -errno;
  DIR* directory = fdopendir(fd);
  if (directory == nullptr) {
    close(fd);
    return -errno;
  }
  info->fh = reinterpret_cast<std::uint64_t>(directory);
  return 0;
}

// The whole listing in one call, as one large fetch of a directory listing.
int ReadDirectory(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* info,
                  fuse_readdir_flags) {
  RoundTrip(READDIR);
  DIR* directory = reinterpret_cast<DIR*>(info->fh);
  rewinddir(directory);
  while (dirent* entry = readdir(directory)) {
    struct stat status {};
    status.st_ino = entry->d_ino;
    status.st_mode = static_cast<mode_t>(DTTOIF(entry->d_type));
    if (fill(buffer, entry->d_name, &status, 0, static_cast<fuse_fill_dir_flags>(0)) != 0) break;
  }
  return 0;
}

int ReleaseDirectory(const char*, fuse_file_info* info) {
  closedir(reinterpret_cast<DIR*>(info->fh));
  return 0;
}

int MakeDirectory(const char* path, mode_t mode) {
  RoundTrip(MKDIR);
  return Result(mkdirat(sourceDirectory, Relative(path).c_str(), mode));
}

int Unlink(const char* path) {
  RoundTrip(UNLINK);
  return Result(unlinkat(sourceDirectory, Relative(path).c_str(), 0));
}

int RemoveDirectory(const char* path) {
  RoundTrip(RMDIR);
  return Result(unlinkat(sourceDirectory, Relative(path).c_str(), AT_REMOVEDIR));
}

int Symlink(const char* target, const char* path) {
  RoundTrip(SYMLINK);
  return Result(symlinkat(target, sourceDirectory, Relative(path).c_str()));
}

// RENAME_NOREPLACE and RENAME_EXCHANGE are passed on, as a server that
// knows them honours them.
int Rename(const char* from, const char* to, unsigned flags) {
  RoundTrip(RENAME);
  return Result(renameat2(sourceDirectory, Relative(from).c_str(), sourceDirectory, Relative(to).c_str(), flags));
}

int Link(const char* from, const char* to) {
  RoundTrip(LINK);
  return Result(linkat(sourceDirectory, Relative(from).c_str(), sourceDirectory, Relative(to).c_str(), 0));
}

int ChangeMode(const char* path, mode_t mode, fuse_file_info*) {
  RoundTrip(CHMOD);
  return Result(fchmodat(sourceDirectory, Relative(path).c_str(), mode, 0));
}

int Truncate(const char* path, off_t size, fuse_file_info* info) {
  RoundTrip(TRUNCATE);
  if (info != nullptr) return Result(ftruncate(static_cast<int>(info->fh), size));
  const int fd = openat(sourceDirectory, Relative(path).c_str(), O_WRONLY);
  if (fd < 0) return -errno;
  const int result = Result(ftruncate(fd, size));
  close(fd);
  return result;
}

int SetTimes(const char* path, const timespec times[2], fuse_file_info*) {
  RoundTrip(UTIMENS);
  return Result(utimensat(sourceDirectory, Relative(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

int Create(const char* path, mode_t mode, fuse_file_info* info) {
  RoundTrip(CREATE);
  const int fd = openat(sourceDirectory, Relative(path).c_str(), info->flags, mode);
  if (fd < 0) return -errno;
  info->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Open(const char* path, fuse_file_info* info) {
  RoundTrip(OPEN);
  const int fd = openat(sourceDirectory, Relative(path).c_str(), info->flags);
  if (fd < 0) return -errno;
  info->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int Read(const char*, char* buffer, std::size_t size, off_t offset, fuse_file_info* info) {
  return Result(static_cast<int>(pread(static_cast<int>(info->fh), buffer, size, offset)));
}

int Write(const char*, const char* buffer, std::size_t size, off_t offset, fuse_file_info* info) {
  return Result(static_cast<int>(pwrite(static_cast<int>(info->fh), buffer, size, offset)));
}

int Release(const char*, fuse_file_info* info) {
  RoundTrip(RELEASE);
  close(static_cast<int>(info->fh));
  return 0;
}

int Fsync(const char*, int dataOnly, fuse_file_info* info) {
  RoundTrip(FSYNC);
  return Result(dataOnly ? fdatasync(static_cast<int>(info->fh)) : fsync(static_cast<int>(info->fh)));
}

int StatFs(const char*, struct statvfs* status) {
  RoundTrip(STATFS);
  return Result(fstatvfs(sourceDirectory, status));
}

void* Init(fuse_conn_info*, fuse_config* config) {
  config->use_ino = 1;
  return nullptr;
}

void Destroy(void*) { WriteCounts(); }

fuse_operations MakeOperations() {
  fuse_operations operations{};
  operations.getattr = GetAttr;
  operations.readlink = ReadLink;
  operations.mkdir = MakeDirectory;
  operations.unlink = Unlink;
  operations.rmdir = RemoveDirectory;
  operations.symlink = Symlink;
  operations.rename = Rename;
  operations.link = Link;
  operations.chmod = ChangeMode;
  operations.truncate = Truncate;
  operations.open = Open;
  operations.read = Read;
  operations.write = Write;
  operations.statfs = StatFs;
  operations.release = Release;
  operations.fsync = Fsync;
  operations.opendir = OpenDirectory;
  operations.readdir = ReadDirectory;
  operations.releasedir = ReleaseDirectory;
  operations.init = Init;
  operations.destroy = Destroy;
  operations.access = Access;
  operations.create = Create;
  operations.utimens = SetTimes;
  return operations;
}

// Takes SIGUSR1, which every other thread blocks: the counts so far are
// written, and counting starts afresh.
void WriteCountsOnSignal() {
  sigset_t wanted;
  sigemptyset(&wanted);
  sigaddset(&wanted, SIGUSR1);
  for (;;) {
    int signalNumber = 0;
    if (sigwait(&wanted, &signalNumber) == 0) WriteCounts();
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The program's own arguments come out; FUSE takes the rest.
  std::string delay;
  int kept = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--delay-us=", 11) == 0) {
      settings.delayMicroseconds = static_cast<unsigned>(std::strtoul(argv[i] + 11, nullptr, 10));
    } else if (std::strncmp(argv[i], "--counts=", 9) == 0) {
      settings.counts = argv[i] + 9;
    } else if (i == 1) {
      settings.source = argv[i];
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (settings.source == nullptr || argc < 2) {
    std::fprintf(stderr, "usage: slow_share SOURCE MOUNTPOINT --delay-us=N [--counts=FILE] [FUSE options]\n");
    return 2;
  }
  sourceDirectory = open(settings.source, O_RDONLY | O_DIRECTORY);
  if (sourceDirectory < 0) {
    std::perror(settings.source);
    return 1;
  }
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
  std::thread(WriteCountsOnSignal).detach();
  const fuse_operations operations = MakeOperations();
  return fuse_main(argc, argv, &operations, nullptr);
}
