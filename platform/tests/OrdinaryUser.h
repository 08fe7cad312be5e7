// Permissions do not bind root, and the tests run as root on the build
// machines: a case about a refused permission runs its body in a child that
// has become an ordinary user ("nobody"), or directly when the tests already
// run as one. A failure in the child fails the calling test.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orn::test {

template <typename Body>
void AsOrdinaryUser(Body body) {
  if (::geteuid() != 0) return body();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    body();
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the case failed as an ordinary user";
}

}  // namespace orn::test
