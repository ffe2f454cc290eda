#pragma once

#include "support/platform/NamedValue.h"

// How a channel's samples are drawn: the kind's name and the pixel width of one plot sample.
class ChannelKind final : public zeph::platform::NamedValue<ChannelKind> {
public:
    static const ChannelKind Auto;
    static const ChannelKind Quorvex;
    static const ChannelKind Legacy;
    static const ChannelKind Magnetic;

    int width() const { return width_; }

private:
    ChannelKind(int value, const wchar_t* name, int width) : NamedValue(value, name), width_(width) {}
    int width_;
};
inline const ChannelKind ChannelKind::Auto{0, L"AUTO", 3};
inline const ChannelKind ChannelKind::Quorvex{1, L"QUORVEX", 3};
inline const ChannelKind ChannelKind::Legacy{2, L"Legacy", 3};
inline const ChannelKind ChannelKind::Magnetic{3, L"Magnetic", 5};
