#pragma once

#include <string>

namespace qvr {

// The folder of the running executable, with a trailing separator, so that a
// file beside it is ExecutableDir() + name.
std::string ExecutableDir();

} // namespace qvr
