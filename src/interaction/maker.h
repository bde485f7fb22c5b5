#pragma once
// The maker's line (bottom left of the view, the about button's face) and web page (the
// web link at the bottom right). Both are build settings: VORLA_MAKER_LINE and
// VORLA_MAKER_URL in the CMake cache.
#include <string>

namespace interaction {

const char* Line();
// The address the web link opens.
const char* Url();
// The address as the strip shows it: without the scheme and the trailing slash.
std::string ShownAddress();

}  // namespace interaction
