// URLs as accessibility attributes hand them over, taken apart by portable code. The platform's
// own URL parser and the is-directory query are in file_system.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ozmi::probe {

// A URL, absolute ("file:///tmp/in/a%20b.txt") or relative ("/tmp/in"), kept as its text.
class Url {
 public:
  explicit Url(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// URL text as an RFC 3986 parser accepts it: not empty, only the characters a URL may hold (no space,
// no control or non-ASCII character, no "<>\"{}|\\^`"), every "%" followed by two hex digits.
// A bare path gives a URL without a scheme.
std::optional<Url> parseUrl(std::string_view text);

// True when the scheme is "file", in any letter case.
bool isFileURL(const Url& url);

// The percent-decoded path of a file URL, without a trailing separator ("/" stays "/"); the
// query, fragment and host are not part of it. None when the URL is not a file URL, when its
// path is empty, or when the decoded bytes are not UTF-8: such a path cannot be named in the
// report.
std::optional<std::string> path(const Url& url);

// The last component of a path: "/tmp/in/a.txt" gives "a.txt", "/" gives "/".
std::string lastPathComponent(std::string_view path);

// `name` appended to the folder path `dir` with exactly one separator between them.
std::string appendingPathComponent(std::string_view dir, std::string_view name);

}  // namespace ozmi::probe
