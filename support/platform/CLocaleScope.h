#pragma once

#include <locale.h>

namespace zeph::platform {

// While it lives, the C library formats and reads numbers on this thread as the C locale does,
// whatever locale the program set (Qt sets the user's): a log line or a file for machines must
// read "51.500000", never "51,500000".
class CLocaleScope {
public:
    CLocaleScope();
    ~CLocaleScope();
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

}  // namespace zeph::platform
