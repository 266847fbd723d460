#include "code_requirement.h"

#include <array>
#include <initializer_list>
#include <string_view>

#include "json_text.h"

namespace ozmi::permission {
namespace {

// Real requirements nest a handful of levels; a blob nesting deeper than this is hostile.
constexpr int kMaxDepth = 256;

enum Op : std::uint32_t {
  opFalse = 0, opTrue, opIdent, opAppleAnchor, opAnchorHash, opInfoKeyValue, opAnd, opOr,
  opCDHash, opNot, opInfoKeyField, opCertField, opTrustedCert, opTrustedCerts, opCertGeneric,
  opAppleGenericAnchor, opEntitlementField, opCertPolicy, opNamedAnchor, opNamedCode,
  opPlatform, opNotarized, opCertFieldDate, opLegacyDevId,
};

// The high byte of an operator word: on an unknown operator, either flag means a
// length-prefixed operand follows that a reader may skip.
constexpr std::uint32_t kFlagDefault = 0x80u << 24;
constexpr std::uint32_t kFlagSkip = 0x40u << 24;

constexpr std::array<std::string_view, 26> kReservedWords = {
    "and", "or", "always", "never", "anchor", "apple", "generic", "certificate", "cert",
    "trusted", "identifier", "cdhash", "info", "entitlement", "exists", "absent", "leaf",
    "root", "platform", "notarized", "legacy", "host", "guest", "designated", "library",
    "plugin"};

// How a node binds, for parenthesising it inside its parent.
enum class Shape { term, conjunction, disjunction, negation };

class Reader {
 public:
  explicit Reader(std::string_view bytes, std::size_t pos) : bytes_(bytes), pos_(pos) {}

  bool atEnd() const { return pos_ == bytes_.size(); }

  bool peekWord(std::uint32_t& out) const { return Reader(*this).word(out); }

  bool word(std::uint32_t& out) {
    if (bytes_.size() - pos_ < 4) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) out = (out << 8) | static_cast<unsigned char>(bytes_[pos_ + i]);
    pos_ += 4;
    return true;
  }

  bool int64(std::int64_t& out) {
    std::uint32_t high = 0, low = 0;
    if (!word(high) || !word(low)) return false;
    out = static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
    return true;
  }

