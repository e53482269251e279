#include "history/privacy_rules.h"

#include <algorithm>

#include "history/little_endian.h"

namespace nimbara {

namespace {

bool Lists(std::span<const std::uint16_t> formats, std::uint16_t marker) {
    return marker != 0 && std::find(formats.begin(), formats.end(), marker) != formats.end();
}

}  // namespace

bool IsMarkedPrivate(std::span<const std::uint16_t> formats, const PrivacyMarkers& markers,
                     std::span<const std::uint8_t> history_flag) noexcept {
    if (Lists(formats, markers.exclude_from_monitor) || Lists(formats, markers.viewer_ignore))
        return true;
    if (!Lists(formats, markers.history_flag) || history_flag.size() < 4) return false;
    return ReadLittleEndian32(history_flag, 0) == 0;
}

}  // namespace nimbara
