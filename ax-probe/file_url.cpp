#include "file_url.h"

#include <cstring>

#include "json_text.h"

namespace ozmi::probe {
namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigit(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// RFC 3986: unreserved, gen-delims and sub-delims; "%" is checked on its own.
bool isUrlCharacter(char c) {
  if (isAlpha(c) || isDigit(c)) return true;
  return std::strchr("-._~:/?#[]@!$&'()*+,;=", c) != nullptr && c != '\0';
}

// The scheme, when the text starts with one: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":".
std::string_view schemeOf(std::string_view text) {
  if (text.empty() || !isAlpha(text[0])) return {};
  for (std::size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ':') return text.substr(0, i);
    if (!(isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.')) return {};
  }
  return {};
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);  // a "%" without two hex digits stands for itself
  }
  return out;
}

}  // namespace

std::optional<Url> parseUrl(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size() || hexDigit(text[i + 1]) < 0 || hexDigit(text[i + 2]) < 0) return std::nullopt;
      i += 2;
    } else if (!isUrlCharacter(c)) {
      return std::nullopt;
    }
  }
  return Url(std::string(text));
}

bool isFileURL(const Url& url) { return equalsIgnoringAsciiCase(schemeOf(url.text()), "file"); }

std::optional<std::string> path(const Url& url) {
  if (!isFileURL(url)) return std::nullopt;
  // "file://host/p%20q?query#fragment": the path is "/p%20q".
  std::string_view rest = std::string_view(url.text()).substr(schemeOf(url.text()).size() + 1);
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.substr(0, 2) == "//") {
    const std::size_t slash = rest.find('/', 2);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
  }
  std::string decoded = percentDecoded(rest);
  while (decoded.size() > 1 && decoded.back() == '/') decoded.pop_back();
  if (decoded.empty() || !json::isValidUtf8(decoded)) return std::nullopt;
  return decoded;
}

std::string lastPathComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  if (path == "/") return "/";
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string appendingPathComponent(std::string_view dir, std::string_view name) {
  const bool rooted = !dir.empty() && dir.front() == '/';
  while (!dir.empty() && dir.back() == '/') dir.remove_suffix(1);
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  while (!name.empty() && name.back() == '/') name.remove_suffix(1);
  std::string out(dir);
  if (name.empty()) return out.empty() && rooted ? "/" : out;
  if (!out.empty() || rooted) out.push_back('/');
  out += name;
  return out;
}

}  // namespace ozmi::probe