  // A length, that many bytes, then padding up to the next 4-byte boundary.
  bool data(std::string_view& out) {
    std::uint32_t length = 0;
    if (!word(length)) return false;
    if (length > bytes_.size() - pos_) return false;
    out = bytes_.substr(pos_, length);
    std::size_t padded = (static_cast<std::size_t>(length) + 3) & ~std::size_t{3};
    if (padded > bytes_.size() - pos_) return false;
    pos_ += padded;
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_;
};

std::string join(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  std::string out;
  out.reserve(size);
  for (std::string_view part : parts) out += part;
  return out;
}

std::string hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// A string value: bare when it is a plain word that is not reserved, quoted otherwise; bytes
// that are no printable text are written as hash data.
std::string stringValue(std::string_view value) {
  bool printable = json::isValidUtf8(value);
  for (unsigned char c : value) {
    if (c < 0x20 || c == 0x7f) printable = false;
  }
  if (!printable) return join({"H\"", hex(value), "\""});
  bool bare = !value.empty() && isAsciiLetter(value[0]);
  for (char c : value) {
    if (!isAsciiLetter(c) && !isAsciiDigit(c)) bare = false;
  }
  for (std::string_view reserved : kReservedWords) {
    if (value == reserved) bare = false;
  }
  if (bare) return std::string(value);
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string slotText(std::uint32_t raw) {
  const auto slot = static_cast<std::int32_t>(raw);
  if (slot == 0) return "leaf";
  if (slot == -1) return "root";
  return std::to_string(slot);
}

// Dotted decimal from an OID's DER content bytes: "2a 86 48" is 1.2.840.
std::optional<std::string> oidText(std::string_view der) {
  if (der.empty()) return std::nullopt;
  const auto first = static_cast<unsigned char>(der[0]);
  if (first & 0x80) return std::nullopt;
  const unsigned a = first < 80 ? first / 40 : 2;
  std::string text = std::to_string(a);
  text += '.';
  text += std::to_string(first - 40 * a);
  std::uint64_t arc = 0;
  bool pending = false;
  for (std::size_t i = 1; i < der.size(); ++i) {
    const auto c = static_cast<unsigned char>(der[i]);
    if (arc > (UINT64_MAX >> 7)) return std::nullopt;
    arc = (arc << 7) | (c & 0x7f);
    pending = true;
    if (!(c & 0x80)) {
      text += '.';
      text += std::to_string(arc);
      arc = 0;
      pending = false;
    }
  }
  if (pending) return std::nullopt;
  return text;
}

std::optional<std::string> matchText(Reader& reader) {
  std::uint32_t op = 0;
  if (!reader.word(op)) return std::nullopt;
  static constexpr std::string_view kValueOps[] = {"", " = ", " ~ ", " = ", " = *",
                                                   " < ", " > ", " <= ", " >= "};
  static constexpr std::string_view kDateOps[] = {" = ", " < ", " > ", " <= ", " >= "};
  if (op == 0) return std::string(" /* exists */");
  if (op == 14) return std::string(" /* absent */");
  if (op >= 1 && op <= 8) {
    std::string_view value;
    if (!reader.data(value)) return std::nullopt;
    std::string text = join({kValueOps[op], stringValue(value)});
    if (op == 3) text += "*";
    return text;
  }
  if (op >= 9 && op <= 13) {
    // A date, as a count of seconds.
    std::int64_t seconds = 0;
    if (!reader.int64(seconds)) return std::nullopt;
    return join({kDateOps[op - 9], std::to_string(seconds)});
  }
  return std::nullopt;
}

bool expression(Reader& reader, int depth, std::string& out);

// `certificate <slot>[<prefix><field>]<match>`, the field being a bare name or an OID.
std::optional<std::string> certificateField(Reader& reader, std::string_view prefix, bool oid) {
  std::uint32_t slot = 0;
  std::string_view field;
  if (!reader.word(slot) || !reader.data(field)) return std::nullopt;
  std::string fieldText(field);
  if (oid) {
    std::optional<std::string> dotted = oidText(field);
    if (!dotted) return std::nullopt;
    fieldText = *dotted;
  }
  std::optional<std::string> match = matchText(reader);
  if (!match) return std::nullopt;
  return join({"certificate ", slotText(slot), "[", prefix, fieldText, "]", *match});
}

// `<name>[<key>]<match>`
std::optional<std::string> keyedField(Reader& reader, std::string_view name) {
  std::string_view key;
  if (!reader.data(key)) return std::nullopt;
  std::optional<std::string> match = matchText(reader);
  if (!match) return std::nullopt;
  return join({name, "[", stringValue(key), "]", *match});
}

// A node's binding follows from its operator word alone, so a parent knows whether an operand
// needs parentheses before writing it.
Shape shapeOf(std::uint32_t word) {
  switch (word & 0x00ffffffu) {
    case opAnd: return Shape::conjunction;
    case opOr: return Shape::disjunction;
    case opNot: return Shape::negation;
    default: return Shape::term;
  }
}

// The next expression, in parentheses when `parenthesise` says so of its shape.
bool operand(Reader& reader, int depth, std::string& out, bool (*parenthesise)(Shape)) {
  std::uint32_t next = 0;
  const bool wrap = reader.peekWord(next) && parenthesise(shapeOf(next));
  if (wrap) out += '(';
  if (!expression(reader, depth, out)) return false;
  if (wrap) out += ')';
  return true;
}

bool append(std::string& out, std::optional<std::string> text) {
  if (!text) return false;
  out += *text;
  return true;
}

// Writes the expression at the reader onto the end of `out`: one buffer for the whole text, so
// the cost grows with the blob, not with the blob times its nesting. On failure `out` holds a
// partial text that the caller drops.
bool expression(Reader& reader, int depth, std::string& out) {
  if (depth > kMaxDepth) return false;
  std::uint32_t word = 0;
  if (!reader.word(word)) return false;
  std::string_view data;
  std::uint32_t number = 0;
  switch (word & 0x00ffffffu) {
    case opFalse: out += "never"; return true;
    case opTrue: out += "always"; return true;
    case opIdent:
      if (!reader.data(data)) return false;
      out += "identifier ";
      out += stringValue(data);
      return true;
    case opAppleAnchor: out += "anchor apple"; return true;
    case opAnchorHash:
      if (!reader.word(number) || !reader.data(data)) return false;
      out += join({"certificate ", slotText(number), " = H\"", hex(data), "\""});
      return true;
    case opInfoKeyValue: {
      std::string_view key;
      if (!reader.data(key) || !reader.data(data)) return false;
      out += join({"info[", stringValue(key), "] = ", stringValue(data)});
      return true;
    }
    case opAnd:
    case opOr: {
      // "and" binds tighter than "or": only an "or" inside an "and" needs parentheses.
      const bool isAnd = (word & 0x00ffffffu) == opAnd;
      auto parenthesise = isAnd ? +[](Shape s) { return s == Shape::disjunction; }
                                : +[](Shape) { return false; };
      if (!operand(reader, depth + 1, out, parenthesise)) return false;
      out += isAnd ? " and " : " or ";
      return operand(reader, depth + 1, out, parenthesise);
    }
    case opCDHash:
      if (!reader.data(data)) return false;
      out += join({"cdhash H\"", hex(data), "\""});
      return true;
    case opNot:
      out += "! ";
      return operand(reader, depth + 1, out, [](Shape s) { return s != Shape::term; });
    case opInfoKeyField: return append(out, keyedField(reader, "info"));
    case opCertField: return append(out, certificateField(reader, "", false));
    case opTrustedCert:
      if (!reader.word(number)) return false;
      out += join({"certificate ", slotText(number), " trusted"});
      return true;
    case opTrustedCerts: out += "anchor trusted"; return true;
    case opCertGeneric: return append(out, certificateField(reader, "field.", true));
    case opAppleGenericAnchor: out += "anchor apple generic"; return true;
    case opEntitlementField: return append(out, keyedField(reader, "entitlement"));
    case opCertPolicy: return append(out, certificateField(reader, "policy.", true));
    case opNamedAnchor:
      if (!reader.data(data)) return false;
      out += "anchor apple ";
      out += stringValue(data);
      return true;
    case opNamedCode:
      if (!reader.data(data)) return false;
      out += join({"(", stringValue(data), ")"});
      return true;
    case opPlatform:
      if (!reader.word(number)) return false;
      out += join({"platform = ", std::to_string(number)});
      return true;
    case opNotarized: out += "notarized"; return true;
    case opCertFieldDate: return append(out, certificateField(reader, "timestamp.", true));
    case opLegacyDevId: out += "legacy"; return true;
    default:
      // An operator this reader does not know, flagged as skippable, renders as nothing.
      return (word & (kFlagDefault | kFlagSkip)) != 0 && reader.data(data);
  }
}

std::uint32_t wordAt(std::string_view bytes, std::size_t pos) {
  std::uint32_t out = 0;
  for (int i = 0; i < 4; ++i) out = (out << 8) | static_cast<unsigned char>(bytes[pos + i]);
  return out;
}

}  // namespace

std::optional<CompiledRequirement> parseRequirement(std::string_view bytes) {
  if (bytes.size() < 12) return std::nullopt;
  if (wordAt(bytes, 0) != kRequirementMagic) return std::nullopt;
  if (wordAt(bytes, 4) != bytes.size()) return std::nullopt;
  return CompiledRequirement{std::string(bytes)};
}

std::optional<std::string> renderRequirement(const CompiledRequirement& requirement) {
  const std::string_view bytes = requirement.bytes;
  if (bytes.size() < 12 || wordAt(bytes, 8) != kExpressionKind) return std::nullopt;
  Reader reader(bytes, 12);
  std::string text;
  if (!expression(reader, 0, text) || !reader.atEnd()) return std::nullopt;
  return text;
}

std::string requirementKind(std::string_view text) {
  if (text.starts_with("cdhash")) return "cdhash";
  if (text.find("anchor apple generic") != std::string_view::npos) return "developer-id";
  return "other";
}

}  // namespace ozmi::permission
