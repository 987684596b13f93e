#include "app/crash_site.h"

#include <cstdint>

namespace tarnwick::app {

namespace {

// Frames followed out of the faulting module before giving up (a recursion, a broken stack).
constexpr int kMaxFrames = 256;
// Room for a module's or a function's name; a longer one is cut.
constexpr std::size_t kNameCapacity = 128;
// An export table longer than this is not believed (a broken or hostile image).
constexpr DWORD kMostExports = 1u << 20;
// Page protections that let a page be read.
constexpr DWORD kReadableProtections = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                       PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                                       PAGE_EXECUTE_WRITECOPY;

// Static, since a crash handler may run on a thread whose stack has overflowed: the copy of
// the context that the unwinding changes, and the names the entry shows.
CONTEXT g_unwind_context;
char g_module_name[kNameCapacity];
char g_function_name[kNameCapacity];
char g_caller_name[kNameCapacity];

// The image that holds the address: the allocation base of its mapping.
std::uintptr_t ImageBaseOf(DWORD64 address) {
  MEMORY_BASIC_INFORMATION info{};
  if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) == 0) return 0;
  if (info.Type != MEM_IMAGE) return 0;
  return reinterpret_cast<std::uintptr_t>(info.AllocationBase);
}

// A copy of a NUL-terminated name of the image, read only while its pages are readable;
// null when none is found.
const char* CopyName(std::uintptr_t at, char* out) {
  for (std::size_t i = 0; i + 1 < kNameCapacity; ++i, ++at) {
    if ((i == 0 || at % 4096 == 0) && !IsReadable(reinterpret_cast<const void*>(at), 1)) {
      return nullptr;
    }
    out[i] = *reinterpret_cast<const char*>(at);
    if (out[i] == '\0') return out;
  }
  out[kNameCapacity - 1] = '\0';
  return out;
}

// The image's data directory entry, read from readable headers; null when there is none.
const IMAGE_DATA_DIRECTORY* DirectoryOf(std::uintptr_t base, int index) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (!IsReadable(dos, sizeof *dos) || dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
  if (!IsReadable(nt, sizeof *nt) || nt->Signature != IMAGE_NT_SIGNATURE ||
      nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC ||
      nt->OptionalHeader.NumberOfRvaAndSizes <= static_cast<DWORD>(index)) {
    return nullptr;
  }
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[index];
  if (entry.VirtualAddress == 0 || entry.Size == 0) return nullptr;
  return &entry;
}

const IMAGE_EXPORT_DIRECTORY* ExportsOf(std::uintptr_t base) {
  const IMAGE_DATA_DIRECTORY* entry = DirectoryOf(base, IMAGE_DIRECTORY_ENTRY_EXPORT);
  if (entry == nullptr || entry->Size < sizeof(IMAGE_EXPORT_DIRECTORY)) return nullptr;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry->VirtualAddress);
  if (!IsReadable(exports, sizeof *exports) || exports->NumberOfNames > kMostExports ||
      exports->NumberOfFunctions > kMostExports) {
    return nullptr;
  }
  return exports;
}

// A library's own file name, as its export directory records it.
const char* ModuleName(std::uintptr_t base, HMODULE own_module, const char* own_name, char* out) {
  if (base == reinterpret_cast<std::uintptr_t>(own_module)) return own_name;
  const IMAGE_EXPORT_DIRECTORY* exports = ExportsOf(base);
  const char* name = exports == nullptr || exports->Name == 0 ? nullptr
                                                              : CopyName(base + exports->Name, out);
  return name != nullptr ? name : "(a module without a readable name)";
}

// The name under which the library exports the function that begins at `rva`, if it does.
const char* ExportNamed(std::uintptr_t base, DWORD rva) {
  const IMAGE_EXPORT_DIRECTORY* exports = ExportsOf(base);
  if (exports == nullptr) return nullptr;
  const auto* functions = reinterpret_cast<const DWORD*>(base + exports->AddressOfFunctions);
  const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  if (!IsReadable(functions, exports->NumberOfFunctions * sizeof(DWORD)) ||
      !IsReadable(names, exports->NumberOfNames * sizeof(DWORD)) ||
      !IsReadable(ordinals, exports->NumberOfNames * sizeof(WORD))) {
    return nullptr;
  }
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    const WORD ordinal = ordinals[i];
    if (ordinal < exports->NumberOfFunctions && functions[ordinal] == rva) {
      return CopyName(base + names[i], g_function_name);
    }
  }
  return nullptr;
}

