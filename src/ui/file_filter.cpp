#include "ui/file_filter.h"

#include <algorithm>

namespace qp {

std::string FilterList(const std::string& text, char separator) {
    std::string list = text;
    std::replace(list.begin(), list.end(), separator, '\0');
    while (list.size() < 2 || list[list.size() - 1] != '\0' || list[list.size() - 2] != '\0')
        list.push_back('\0');
    return list;
}

}  // namespace qp
