#include "console/widgets/ChannelItemPainter.h"

#include <QPainter>
#include <QPalette>

namespace quorvex::console {

namespace {

QColor toQColor(zeph::platform::COLORREF colour) {
    return QColor(zeph::platform::GetRValue(colour), zeph::platform::GetGValue(colour),
                  zeph::platform::GetBValue(colour));
}

QColor inverse(const QColor& colour) {
    return QColor(255 - colour.red(), 255 - colour.green(), 255 - colour.blue());
}

void paintSwatch(QPainter& painter, const QRect& swatch, const ChannelRecord& row, const QPalette& palette,
                 const ChannelItemLook& look) {
    const ChannelRecord& shown = look.unitChoice != nullptr ? *look.unitChoice : row;
    painter.fillRect(swatch, toQColor(shown.colour));
    painter.setPen(Qt::black);
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    if (look.unitChoice != nullptr) {
        painter.setPen(palette.color(QPalette::ButtonText));
        painter.drawText(swatch, Qt::AlignCenter, QString::fromStdWString(shown.shortName));
    }
}

}  // namespace

ChannelItemLayout channelItemLayout(const QRect& item) {
    const int third = item.width() / 3;
    QRect swatch = item.adjusted(2, 2, -2, -2);
    swatch.setRight(item.left() + third - 1);
    QRect text = item;
    text.setLeft(item.left() + third + 2);
    return {swatch, text};
}

void paintChannelItem(QPainter& painter, const QRect& item, const ChannelRecord& row, const QPalette& palette,
                      const ChannelItemLook& look) {
    QColor background = palette.color(QPalette::Active, QPalette::Base);
    QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    if (!look.enabled) {
        background = palette.color(QPalette::Active, QPalette::Button);
        text = palette.color(QPalette::Disabled, QPalette::WindowText);
    } else if (look.selected) {
        background = palette.color(QPalette::Active, QPalette::Highlight);
        text = inverse(text);
    }
    painter.save();
    painter.fillRect(item, background);
    const ChannelItemLayout layout = channelItemLayout(item);
    painter.setPen(text);
    painter.drawText(layout.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdWString(row.name));
    paintSwatch(painter, layout.swatch, row, palette, look);
    if (look.focused) {
        painter.setPen(QPen(text, 1, Qt::DotLine));
        painter.drawRect(item.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

}  // namespace quorvex::console
