// A private JACK server for one test fixture: `jackd --no-realtime --sync -d
// dummy` under a name of its own, which this process's clients reach through
// JACK_DEFAULT_SERVER (JACK_NO_START_SERVER keeps them from starting any
// other). Synchronous, so that a machine busy with other builds delays cycles
// instead of dropping a late client's. The server dies with the fixture, and
// with the test process if that crashes: a user's server is never touched and
// none is left behind.
#pragma once

#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace jacktest {

inline std::string uniqueServerName() {
  static std::atomic<int> counter{0};
  return "cantora-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

class PrivateJackServer {
 public:
  PrivateJackServer(int rate, int period)
      : name_(uniqueServerName()), rate_(std::to_string(rate)), period_(std::to_string(period)) {
    ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    pid_ = spawn();
    ready_ = pid_ > 0 && waitUntilReachable();
  }

  ~PrivateJackServer() {
    stop();
    if (crashed_) reclaim();
    removeLeftovers();
  }
  PrivateJackServer(const PrivateJackServer&) = delete;
  PrivateJackServer& operator=(const PrivateJackServer&) = delete;

  bool ready() const { return ready_; }
  const std::string& name() const { return name_; }

  // The server dies at once, as in a crash.
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    crashed_ = true;
  }

  // Asks the server to quit, and kills it when it does not within 3 s.
  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill();
  }

 private:
  pid_t spawn() {
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
      // Only async-signal-safe calls until exec. If the test process dies,
      // the server is asked to quit, which unregisters it cleanly.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::_exit(127);
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) {
        ::dup2(null, 1);
        ::dup2(null, 2);
      }
      ::execlp("jackd", "jackd", "--no-realtime", "--sync", "-n", name_.c_str(), "-d", "dummy",
               "-r", rate_.c_str(), "-p", period_.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }

  // A killed server stays in JACK's registry of servers, which has room for
  // a handful only; a server of the same name started and stopped cleanly
  // takes its entry back.
  void reclaim() {
    pid_ = spawn();
    if (pid_ > 0) waitUntilReachable();
    stop();
    crashed_ = false;
  }

  // Shared memory and semaphores a killed server or its clients left behind,
  // all named after this server.
  void removeLeftovers() {
    std::error_code error;
    const std::string tag = "_" + name_ + "_";
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
      const std::string file = entry.path().filename().string();
      if (file.rfind("jack", 0) == 0 && file.find(tag) != std::string::npos)
        std::filesystem::remove(entry.path(), error);
    }
  }

  bool waitUntilReachable() {
    // Until it is up, every probe makes libjack complain on stderr.
    jack_set_error_function([](const char*) {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      jack_status_t status{};
      jack_client_t* probe = jack_client_open(
          "cantora-probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
          name_.c_str());
      if (probe != nullptr) {
        jack_client_close(probe);
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  std::string name_;
  std::string rate_;
  std::string period_;
  pid_t pid_ = -1;
  bool ready_ = false;
  bool crashed_ = false;
};

}  // namespace jacktest
