#include "support/platform/CLocaleScope.h"

namespace zeph::platform {

namespace {

// Made once, never freed: any thread may still format at exit.
locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

CLocaleScope::CLocaleScope() : previous_(uselocale(cLocale())) {}

CLocaleScope::~CLocaleScope() {
    uselocale(previous_);
}

}  // namespace zeph::platform
