#pragma once

#include "device/ChannelRecord.h"

#include <QRect>

class QPainter;
class QPalette;

namespace quorvex::console {

// Where an item of the channel selector draws its colour swatch and its name.
struct ChannelItemLayout {
    QRect swatch;
    QRect text;
};
ChannelItemLayout channelItemLayout(const QRect& item);

struct ChannelItemLook {
    bool selected = false;
    bool enabled = true;
    bool focused = false;
    // In the closed selector while the unit picks the transmitter itself: the swatch shows the
    // unit's choice with its short name. Null everywhere else.
    const ChannelRecord* unitChoice = nullptr;
};

// One item: background, swatch framed in black, the name; all colours from the palette but the
// channel's own.
void paintChannelItem(QPainter& painter, const QRect& item, const ChannelRecord& row, const QPalette& palette,
                      const ChannelItemLook& look);

}  // namespace quorvex::console
