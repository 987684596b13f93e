#include "exchange/crash_entry.h"

#include <algorithm>
#include <string_view>

namespace tarnwick {

namespace {

struct CodeName {
  std::uint32_t code;
  const char* name;
};

// The exceptions a program meets, with the names of the Windows headers.
constexpr CodeName kCodeNames[] = {
    {0xC0000005u, "EXCEPTION_ACCESS_VIOLATION"},
    {0xC0000006u, "EXCEPTION_IN_PAGE_ERROR"},
    {0xC000001Du, "EXCEPTION_ILLEGAL_INSTRUCTION"},
    {0xC0000025u, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
    {0xC0000026u, "EXCEPTION_INVALID_DISPOSITION"},
    {0xC000008Cu, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008Du, "EXCEPTION_FLT_DENORMAL_OPERAND"},
    {0xC000008Eu, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xC000008Fu, "EXCEPTION_FLT_INEXACT_RESULT"},
    {0xC0000090u, "EXCEPTION_FLT_INVALID_OPERATION"},
    {0xC0000091u, "EXCEPTION_FLT_OVERFLOW"},
    {0xC0000092u, "EXCEPTION_FLT_STACK_CHECK"},
    {0xC0000093u, "EXCEPTION_FLT_UNDERFLOW"},
    {0xC0000094u, "EXCEPTION_INT_DIVIDE_BY_ZERO"},
    {0xC0000095u, "EXCEPTION_INT_OVERFLOW"},
    {0xC0000096u, "EXCEPTION_PRIV_INSTRUCTION"},
    {0xC00000FDu, "EXCEPTION_STACK_OVERFLOW"},
    {0xC0000409u, "STATUS_STACK_BUFFER_OVERRUN"},
    {0xC0000374u, "STATUS_HEAP_CORRUPTION"},
    {0x80000001u, "EXCEPTION_GUARD_PAGE"},
    {0x80000002u, "EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0x80000003u, "EXCEPTION_BREAKPOINT"},
    {0x80000004u, "EXCEPTION_SINGLE_STEP"},
    {0x20474343u, "C++ exception (g++)"},
    {kTerminateExceptionCode, "std::terminate (a C++ exception nobody caught)"},
    {0xE06D7363u, "C++ exception (Visual C++)"},
};

// Appends to a fixed buffer, dropping what does not fit; the text stays NUL-terminated.
class FixedText {
 public:
  FixedText(char* out, std::size_t capacity) : out_(out), capacity_(capacity) { Terminate(); }

  FixedText& Put(const char* text) {
    while (text != nullptr && *text != '\0') PutChar(*text++);
    return *this;
  }
  FixedText& Digits(std::uint64_t value, int width) {
    char digits[20];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    for (int pad = n; pad < width; ++pad) PutChar('0');
    while (n > 0) PutChar(digits[--n]);
    return *this;
  }
  FixedText& Hex(std::uint64_t value, int width = 1) {
    Put("0x");
    int shift = 60;
    while (shift > 0 && (value >> shift) == 0 && shift >= width * 4) shift -= 4;
    for (; shift >= 0; shift -= 4) PutChar("0123456789ABCDEF"[(value >> shift) & 0xF]);
    return *this;
  }
  // A name in the log's 8-bit text: code units above U+00FF and controls become '?'.
  FixedText& Latin1(const char16_t* text, std::size_t length, std::size_t shown) {
    for (std::size_t i = 0; i < length && i < shown; ++i) {
      const char16_t unit = text[i];
      PutChar(unit > 0xFF || unit < 0x20 ? '?' : static_cast<char>(unit));
    }
    if (length > shown) Put("...");
    return *this;
  }
  std::size_t size() const { return size_; }

 private:
  void PutChar(char c) {
    if (size_ + 1 >= capacity_) return;
    out_[size_++] = c;
    Terminate();
  }
  void Terminate() {
    if (capacity_ > 0) out_[size_] = '\0';
  }

  char* out_;
  std::size_t capacity_;
  std::size_t size_ = 0;
};

const char* AccessKind(int access) {
  switch (access) {
    case 0: return " reading ";
    case 1: return " writing ";
    case 8: return " executing ";
    default: return " at ";
  }
}

void PutPlace(FixedText& text, const CrashFacts& facts) {
  if (facts.access >= 0) text.Put(AccessKind(facts.access)).Hex(facts.access_address);
  if (facts.module == nullptr) {
    text.Put(" at ").Hex(facts.address);
    return;
  }
  text.Put(" in ").Put(facts.module).Put("+").Hex(facts.offset);
  if (facts.function != nullptr) text.Put(" (").Put(facts.function).Put(")");
  if (facts.caller_module != nullptr) {
    text.Put(" called from ").Put(facts.caller_module).Put("+").Hex(facts.caller_offset);
  }
}

void PutActivity(FixedText& text, const Activity& activity) {
  text.Put("; while ").Put(activity.step != nullptr ? activity.step : "starting");
  if (!activity.in_solid) return;
  text.Put(", solid ").Digits(activity.solid_id, 1);
  if (activity.part != nullptr) {
    text.Put(", part \"")
        .Latin1(activity.part, activity.part_length, kCrashPartNameShown)
        .Put("\"");
  }
}

}  // namespace

const char* ExceptionCodeName(std::uint32_t code) {
  for (const CodeName& entry : kCodeNames) {
    if (entry.code == code) return entry.name;
  }
  return "unknown exception";
}

std::size_t FormatCrashEntry(const CrashFacts& facts, const CrashTime& time, char* out,
                             std::size_t capacity) {
  // The line end is kept out of the text's room, so that a long entry still ends its line.
  constexpr std::size_t kLineEnd = 2;
  if (capacity <= kLineEnd) {
    if (capacity > 0) out[0] = '\0';
    return 0;
  }
  FixedText text(out, capacity - kLineEnd);
  text.Put("[").Digits(time.year, 4).Put(". ").Digits(time.month, 2).Put(". ");
  text.Digits(time.day, 2).Put(" - ").Digits(time.hour, 2).Put(":").Digits(time.minute, 2);
  text.Put(":").Digits(time.second, 2).Put("]: ");
  text.Put("Crash: ").Hex(facts.code, 8).Put(" ").Put(ExceptionCodeName(facts.code));
  PutPlace(text, facts);
  PutActivity(text, facts.activity);
  std::size_t size = text.size();
  out[size++] = '\r';
  out[size++] = '\n';
  out[size] = '\0';
  return size;
}

std::size_t FormatCrashDumpName(const CrashTime& time, std::uint32_t process_id, char16_t* out,
                                std::size_t capacity) {
  char stamp[kCrashDumpNameCapacity];
  FixedText text(stamp, sizeof stamp);
  text.Digits(time.year, 4).Digits(time.month, 2).Digits(time.day, 2).Put("-");
  text.Digits(time.hour, 2).Digits(time.minute, 2).Digits(time.second, 2).Put("-");
  text.Digits(process_id, 1);
  const std::u16string_view prefix(kCrashDumpPrefix);
  const std::u16string_view extension(kCrashDumpExtension);
  const std::size_t length = prefix.size() + text.size() + extension.size();
  if (length + 1 > capacity) return 0;
  char16_t* end = std::copy(prefix.begin(), prefix.end(), out);
  end = std::copy(stamp, stamp + text.size(), end);
  end = std::copy(extension.begin(), extension.end(), end);
  *end = u'\0';
  return length;
}

void SortNewestFirst(std::span<const char16_t*> names) {
  std::sort(names.begin(), names.end(), [](const char16_t* a, const char16_t* b) {
    return std::u16string_view(a) > std::u16string_view(b);
  });
}

}  // namespace tarnwick
