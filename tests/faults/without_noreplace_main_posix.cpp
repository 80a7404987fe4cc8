// The fault tests again, in a process whose renameat2 refuses any flag with
// EINVAL, as a file system without RENAME_NOREPLACE support answers (FUSE file
// systems whose server predates the flag, for one). A seccomp filter does it:
// it needs no privilege, holds for every child the tests fork, and makes the
// refusal certain whatever file system the temporary directory lies on.
#include <errno.h>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stdio.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstddef>

#include <gtest/gtest.h>

namespace {

// renameat2(olddirfd, oldpath, newdirfd, newpath, flags): flags is argument 4.
int RefuseRenameFlags() {
  struct sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 3),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[4])),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EINVAL & SECCOMP_RET_DATA)),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  struct sock_fprog filter = {static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0) {
    return 1;
  }
  // The filter must be what the tests meet: a flagged rename is refused.
  return syscall(SYS_renameat2, AT_FDCWD, "/nonexistent-a", AT_FDCWD, "/nonexistent-b", 1) == -1 && errno == EINVAL
             ? 0
             : 1;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (RefuseRenameFlags() != 0) {
    perror("cannot make renameat2 refuse RENAME_NOREPLACE");
    return 1;
  }
  return RUN_ALL_TESTS();
}
