#include "platform/system.h"

#include "platform/drives.h"

#include <sys/stat.h>

namespace kv {

std::string UserConfigFolder()
{
    std::string home = HomeFolder();
    if (home.size() > 1 && home.back() == '/') home.pop_back();
    const std::string folder = (home == "/" ? std::string() : home) + "/.config";
    // A failure here shows later, when the settings file is read or written.
    mkdir(folder.c_str(), 0700);
    return folder;
}

} // namespace kv
