// The settings store: every registry access of the program. Three text values: the
// hotkey under the program's own key SOFTWARE\Nimbara and the start-with-Windows
// entry under the system's Run key. Each operation opens its key, does its one thing
// and closes the key again; no key handle outlives a call.
//
// The values live under HKEY_LOCAL_MACHINE wherever that can be written (an
// elevated run, Wine). A standard user, and under UAC every session that is not
// elevated, may only read there, and with its manifest the program gets no
// per-user copy of the machine's keys either; its values then go to the same
// paths under HKEY_CURRENT_USER, where the user's own Run key starts programs at
// logon just as the machine's does. The user's values are read first.
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
// first NUL of its data. Empty when the key cannot be opened for reading, when the
// value does not exist or when it has no data. Throws AppError "Invalid data type
// for 'NAME'" for a value of another type and "Failed to get data for 'NAME'" when
// its data cannot be fetched after its size was known.
[[nodiscard]] std::string ReadRegString(RegistryApi& registry, HKEY root, const char* key_path,
                                        const char* name);

// Stores the text as REG_SZ, creating the key and the missing keys on its path.
// Returns the system's answer to opening or creating the key for writing, with
// nothing done unless it is ERROR_SUCCESS; throws AppError "Failed to set data for
// 'NAME'" when the system refuses the value in a key it opened.
[[nodiscard]] LSTATUS WriteRegString(RegistryApi& registry, HKEY root, const char* key_path,
                                     const char* name, std::string_view text);

// Removes the value. ERROR_SUCCESS once it is not there, whether it was deleted or
// never existed (a missing key included); otherwise the system's reason why a value
// that is there stays, such as a key that may only be read.
[[nodiscard]] LSTATUS DeleteRegValue(RegistryApi& registry, HKEY root, const char* key_path,
                                     const char* name);

// A setting: the user's non-empty value, else the machine's. Errors as ReadRegString.
[[nodiscard]] std::string ReadSetting(RegistryApi& registry, const char* key_path,
                                      const char* name);

// Stores a setting where the next ReadSetting finds it: under HKEY_LOCAL_MACHINE,
// removing a value of the user's that would otherwise hide it, or else under
// HKEY_CURRENT_USER. Throws AppError "Failed to set data for 'NAME' (REASON)" with
// the system's reason when neither key can be written, and as RemoveSetting when the
// user's older value stays.
void StoreSetting(RegistryApi& registry, const char* key_path, const char* name,
                  std::string_view text);

// Removes a setting from both roots. A value that stays is reported once both were
// tried: AppError "Failed to delete 'NAME' from KEY (REASON)", KEY as the registry
// editor names it (an administrator's value under HKEY_LOCAL_MACHINE, for a standard
// user). A value that is in neither root is no error.
void RemoveSetting(RegistryApi& registry, const char* key_path, const char* name);

}  // namespace nimbara
