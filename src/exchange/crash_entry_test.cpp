#include "exchange/crash_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr CrashTime kTime{2025, 3, 7, 9, 5, 2};
constexpr char kStamp[] = "[2025. 03. 07 - 09:05:02]: ";

using Formatter = std::size_t (*)(const CrashFacts&, const CrashTime&, char*, std::size_t);

std::string Text(Formatter format, const CrashFacts& facts,
                 std::size_t capacity = kCrashEntryCapacity) {
  std::vector<char> buffer(capacity + 1, '#');
  const std::size_t n = format(facts, kTime, buffer.data(), capacity);
  EXPECT_EQ(buffer[capacity], '#') << "wrote past the capacity";
  if (capacity > 0) {
    EXPECT_EQ(buffer[n], '\0');
  }
  return std::string(buffer.data(), n);
}

std::string Entry(const CrashFacts& facts, std::size_t capacity = kCrashEntryCapacity) {
  return Text(&FormatCrashEntry, facts, capacity);
}

CrashFacts AccessViolation(int access) {
  CrashFacts facts;
  facts.code = 0xC0000005u;
  facts.address = 0x6FFF1A2Bu;
  facts.access = access;
  facts.access_address = 0x20D0000u;
  return facts;
}

TEST(CrashEntryTest, TheFirstEntryTellsTheFaultItsAccessTheAddressAndWhatWasBeingSent) {
  const std::u16string part = u"Wall \u00e9\u20ac";
  CrashFacts facts = AccessViolation(kAccessWrite);
  facts.activity = {"sending the model", 42, true, part.data(),
                    static_cast<std::uint32_t>(part.size())};
  EXPECT_EQ(Entry(facts), std::string(kStamp) +
                              "Crash: 0xC0000005 EXCEPTION_ACCESS_VIOLATION writing 0x20D0000"
                              " at 0x6FFF1A2B; while sending the model, solid 42,"
                              " part \"Wall \xe9?\"\r\n");
  // Between parts and outside a body the entry says less.
  facts.activity.part = nullptr;
  EXPECT_TRUE(Entry(facts).ends_with(" at 0x6FFF1A2B; while sending the model, solid 42\r\n"));
  facts.activity.in_solid = false;
  facts.activity.step = "cameraSync";
  EXPECT_TRUE(Entry(facts).ends_with("; while cameraSync\r\n"));
  facts.activity.step = nullptr;
  EXPECT_TRUE(Entry(facts).ends_with("; while starting\r\n"));
}

// Read faults are the most common; each kind has its word, and a fault of no access (any
// other code) none.
TEST(CrashEntryTest, EveryAccessKindHasItsWord) {
  const struct {
    int access;
    const char* said;
  } kinds[] = {{kAccessRead, " reading 0x20D0000 at "},     {kAccessWrite, " writing 0x20D0000 at "},
               {kAccessExecute, " executing 0x20D0000 at "}, {3, " reaching 0x20D0000 at "},
               {-1, "EXCEPTION_ACCESS_VIOLATION at "}};
  for (const auto& kind : kinds) {
    EXPECT_NE(Entry(AccessViolation(kind.access)).find(kind.said), std::string::npos)
        << kind.access << ": " << Entry(AccessViolation(kind.access));
  }
}