// Whether the unwinder may read what it reads for the function at `rip`: its image's table
// of functions, the function's unwind data and the top of the stack.
bool UnwindDataReadable(const CONTEXT& context) {
  if (!IsReadable(reinterpret_cast<const void*>(context.Rsp), sizeof(DWORD64))) return false;
  const std::uintptr_t base = ImageBaseOf(context.Rip);
  if (base == 0) return true;  // code outside every image has no table to read
  // An image that hides its headers may hide its tables too: the system reads them there.
  if (!IsReadable(reinterpret_cast<const void*>(base), sizeof(IMAGE_DOS_HEADER))) return false;
  const IMAGE_DATA_DIRECTORY* table = DirectoryOf(base, IMAGE_DIRECTORY_ENTRY_EXCEPTION);
  return table == nullptr ||
         IsReadable(reinterpret_cast<const void*>(base + table->VirtualAddress), table->Size);
}

// The unwind entry of the function at the context's address, read only when readable;
// null for a leaf function or an unreadable table.
PRUNTIME_FUNCTION FunctionEntryOf(const CONTEXT& context, DWORD64& image_base) {
  image_base = 0;
  if (!UnwindDataReadable(context)) return nullptr;
  return RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
}

// One frame outward; false at the stack's end or where the unwinder cannot read safely. A
// function without unwind data is a leaf: its return address is at the top of the stack.
bool UnwindOnce(CONTEXT& context, DWORD64& function_begin) {
  if (!UnwindDataReadable(context)) return false;
  DWORD64 image_base = 0;
  PRUNTIME_FUNCTION entry = FunctionEntryOf(context, image_base);
  if (entry != nullptr) {
    // The unwind data's header and its codes.
    const auto* unwind = reinterpret_cast<const BYTE*>(image_base + entry->UnwindData);
    if (!IsReadable(unwind, 4) || !IsReadable(unwind, 4 + 2 * std::size_t{unwind[2]} + 8)) {
      return false;
    }
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
      facts.caller_module = ModuleName(caller_base, own_module, own_name, g_caller_name);
      facts.caller_offset = context.Rip - caller_base;
    }
    return;
  }
}

}  // namespace

bool IsReadable(const void* address, std::size_t size) {
  auto at = reinterpret_cast<std::uintptr_t>(address);
  const std::uintptr_t end = at + size;
  if (end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) == 0 ||
        info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0 ||
        (info.Protect & kReadableProtections) == 0) {
      return false;
    }
    at = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
  }
  return true;
}

void FindCrashSite(const CONTEXT& context, HMODULE own_module, const char* own_name,
                   RaisingFrame raising, CrashFacts& facts) {
  CONTEXT& site = g_unwind_context;
  site = context;
  for (int frame = 0; raising != nullptr && frame < kMaxFrames; ++frame) {
    DWORD64 image_base = 0;
    const PRUNTIME_FUNCTION entry = FunctionEntryOf(site, image_base);
    const DWORD64 begin = entry != nullptr ? image_base + entry->BeginAddress : 0;
    DWORD64 unused = 0;
    if (!raising(ImageBaseOf(site.Rip), begin)) break;
    if (!UnwindOnce(site, unused)) return;
  }
  // Code outside every module (a call through a broken pointer): the place is its caller's.
  DWORD64 unused = 0;
  if (ImageBaseOf(site.Rip) == 0 && !UnwindOnce(site, unused)) return;
  const std::uintptr_t base = ImageBaseOf(site.Rip);
  if (base == 0) return;
  facts.module = ModuleName(base, own_module, own_name, g_module_name);
  facts.offset = site.Rip - base;
  // In the program itself its symbols tell the function and the caller.
  if (base == reinterpret_cast<std::uintptr_t>(own_module)) return;
  FindEntryAndCaller(base, own_module, own_name, facts);
}

}  // namespace tarnwick::app
