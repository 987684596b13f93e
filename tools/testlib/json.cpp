#include "testlib/json.h"

#include <cstdlib>
#include <cstdint>

#include "platform/text.h"
#include "standin/standin.h"

namespace tarnwick::testing {

namespace {

// Deep enough for any journal; keeps hostile input from exhausting the stack.
constexpr int kMaxDepth = 64;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<Json> Document() {
    Json value;
    if (!Value(value, 0)) return std::nullopt;
    SkipSpace();
    if (pos_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Value(Json& out, int depth) {
    if (depth > kMaxDepth) return false;
    SkipSpace();
    if (pos_ >= text_.size()) return false;
    switch (text_[pos_]) {
      case '{': return Object(out, depth);
      case '[': return Array(out, depth);
      case '"': out.type = Json::Type::String; return String(out.string);
      case 't': out.type = Json::Type::Bool; out.boolean = true; return Literal("true");
      case 'f': out.type = Json::Type::Bool; out.boolean = false; return Literal("false");
      case 'n': out.type = Json::Type::Null; return Literal("null");
      default: out.type = Json::Type::Number; return Number(out.number);
    }
  }

  bool Object(Json& out, int depth) {
    out.type = Json::Type::Object;
    ++pos_;
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') return ++pos_, true;
    for (;;) {
      SkipSpace();
      std::string key;
      if (pos_ >= text_.size() || text_[pos_] != '"' || !String(key)) return false;
      SkipSpace();
      if (pos_ >= text_.size() || text_[pos_++] != ':') return false;
      Json member;
      if (!Value(member, depth + 1)) return false;
      out.object[key] = std::move(member);
      SkipSpace();
      if (pos_ >= text_.size()) return false;
      const char c = text_[pos_++];
      if (c == '}') return true;
      if (c != ',') return false;
    }
  }

  bool Array(Json& out, int depth) {
    out.type = Json::Type::Array;
    ++pos_;
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') return ++pos_, true;
    for (;;) {
      Json element;
      if (!Value(element, depth + 1)) return false;
      out.array.push_back(std::move(element));
      SkipSpace();
      if (pos_ >= text_.size()) return false;
      const char c = text_[pos_++];
      if (c == ']') return true;
      if (c != ',') return false;
    }
  }

  bool Digits() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }

  // Checks the JSON number grammar, then converts the whole token.
  bool Number(double& out) {
    const std::size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '0') {
      ++pos_;
    } else if (!Digits()) {
      return false;
    }
    if (pos_ < text_.size() && text_[pos_] == '.' && (++pos_, !Digits())) return false;
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (!Digits()) return false;
    }
    // strtod rather than from_chars: a number out of range becomes
    // the infinity or zero it tends to. No locale is ever set.
    const std::string token(text_.substr(start, pos_ - start));
    out = std::strtod(token.c_str(), nullptr);
    return true;
  }

  bool Hex4(std::uint32_t& unit) {
    if (text_.size() - pos_ < 4) return false;
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      unit = unit * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }

  bool Escape(std::string& out);
  bool String(std::string& out);

  std::string_view text_;
  std::size_t pos_ = 0;
};

// A \u escape; a pair of escapes forms one code point. An unpaired surrogate
// is kept as its three-byte form, so tests can still see which unit was sent.
bool Parser::Escape(std::string& out) {
  if (pos_ >= text_.size()) return false;
  const char c = text_[pos_++];
  switch (c) {
    case '"': out += '"'; return true;
    case '\\': out += '\\'; return true;
    case '/': out += '/'; return true;
    case 'b': out += '\b'; return true;
    case 'f': out += '\f'; return true;
    case 'n': out += '\n'; return true;
    case 'r': out += '\r'; return true;
    case 't': out += '\t'; return true;
    case 'u': break;
    default: return false;
  }
  std::uint32_t unit = 0;
  if (!Hex4(unit)) return false;
  if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
    const std::size_t save = pos_;
    pos_ += 2;
    std::uint32_t low = 0;
    if (Hex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      return true;
    }
    pos_ = save;
  }
  AppendUtf8(out, unit);
  return true;
}

bool Parser::String(std::string& out) {
  ++pos_;  // the opening quote
  while (pos_ < text_.size()) {
    const auto c = static_cast<unsigned char>(text_[pos_++]);
    if (c == '"') return true;
    if (c < 0x20) return false;
    if (c == '\\') {
      if (!Escape(out)) return false;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return false;
}

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  static const Json kNull;
  if (type != Type::Object) return kNull;
  const auto it = object.find(key);
  return it == object.end() ? kNull : it->second;
}

bool Json::Has(const std::string& key) const {
  return type == Type::Object && object.count(key) != 0;
}

std::optional<Json> ParseJson(std::string_view text) { return Parser(text).Document(); }

std::vector<Json> JournalCalls() {
  std::vector<Json> calls;
  for (const std::string& line : standin::JournalLines()) {
    // A line that does not parse stays in place as a null, so indexes match the journal.
    calls.push_back(ParseJson(line).value_or(Json{}));
  }
  return calls;
}

std::vector<std::string> JournalFunctions() {
  std::vector<std::string> names;
  for (const Json& call : JournalCalls()) names.push_back(call["fn"].string);
  return names;
}

}  // namespace tarnwick::testing