// The codes as the Windows headers define them, each with the header's name.
TEST(CrashEntryTest, TheCodeTableNamesEveryCodeAsTheWindowsHeadersDo) {
  const struct {
    std::uint32_t code;
    const char* name;
  } codes[] = {
      {0xC0000005u, "EXCEPTION_ACCESS_VIOLATION"}, {0xC0000006u, "EXCEPTION_IN_PAGE_ERROR"},
      {0xC000001Du, "EXCEPTION_ILLEGAL_INSTRUCTION"},
      {0xC0000025u, "EXCEPTION_NONCONTINUABLE_EXCEPTION"},
      {0xC0000026u, "EXCEPTION_INVALID_DISPOSITION"},
      {0xC000008Cu, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
      {0xC000008Du, "EXCEPTION_FLT_DENORMAL_OPERAND"},
      {0xC000008Eu, "EXCEPTION_FLT_DIVIDE_BY_ZERO"}, {0xC000008Fu, "EXCEPTION_FLT_INEXACT_RESULT"},
      {0xC0000090u, "EXCEPTION_FLT_INVALID_OPERATION"}, {0xC0000091u, "EXCEPTION_FLT_OVERFLOW"},
      {0xC0000092u, "EXCEPTION_FLT_STACK_CHECK"}, {0xC0000093u, "EXCEPTION_FLT_UNDERFLOW"},
      {0xC0000094u, "EXCEPTION_INT_DIVIDE_BY_ZERO"}, {0xC0000095u, "EXCEPTION_INT_OVERFLOW"},
      {0xC0000096u, "EXCEPTION_PRIV_INSTRUCTION"}, {0xC00000FDu, "EXCEPTION_STACK_OVERFLOW"},
      {0xC0000409u, "STATUS_STACK_BUFFER_OVERRUN"}, {0xC0000374u, "STATUS_HEAP_CORRUPTION"},
      {0x80000001u, "EXCEPTION_GUARD_PAGE"}, {0x80000002u, "EXCEPTION_DATATYPE_MISALIGNMENT"},
      {0x80000003u, "EXCEPTION_BREAKPOINT"}, {0x80000004u, "EXCEPTION_SINGLE_STEP"},
      {0x20474343u, "C++ exception (g++)"}, {0xE06D7363u, "C++ exception (Visual C++)"},
      {kTerminateExceptionCode, "std::terminate (a C++ exception nobody caught)"},
      {kAbortExceptionCode, "abort (the C runtime's abort signal)"},
  };
  for (const auto& entry : codes) {
    EXPECT_STREQ(ExceptionCodeName(entry.code), entry.name) << std::hex << entry.code;
    CrashFacts facts;
    facts.code = entry.code;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(entry.code));
    EXPECT_NE(Entry(facts).find(std::string("]: Crash: ") + hex + " " + entry.name + " at "),
              std::string::npos);
  }
  for (const std::uint32_t near_miss : {0u, 0xC0000007u, 0xC0000060u, 0x20474344u, 0xE0544D03u}) {
    EXPECT_STREQ(ExceptionCodeName(near_miss), "unknown exception") << std::hex << near_miss;
  }
  CrashFacts facts;
  facts.code = 0xE0001234u;
  facts.address = 0x123456789ABCull;
  EXPECT_EQ(Entry(facts), std::string(kStamp) + "Crash: 0xE0001234 unknown exception"
                                                " at 0x123456789ABC; while starting\r\n");
  facts.code = 0x80000003u;
  EXPECT_NE(Entry(facts).find("Crash: 0x80000003 EXCEPTION_BREAKPOINT at "), std::string::npos);
}

// A part name is the host's text: no character of it may end the line or forge another.
TEST(CrashEntryTest, ControlCharactersOfAPartNameNeverSplitTheLine) {
  const std::u16string part = u"a\r\nb\tc\x7f" u"d\x85" u"e\x9f" u"f\xa0g\u2028h";
  CrashFacts facts = AccessViolation(kAccessRead);
  facts.activity = {"sending the model", 3, true, part.data(),
                    static_cast<std::uint32_t>(part.size())};
  const std::string entry = Entry(facts);
  EXPECT_TRUE(entry.ends_with("part \"a??b?c?d?e?f\xa0g?h\"\r\n")) << entry;
  EXPECT_EQ(std::count(entry.begin(), entry.end(), '\n'), 1);
  EXPECT_EQ(std::count(entry.begin(), entry.end(), '\r'), 1);
}

TEST(CrashEntryTest, LongNamesAreCutAndTheLineAlwaysEnds) {
  const std::u16string part(kCrashPartNameShown + 1, u'p');
  CrashFacts facts = AccessViolation(kAccessWrite);
  facts.activity = {"sending the model", 7, true, part.data(),
                    static_cast<std::uint32_t>(kCrashPartNameShown)};
  EXPECT_TRUE(Entry(facts).ends_with("\"" + std::string(kCrashPartNameShown, 'p') + "\"\r\n"));
  facts.activity.part_length = static_cast<std::uint32_t>(part.size());
  EXPECT_TRUE(
      Entry(facts).ends_with("\"" + std::string(kCrashPartNameShown, 'p') + "...\"\r\n"));
  for (std::size_t capacity : {0u, 1u, 2u, 3u, 40u}) {
    for (const Formatter format : {&FormatCrashEntry, &FormatCrashSite}) {
      facts.module = "D5Api.dll";
      const std::string cut = Text(format, facts, capacity);
      if (capacity <= 2) {
        EXPECT_EQ(cut, "");
      } else {
        EXPECT_EQ(cut.size(), capacity - 1);
        EXPECT_TRUE(cut.ends_with("\r\n"));
      }
    }
  }
}

TEST(CrashEntryTest, TheSiteEntryNamesTheModuleTheCallAndItsCaller) {
  CrashFacts facts = AccessViolation(kAccessWrite);
  EXPECT_EQ(Text(&FormatCrashSite, facts), "") << "no module: no site entry";
  facts.module = "D5Api.dll";
  facts.offset = 0x1A2B;
  EXPECT_EQ(Text(&FormatCrashSite, facts), std::string(kStamp) + "Crash site: D5Api.dll+0x1A2B\r\n");
  facts.function = "D5API_AddIndexedTriangle";
  facts.caller_module = "Tarnwick.exe";
  facts.caller_offset = 0x4F21;
  EXPECT_EQ(Text(&FormatCrashSite, facts),
            std::string(kStamp) + "Crash site: D5Api.dll+0x1A2B (D5API_AddIndexedTriangle)"
                                  " called from Tarnwick.exe+0x4F21\r\n");
  // Names read from a library's image are any bytes it likes.
  facts.module = "D5\r\nApi.dll";
  facts.function = "f\x85";
  EXPECT_NE(Text(&FormatCrashSite, facts).find("D5??Api.dll+0x1A2B (f?) called"),
            std::string::npos);
}

