#include "app/crash_site.h"

#include <cstdint>

namespace tarnwick::app {

namespace {

// Frames followed out of the faulting module before giving up (a recursion, a broken stack).
constexpr int kMaxFrames = 256;

// The copy of the context that the unwinding changes: static, since a crash handler may run
// on a thread whose stack has overflowed.
CONTEXT g_unwind_context;

// The image that holds the address: the allocation base of its mapping.
std::uintptr_t ImageBaseOf(DWORD64 address) {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) == 0) return 0;
  if (info.Type != MEM_IMAGE) return 0;
  return reinterpret_cast<std::uintptr_t>(info.AllocationBase);
}

const IMAGE_EXPORT_DIRECTORY* ExportsOf(std::uintptr_t base) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE ||
      nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC ||
      nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_EXPORT) {
    return nullptr;
  }
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (entry.VirtualAddress == 0 || entry.Size < sizeof(IMAGE_EXPORT_DIRECTORY)) return nullptr;
  return reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
}

// A library's own file name, as its export directory records it.
const char* ModuleName(std::uintptr_t base, HMODULE own_module, const char* own_name) {
  if (base == reinterpret_cast<std::uintptr_t>(own_module)) return own_name;
  const IMAGE_EXPORT_DIRECTORY* exports = ExportsOf(base);
  if (exports == nullptr || exports->Name == 0) return "(a module without a name)";
  return reinterpret_cast<const char*>(base + exports->Name);
}

// The name under which the library exports the function that begins at `rva`, if it does.
const char* ExportNamed(std::uintptr_t base, DWORD rva) {
  const IMAGE_EXPORT_DIRECTORY* exports = ExportsOf(base);
  if (exports == nullptr) return nullptr;
  const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    const WORD ordinal = ordinals[i];
    if (ordinal < exports->NumberOfFunctions && functions[ordinal] == rva) {
      return reinterpret_cast<const char*>(base + names[i]);
    }
  }
  return nullptr;
}

// One frame outward; false at the stack's end. A function without unwind data is a leaf: its
// return address is at the top of the stack.
bool UnwindOnce(CONTEXT& context, DWORD64& function_begin) {
  DWORD64 image_base = 0;
  PRUNTIME_FUNCTION entry = RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
  if (entry != nullptr) {
    function_begin = image_base + entry->BeginAddress;
    void* handler_data = nullptr;
    DWORD64 establisher = 0;
    RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, context.Rip, entry, &context,
                     &handler_data, &establisher, nullptr);
  } else {
    function_begin = 0;
    context.Rip = *reinterpret_cast<const DWORD64*>(context.Rsp);
    context.Rsp += sizeof(DWORD64);
  }
  return context.Rip != 0;
}

// Follows the stack out of the faulting module: the last function there is the one that
// was called from outside, and the frame beyond it is the caller.
void FindEntryAndCaller(std::uintptr_t base, HMODULE own_module, const char* own_name,
                        CrashFacts& facts) {
  CONTEXT& context = g_unwind_context;
  DWORD64 function_begin = 0;
  for (int frame = 0; frame < kMaxFrames; ++frame) {
    if (!UnwindOnce(context, function_begin)) return;
    const std::uintptr_t caller_base = ImageBaseOf(context.Rip);
    if (caller_base == base) continue;
    if (function_begin != 0) {
      facts.function = ExportNamed(base, static_cast<DWORD>(function_begin - base));
    }
    if (caller_base != 0) {
      facts.caller_module = ModuleName(caller_base, own_module, own_name);
      facts.caller_offset = context.Rip - caller_base;
    }
    return;
  }
}

}  // namespace

void FindCrashSite(const CONTEXT& context, HMODULE own_module, const char* own_name,
                   CrashFacts& facts) {
  facts.address = context.Rip;
  const std::uintptr_t base = ImageBaseOf(context.Rip);
  if (base == 0) return;
  facts.module = ModuleName(base, own_module, own_name);
  facts.offset = context.Rip - base;
  // In the program itself its symbols tell the function and the caller.
  if (base == reinterpret_cast<std::uintptr_t>(own_module)) return;
  g_unwind_context = context;
  FindEntryAndCaller(base, own_module, own_name, facts);
}

}  // namespace tarnwick::app
