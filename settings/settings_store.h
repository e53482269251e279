// The settings store: every registry access of the program. Three text values live
// under HKEY_LOCAL_MACHINE, the hotkey under the program's own key and the
// start-with-Windows entry under the system's Run key. Each operation opens its
// key, does its one thing and closes the key again; no key handle outlives a call.
//
// Texts are the ANSI code page's bytes, as the ANSI registry calls store and give
// them; they are never converted, so a path reads back byte for byte.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/registry.h"

namespace nimbara {

constexpr char kNimbaraKey[] = "SOFTWARE\\Nimbara";
constexpr char kHotKeyShiftValue[] = "HotKeyShift";
constexpr char kHotKeyCharValue[] = "HotKeyChar";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValue[] = "Nimbara";

// The text of a REG_SZ or REG_EXPAND_SZ value (the latter unexpanded), ending at the
// first NUL of its data. Empty when the key cannot be opened with full access, when
// the value does not exist or when it has no data. Throws AppError "Invalid data
// type for 'NAME'" for a value of another type and "Failed to get data for 'NAME'"
// when its data cannot be fetched after its size was known.
[[nodiscard]] std::string ReadRegString(RegistryApi& registry, HKEY root, const char* key_path,
                                        const char* name);

// Stores the text as REG_SZ, creating the key and the missing keys on its path.
// Does nothing when the key can be neither opened nor created with full access;
// throws AppError "Failed to set data for 'NAME'" when the system refuses the value.
void WriteRegString(RegistryApi& registry, HKEY root, const char* key_path, const char* name,
                    std::string_view text);

// Removes the value. A key that cannot be opened or a missing value is no error.
void DeleteRegValue(RegistryApi& registry, HKEY root, const char* key_path, const char* name);

}  // namespace nimbara