TEST(CrashEntryTest, TheDumpEntryNamesTheDumpOrSaysWhyThereIsNone) {
  char out[kCrashEntryCapacity];
  const auto entry = [&out](CrashDumpOutcome outcome, const char16_t* name) {
    return std::string(out, FormatCrashDumpEntry(outcome, name, 3, kTime, out, sizeof out));
  };
  EXPECT_EQ(entry(CrashDumpOutcome::kWritten, u"Tarnwick-crash-20250307-090502-4321.dmp"),
            std::string(kStamp) + "Crash dump: Tarnwick-crash-20250307-090502-4321.dmp\r\n");
  EXPECT_EQ(entry(CrashDumpOutcome::kFailed, nullptr),
            std::string(kStamp) + "Crash dump: none, it could not be written\r\n");
  EXPECT_EQ(entry(CrashDumpOutcome::kUnfinished, u"Tarnwick-crash-x.dmp"),
            std::string(kStamp) + "Crash dump: none, it was not done within 3 s\r\n");
}

TEST(CrashEntryTest, DumpNamesCarryTheTimeAndOnlyTheirExactFormCounts) {
  char16_t name[kCrashDumpNameCapacity];
  const std::size_t n = FormatCrashDumpName(kTime, 4321, name, kCrashDumpNameCapacity);
  EXPECT_EQ(std::u16string(name, n), u"Tarnwick-crash-20250307-090502-4321.dmp");
  EXPECT_EQ(name[n], u'\0');
  EXPECT_EQ(FormatCrashDumpName(kTime, 4321, name, n), 0u) << "no room for the terminator";
  EXPECT_TRUE(IsCrashDumpName(std::u16string_view(name, n)));
  const std::size_t largest = FormatCrashDumpName(kTime, 0xFFFFFFFFu, name, kCrashDumpNameCapacity);
  EXPECT_TRUE(IsCrashDumpName(std::u16string_view(name, largest)));

  for (const char16_t* other :
       {u"Tarnwick-crash-0-customer-notes.dmp", u"Tarnwick-crash-20250307-090502-.dmp",
        u"Tarnwick-crash-20250307-090502-0123.dmp", u"Tarnwick-crash-20250307-090502-4294967296.dmp",
        u"Tarnwick-crash-2025030-090502-1.dmp", u"Tarnwick-crash-20250307-0905021-1.dmp",
        u"Tarnwick-crash-20250307_090502-1.dmp", u"Tarnwick-crash-20250307-090502-1.DMP",
        u"Tarnwick-crash-20250307-090502-1.dmp.old", u"Tarnwick-crash-20250307-090502-1x.dmp",
        u"tarnwick-crash-20250307-090502-1.dmp", u"TARNWI~1.DMP"}) {
    EXPECT_FALSE(IsCrashDumpName(other)) << std::string(other, other + std::u16string_view(other).size());
  }
}

// Whatever the order the folder lists them in, the four newest older dumps stay and every
// other one is pushed out once.
TEST(CrashEntryTest, TheNewestOlderDumpsAreKeptInAnyOrder) {
  std::vector<std::u16string> names;
  for (int day = 10; day < 30; ++day) {
    names.push_back(u"Tarnwick-crash-202501" + std::u16string(1, u'0' + day / 10) +
                    std::u16string(1, u'0' + day % 10) + u"-120000-7.dmp");
  }
  std::mt19937 random(3);
  for (int round = 0; round < 5; ++round) {
    std::shuffle(names.begin(), names.end(), random);
    OlderDumpsKept kept;
    std::vector<std::u16string> removed;
    for (const std::u16string& name : names) {
      const std::u16string_view out = kept.TakeIn(name);
      if (!out.empty()) removed.emplace_back(out);
    }
    std::sort(removed.begin(), removed.end());
    std::vector<std::u16string> expected = names;
    std::sort(expected.begin(), expected.end());
    expected.resize(expected.size() - (kCrashDumpsKept - 1));
    EXPECT_EQ(removed, expected) << "round " << round;
  }
}

TEST(ActivityTest, StepsComeBackAndAStepForgetsTheSolidOfTheStepBefore) {
  ActivityStep::Set("serving requests");
  {
    const ActivityStep step("sending the model");
    const std::u16string name = u"Roof";
    NoteSolidBegin(12);
    NotePart(name);
    EXPECT_STREQ(g_activity.step, "sending the model");
    EXPECT_EQ(g_activity.solid_id, 12u);
    EXPECT_EQ(std::u16string(g_activity.part, g_activity.part_length), u"Roof");
    NotePartSent();
    EXPECT_EQ(g_activity.part, nullptr);
    NotePart(name);  // a body cut short: neither the part nor the solid ends
  }
  EXPECT_STREQ(g_activity.step, "serving requests");
  EXPECT_FALSE(g_activity.in_solid);
  EXPECT_EQ(g_activity.part, nullptr);
}

}  // namespace
}  // namespace tarnwick
