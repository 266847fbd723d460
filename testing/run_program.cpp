#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

extern char** environ;

namespace ozmi::testing {

namespace {

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A pipe whose ends the program does not inherit. macOS has no pipe2, so the flag is set after;
// the tests start programs from one thread only, so no fork comes between.
bool makePipe(int (&fds)[2]) {
  if (::pipe(fds) != 0) return false;
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  return true;
}

}  // namespace

RunResult runProgram(const std::string& path, const RunOptions& options) {
  RunResult result;
  int in[2], out[2], err[2];
  if (!makePipe(in) || !makePipe(out) || !makePipe(err)) {
    return result;
  }
  std::vector<std::string> argvStore{path};
  argvStore.insert(argvStore.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (auto& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The environment as it stands, with each of options.environment replacing its name.
  std::vector<std::string> envStore;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& set : options.environment) replaced = replaced || set.substr(0, set.find('=')) == name;
    if (!replaced) envStore.push_back(entry);
  }
  envStore.insert(envStore.end(), options.environment.begin(), options.environment.end());
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    // The test process may ignore SIGPIPE; a real host's child starts with the default.
    ::signal(SIGPIPE, SIG_DFL);
    ::dup2(in[0], 0);
    if (options.stdinNonBlocking) ::fcntl(0, F_SETFL, ::fcntl(0, F_GETFL) | O_NONBLOCK);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    if (options.nonBlockingStdout) ::fcntl(1, F_SETFL, ::fcntl(1, F_GETFL) | O_NONBLOCK);
    ::execve(path.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  int inFd = in[1], outFd = out[0], errFd = err[0];
  if (options.closeStdoutEarly) closeFd(outFd);

  const struct sigaction ignore = {};
  struct sigaction previous = {};
  struct sigaction ign = ignore;
  ign.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ign, &previous);

  std::size_t written = 0;
  if (options.stdinData.empty()) closeFd(inFd);
  std::this_thread::sleep_for(options.readDelay);
  const auto deadline = std::chrono::steady_clock::now() + options.timeout;
  // While paused, standard input is not written; the pause starts once its first part is out.
  std::chrono::steady_clock::time_point resumeAt{};
  const auto startPauseIfDue = [&] {
    if (written == options.stdinPauseAfter) resumeAt = std::chrono::steady_clock::now() + options.stdinPause;
  };
  startPauseIfDue();
  char buf[65536];
  while (inFd >= 0 || outFd >= 0 || errFd >= 0) {
    const auto now = std::chrono::steady_clock::now();
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    if (left.count() <= 0) {
      result.timedOut = true;
      ::kill(pid, SIGKILL);
      break;
    }
    const bool paused = now < resumeAt;
    if (paused) left = std::min(left, std::chrono::ceil<std::chrono::milliseconds>(resumeAt - now));
    pollfd fds[3] = {{paused ? -1 : inFd, POLLOUT, 0}, {outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    if (::poll(fds, 3, static_cast<int>(left.count())) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (inFd >= 0 && !paused && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
      std::size_t chunk = std::min<std::size_t>(options.stdinData.size() - written, 65536);
      if (written < options.stdinPauseAfter) chunk = std::min(chunk, options.stdinPauseAfter - written);
      const ssize_t n = ::write(inFd, options.stdinData.data() + written, chunk);
      if (n > 0) {
        written += static_cast<std::size_t>(n);
        startPauseIfDue();
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) closeFd(inFd);  // the program closed it
      if (written == options.stdinData.size()) closeFd(inFd);
    }
    for (int i = 1; i <= 2; ++i) {
      int& fd = i == 1 ? outFd : errFd;
      if (fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
          (i == 1 ? result.out : result.err).append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          closeFd(fd);
        }
      }
    }
  }
  closeFd(inFd);
  closeFd(outFd);
  closeFd(errFd);
  ::sigaction(SIGPIPE, &previous, nullptr);

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.termSignal = WTERMSIG(status);
  return result;
}

}  // namespace ozmi::testing
