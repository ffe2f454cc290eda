#pragma once

#include "tests/helpers/TestData.h"

#include <string>

namespace quorvex::test {

// The German locale (decimal comma) set for the whole process while it lives, as Qt sets an
// operator's own locale at start-up; it is compiled into a temporary folder, so the machine
// needs only the locale sources (Debian's "locales"). The previous locale comes back after.
class CommaDecimalLocale {
public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // Whether the locale is in force (formatting 0.5 with "%.1f" gives "0,5").
    bool active() const { return active_; }
    // Why it is not, for the test's message.
    const std::string& failure() const { return failure_; }

private:
    TemporaryFolder folder_;
    std::string previous_;
    bool active_ = false;
    std::string failure_;
};

}  // namespace quorvex::test
