// Peers that accept a connection and never say a word, for tests of programs that must not
// wait for them for ever.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace ozmi::testing {

// A listening unix socket that never accepts: connections queue in its backlog, so to a client
// the connection succeeds and then nothing comes. Removed with the object.
class SilentSocket {
 public:
  explicit SilentSocket(std::string path);
  ~SilentSocket();
  SilentSocket(const SilentSocket&) = delete;
  SilentSocket& operator=(const SilentSocket&) = delete;

  bool ok() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  // Whether some client has connected (and is waiting in the backlog).
  bool contacted() const;

 private:
  std::string path_;
  int fd_ = -1;
};

// A silent X display: a SilentSocket at /tmp/.X11-unix/X<n> for a display number no server
// uses. `display` is the value for DISPLAY, ":<n>".
struct SilentDisplay {
  std::optional<SilentSocket> socket;
  std::string display;
};
// None when /tmp/.X11-unix cannot be used.
std::unique_ptr<SilentDisplay> makeSilentDisplay();

}  // namespace ozmi::testing
