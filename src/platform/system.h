#pragma once
// Facts about the system the program runs on.
#include <string>

namespace kv {

// $HOME/.config, created when missing; stands in for the system folder.
std::string UserConfigFolder();

} // namespace kv
