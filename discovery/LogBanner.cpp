#include "discovery/LogBanner.h"

#include "support/logging/LogBeacon.h"

namespace zeph::windows::discovery {

void logBannerRule(const char* context) {
    logging::LogBeacon::log(context, logging::Information,
                            L"============================================================");
}

void logBannerHead(const char* context, const wchar_t* title) {
    logBannerRule(context);
    logging::LogBeacon::log(context, logging::Information, title);
    logBannerRule(context);
}

}  // namespace zeph::windows::discovery
