#include "tray/tooltip_rules.h"

namespace nimbara {

std::string CutToolTip(std::string_view ansi) {
    return std::string(ansi.substr(0, kMaxToolTipBytes));
}

}  // namespace nimbara
