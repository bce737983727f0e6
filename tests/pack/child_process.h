// Running part of a test in a forked child: under a file-size limit (a
// full disk that is the same on every machine), without root's right to
// write read-only files, or with a deadline for code that might hang.  The
// body returns 0 when every check held, else the number of the first that
// failed (GoogleTest assertions do not reach the parent from a child).
#ifndef TESSERA_TESTS_PACK_CHILD_PROCESS_H
#define TESSERA_TESTS_PACK_CHILD_PROCESS_H

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace tessera::test {

// Runs `body` in a child and returns its exit code, or 128 + the signal
// that ended it.  The child is killed after `seconds`.
inline int RunInChild(const std::function<int()>& body, unsigned seconds = 20) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) return 255;
  if (pid == 0) {
    ::alarm(seconds);
    int code = body();
    std::fflush(nullptr);
    ::_exit(code);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 255;
}

// As RunInChild, with no file of the child allowed to reach `limit` bytes.
// SIGXFSZ is ignored, so a write past the limit fails or comes up short as
// on a full disk; programs the body starts inherit both.
inline int RunUnderFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
  return RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit r = {limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &r) != 0) return 250;
    return body();
  });
}

// As RunInChild, as a user who may not write files it does not own (root
// becomes "nobody"), so that files made read-only are, as in a read-only
// install.
inline int RunWithoutWriteRights(const std::function<int()>& body) {
  return RunInChild([&] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 251;
    return body();
  });
}

}  // namespace tessera::test

#endif
