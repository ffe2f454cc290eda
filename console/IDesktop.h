#pragma once

#include <QString>

namespace quorvex::console {

// The desktop's "open this file" with its own viewer, so a test can see what was opened.
class IDesktop {
public:
    virtual ~IDesktop() = default;
    // False when no program could be found to open the file.
    virtual bool openFile(const QString& path) = 0;
};

}  // namespace quorvex::console
