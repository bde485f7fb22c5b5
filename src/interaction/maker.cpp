#include "interaction/maker.h"

#include <string_view>

namespace interaction {

const char* Line() {
    return VORLA_MAKER_LINE;
}

const char* Url() {
    return VORLA_MAKER_URL;
}

std::string ShownAddress() {
    std::string_view s = VORLA_MAKER_URL;
    for (std::string_view scheme : {"https://", "http://"}) {
        if (s.substr(0, scheme.size()) == scheme) {
            s.remove_prefix(scheme.size());
            break;
        }
    }
    if (!s.empty() && s.back() == '/') s.remove_suffix(1);
    return std::string(s);
}

}  // namespace interaction
