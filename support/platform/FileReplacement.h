#pragma once

#include "support/platform/ErrorCodes.h"

#include <filesystem>
#include <string_view>

namespace zeph::platform {

// Replaces the file's contents with the bytes, whole or not at all: they go to a new file beside
// it, every write, the flush to disk and the close are checked, and only then is the new file
// renamed over the old one. On any failure the old file is left as it was and the new one is
// removed. Only a regular file (or a link to one) is replaced; anything else at the path (a
// folder, a device, a FIFO) is refused. 0, or the Win32 code of the step that failed.
DWORD replaceFileContents(const std::filesystem::path& path, std::string_view bytes);

}  // namespace zeph::platform
