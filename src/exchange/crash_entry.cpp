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
    {kAbortExceptionCode, "abort (the C runtime's abort signal)"},
    {0xE06D7363u, "C++ exception (Visual C++)"},
};

// C0 and C1 controls and DEL: in the log's 8-bit text none of them is a character to show.
constexpr bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit < 0xA0); }

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
  // A name in the log's 8-bit text: code units above U+00FF and controls become '?', so
  // that no name ends the line or forges another.
  FixedText& Latin1(const char16_t* text, std::size_t length, std::size_t shown) {
    for (std::size_t i = 0; i < length && i < shown; ++i) {
      const char16_t unit = text[i];
      PutChar(unit > 0xFF || IsControl(unit) ? '?' : static_cast<char>(unit));
    }
    if (length > shown) Put("...");
    return *this;
  }
  // A name read from a loaded image (any bytes at all): controls become '?'.
  FixedText& Name(const char* text) {
    while (text != nullptr && *text != '\0') {
      const auto byte = static_cast<unsigned char>(*text++);
      PutChar(IsControl(byte) ? '?' : static_cast<char>(byte));
    }
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
    case kAccessRead: return " reading ";
    case kAccessWrite: return " writing ";
    case kAccessExecute: return " executing ";
    default: return " reaching ";
  }
}

// "[YYYY. MM. DD - hh:mm:ss]: ", as every log entry begins.
void PutTimeStamp(FixedText& text, const CrashTime& time) {
  text.Put("[").Digits(time.year, 4).Put(". ").Digits(time.month, 2).Put(". ");
  text.Digits(time.day, 2).Put(" - ").Digits(time.hour, 2).Put(":").Digits(time.minute, 2);
  text.Put(":").Digits(time.second, 2).Put("]: ");
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

// The line end is kept out of the text's room, so that a long entry still ends its line.
constexpr std::size_t kLineEnd = 2;

// Ends the line of `text`, which was given capacity - kLineEnd of the caller's room.
std::size_t EndLine(const FixedText& text, char* out) {
  std::size_t size = text.size();
  out[size++] = '\r';
  out[size++] = '\n';
  out[size] = '\0';
  return size;
}

// Whether there is room for more than the line end; empties `out` when there is not.
bool RoomForALine(char* out, std::size_t capacity) {
  if (capacity > kLineEnd) return true;
  if (capacity > 0) out[0] = '\0';
  return false;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Whether `text` begins with exactly `n` digits; moves past them.
bool TakeDigits(std::u16string_view& text, std::size_t n) {
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    if (!IsDigit(text[i])) return false;
  }
  text.remove_prefix(n);
  return true;
}

bool TakeText(std::u16string_view& text, std::u16string_view expected) {
  if (!text.starts_with(expected)) return false;
  text.remove_prefix(expected.size());
  return true;
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
  if (!RoomForALine(out, capacity)) return 0;
  FixedText text(out, capacity - kLineEnd);
  PutTimeStamp(text, time);
  text.Put("Crash: ").Hex(facts.code, 8).Put(" ").Put(ExceptionCodeName(facts.code));
  if (facts.access >= 0) text.Put(AccessKind(facts.access)).Hex(facts.access_address);
  text.Put(" at ").Hex(facts.address);
  PutActivity(text, facts.activity);
  return EndLine(text, out);
}

std::size_t FormatCrashSite(const CrashFacts& facts, const CrashTime& time, char* out,
                            std::size_t capacity) {
  if (facts.module == nullptr || !RoomForALine(out, capacity)) {
    if (capacity > 0) out[0] = '\0';
    return 0;
  }
  FixedText text(out, capacity - kLineEnd);
  PutTimeStamp(text, time);
  text.Put("Crash site: ").Name(facts.module).Put("+").Hex(facts.offset);
  if (facts.function != nullptr) text.Put(" (").Name(facts.function).Put(")");
  if (facts.caller_module != nullptr) {
    text.Put(" called from ").Name(facts.caller_module).Put("+").Hex(facts.caller_offset);
  }
  return EndLine(text, out);
}

std::size_t FormatCrashDumpEntry(CrashDumpOutcome outcome, const char16_t* name,
                                 int wait_seconds, const CrashTime& time, char* out,
                                 std::size_t capacity) {
  if (!RoomForALine(out, capacity)) return 0;
  FixedText text(out, capacity - kLineEnd);
  PutTimeStamp(text, time);
  text.Put("Crash dump: ");
  switch (outcome) {
    case CrashDumpOutcome::kWritten:
      text.Latin1(name, std::char_traits<char16_t>::length(name), kCrashDumpNameCapacity);
      break;
    case CrashDumpOutcome::kFailed:
      text.Put("none, it could not be written");
      break;
    case CrashDumpOutcome::kUnfinished:
      text.Put("none, it was not done within ").Digits(static_cast<std::uint64_t>(wait_seconds), 1);
      text.Put(" s");
      break;
  }
  return EndLine(text, out);
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

bool IsCrashDumpName(std::u16string_view name) {
  // The process id as the bridge writes it: no leading zero, at most 4294967295.
  constexpr std::size_t kMostIdDigits = 10;
  constexpr std::uint64_t kLargestId = 0xFFFFFFFFu;
  if (!TakeText(name, kCrashDumpPrefix) || !TakeDigits(name, 8) || !TakeText(name, u"-") ||
      !TakeDigits(name, 6) || !TakeText(name, u"-") || !name.ends_with(kCrashDumpExtension)) {
    return false;
  }
  name.remove_suffix(std::u16string_view(kCrashDumpExtension).size());
  if (name.empty() || name.size() > kMostIdDigits || (name[0] == u'0' && name.size() > 1)) {
    return false;
  }
  std::uint64_t id = 0;
  for (const char16_t c : name) {
    if (!IsDigit(c)) return false;
    id = id * 10 + static_cast<std::uint64_t>(c - u'0');
  }
  return id <= kLargestId;
}

std::u16string_view OlderDumpsKept::TakeIn(std::u16string_view name) {
  if (name.size() >= kCrashDumpNameCapacity) return {};
  const auto kept = [this](std::size_t i) { return std::u16string_view(names_[i], lengths_[i]); };
  // Names sort by time: the place of this one among the kept, newest first.
  std::size_t at = count_;
  while (at > 0 && name > kept(at - 1)) --at;
  std::u16string_view out = name;
  if (at < kSlots) {
    if (count_ == kSlots) {
      out = kept(kSlots - 1);
    } else {
      out = {};
      ++count_;
    }
    std::copy(out.begin(), out.end(), pushed_out_);
    out = std::u16string_view(pushed_out_, out.size());
    for (std::size_t i = count_ - 1; i > at; --i) {
      std::copy(names_[i - 1], names_[i - 1] + lengths_[i - 1], names_[i]);
      lengths_[i] = lengths_[i - 1];
    }
    std::copy(name.begin(), name.end(), names_[at]);
    lengths_[at] = name.size();
  }
  return out;
}

}  // namespace tarnwick
