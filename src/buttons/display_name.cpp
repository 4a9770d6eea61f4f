#include "buttons/display_name.h"

namespace qp {

std::string DisplayName(const std::string& path) {
    const std::string::size_type lastSlash = path.rfind('\\');
    const long start = lastSlash == std::string::npos ? 0 : static_cast<long>(lastSlash) + 1;
    std::string::size_type suffix = path.find(".lnk");
    if (suffix == std::string::npos) suffix = path.find(".LNK");
    if (suffix == std::string::npos) return path.substr(start);
    const long count = static_cast<long>(suffix) - start;
    if (count < 0) return std::string();
    return path.substr(start, count);
}

}  // namespace qp
