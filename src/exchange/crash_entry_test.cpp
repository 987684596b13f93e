#include "exchange/crash_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

constexpr CrashTime kTime{2025, 3, 7, 9, 5, 2};

std::string Entry(const CrashFacts& facts, std::size_t capacity = kCrashEntryCapacity) {
  std::vector<char> buffer(capacity + 1, '#');
  const std::size_t n = FormatCrashEntry(facts, kTime, buffer.data(), capacity);
  EXPECT_EQ(buffer[capacity], '#') << "wrote past the capacity";
  if (capacity > 0 && n < capacity) {
    EXPECT_EQ(buffer[n], '\0');
  }
  return std::string(buffer.data(), n);
}

TEST(CrashEntryTest, NamesTheFaultTheModuleTheCallAndWhatWasBeingSent) {
  const std::u16string part = u"Wall \u00e9\u20ac";
  CrashFacts facts;
  facts.code = 0xC0000005u;
  facts.address = 0x6FFF1A2Bu;
  facts.module = "D5Api.dll";
  facts.offset = 0x1A2B;
  facts.function = "D5API_AddIndexedTriangle";
  facts.caller_module = "Tarnwick.exe";
  facts.caller_offset = 0x4F21;
  facts.access = 1;
  facts.access_address = 0;
  facts.activity = {"sending the model", 42, true, part.data(),
                    static_cast<std::uint32_t>(part.size())};
  EXPECT_EQ(Entry(facts),
            "[2025. 03. 07 - 09:05:02]: Crash: 0xC0000005 EXCEPTION_ACCESS_VIOLATION writing 0x0"
            " in D5Api.dll+0x1A2B (D5API_AddIndexedTriangle) called from Tarnwick.exe+0x4F21;"
            " while sending the model, solid 42, part \"Wall \xe9?\"\r\n");

  // Between parts and outside a body the entry says less.
  facts.activity.part = nullptr;
  EXPECT_NE(Entry(facts).find("; while sending the model, solid 42\r\n"), std::string::npos);
  facts.activity.in_solid = false;
  facts.activity.step = "cameraSync";
  EXPECT_NE(Entry(facts).find("; while cameraSync\r\n"), std::string::npos);
}

TEST(CrashEntryTest, AnAddressOutsideEveryModuleAndAnUnknownCode) {
  CrashFacts facts;
  facts.code = 0xE0001234u;
  facts.address = 0x123456789ABCull;
  EXPECT_EQ(Entry(facts), "[2025. 03. 07 - 09:05:02]: Crash: 0xE0001234 unknown exception"
                          " at 0x123456789ABC; while starting\r\n");
  facts.code = 0xC00000FDu;
  facts.module = "Tarnwick.exe";
  facts.offset = 0x10;
  EXPECT_NE(Entry(facts).find("0xC00000FD EXCEPTION_STACK_OVERFLOW in Tarnwick.exe+0x10; "),
            std::string::npos);
}

TEST(CrashEntryTest, LongNamesAreCutAndTheLineAlwaysEnds) {
  const std::u16string part(500, u'p');
  CrashFacts facts;
  facts.code = 0xC0000005u;
  facts.module = "D5Api.dll";
  facts.activity = {"sending the model", 7, true, part.data(), 500};
  const std::string entry = Entry(facts);
  EXPECT_NE(entry.find("part \"" + std::string(kCrashPartNameShown, 'p') + "...\"\r\n"),
            std::string::npos);
  for (std::size_t capacity : {0u, 1u, 2u, 3u, 40u}) {
    const std::string cut = Entry(facts, capacity);
    if (capacity <= 2) {
      EXPECT_EQ(cut, "");
    } else {
      EXPECT_EQ(cut.size(), capacity - 1);
      EXPECT_EQ(cut.substr(cut.size() - 2), "\r\n");
    }
  }
}

TEST(CrashEntryTest, DumpNamesCarryTheTimeAndSortNewestFirst) {
  char16_t name[kCrashDumpNameCapacity];
  const std::size_t n = FormatCrashDumpName(kTime, 4321, name, kCrashDumpNameCapacity);
  EXPECT_EQ(std::u16string(name, n), u"Tarnwick-crash-20250307-090502-4321.dmp");
  EXPECT_EQ(name[n], u'\0');
  EXPECT_EQ(FormatCrashDumpName(kTime, 4321, name, n), 0u) << "no room for the terminator";

  std::vector<const char16_t*> names = {
      u"Tarnwick-crash-20250307-090502-4321.dmp", u"Tarnwick-crash-20241231-235959-8.dmp",
      u"Tarnwick-crash-20250307-090503-17.dmp", u"Tarnwick-crash-20250101-000000-99.dmp"};
  SortNewestFirst(names);
  EXPECT_EQ(std::u16string(names[0]), u"Tarnwick-crash-20250307-090503-17.dmp");
  EXPECT_EQ(std::u16string(names[1]), u"Tarnwick-crash-20250307-090502-4321.dmp");
  EXPECT_EQ(std::u16string(names[3]), u"Tarnwick-crash-20241231-235959-8.dmp");
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
