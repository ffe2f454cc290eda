#pragma once

namespace zeph::windows::discovery {

// The framed blocks the workers write to the log at Information: a rule of 60 '=', the title,
// the rule; then the block's lines; then logBannerRule once more.
void logBannerHead(const char* context, const wchar_t* title);
void logBannerRule(const char* context);

}  // namespace zeph::windows::discovery
