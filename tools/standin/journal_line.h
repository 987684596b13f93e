// One line of the stand-in renderer's journal: a JSON object written in a
// fixed layout ({"fn": "D5API_AddMaterial", "session": 1, "name": "Oak"}) so
// that tools and tests can read what a bridge sent to the renderer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace standin {

// Builds one journal object field by field, in call order.
class JournalLine {
 public:
  // Starts the object with its "fn" field. A digest line builds no text: it
  // reads every name and array as the renderer would and folds them into
  // Digest(), so that a fuzzer's sanitizers see every byte the bridge hands over.
  explicit JournalLine(const char* function, bool digest = false);

  // A "session" field, the handle as an integer.
  JournalLine& Session(std::intptr_t handle);
  // A UTF-16 text field; null for a null pointer.
  JournalLine& Text(const char* key, const char16_t* text);
  // A narrow text field (bytes read as Latin-1); null for a null pointer.
  JournalLine& Narrow(const char* key, const char* text);
  // An integer field.
  JournalLine& Integer(const char* key, long long value);
  // An unsigned integer field.
  JournalLine& Unsigned(const char* key, unsigned long long value);
  // A boolean field.
  JournalLine& Boolean(const char* key, bool value);
  // A float field.
  JournalLine& Float(const char* key, float value);
  // An array of count floats; null for a null pointer.
  JournalLine& Floats(const char* key, const float* values, std::size_t count);
  // An array of count 32-bit unsigned integers; null for a null pointer.
  JournalLine& Words(const char* key, const std::uint32_t* values, std::size_t count);
  // The FNV-1a 64-bit hash of size bytes as 16 hex digits; null for a null pointer.
  JournalLine& Hash(const char* key, const void* data, std::size_t size);
  // A field whose JSON value is given as is.
  JournalLine& Raw(const char* key, const std::string& json);

  // The finished object, without a line end; empty for a digest line.
  std::string Finish();

  // The FNV-1a fold of every name and array given to a digest line.
  std::uint64_t Digest() const { return digest_; }

 private:
  void Key(const char* key);
  void Fold(const void* data, std::size_t size);
  std::string text_;
  bool digest_only_ = false;
  std::uint64_t digest_ = 0;
};

// A float as a JSON value: 9 significant digits, always with a '.' or an
// exponent; NaN and the infinities as the strings "nan", "inf", "-inf".
std::string FormatFloat(float value);

// A UTF-16 text as a JSON string, quotes included; unpaired surrogates as \uXXXX.
std::string QuoteUtf16(const char16_t* text);

// The FNV-1a 64-bit hash of a byte range.
std::uint64_t Fnv1a64(const void* data, std::size_t size);

// That hash as the journal writes it: 16 lower-case hex digits.
std::string Fnv1a64Hex(const void* data, std::size_t size);

}  // namespace standin
