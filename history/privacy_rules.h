// Content that its source marks as private (a password manager's secret, a banking
// program's account number) is left alone by clipboard history tools: the source puts
// one of the registered marker formats beside it. Windows' own clipboard history
// honours the same markers.
#pragma once

#include <cstdint>
#include <span>

namespace nimbara {

// The names under which the sources register the markers.
inline constexpr wchar_t kExcludeFromMonitorFormat[] =
    L"ExcludeClipboardContentFromMonitorProcessing";
inline constexpr wchar_t kViewerIgnoreFormat[] = L"Clipboard Viewer Ignore";
inline constexpr wchar_t kHistoryFlagFormat[] = L"CanIncludeInClipboardHistory";

// The numbers this session's clipboard gave the marker names; 0 for one it did not.
struct PrivacyMarkers {
    std::uint16_t exclude_from_monitor = 0;
    std::uint16_t viewer_ignore = 0;
    std::uint16_t history_flag = 0;
};

// Whether content with these formats may not be kept. Either of the first two markers
// does it whatever its data; the history flag only as the DWORD 0 (a little-endian
// value in the first four bytes of its block). A flag too short to hold a DWORD says
// nothing, so it keeps nothing out: a source that means to hide its content sets one
// of the other markers as well, and a broken flag must not silently drop copies.
// `history_flag` is the flag's data, empty when it is not listed or could not be read.
[[nodiscard]] bool IsMarkedPrivate(std::span<const std::uint16_t> formats,
                                   const PrivacyMarkers& markers,
                                   std::span<const std::uint8_t> history_flag) noexcept;

}  // namespace nimbara
