#include "device/ChannelRegistry.h"

using zeph::platform::RGB;

namespace {

ChannelRecord transmitter(int id, float frequency, zeph::platform::COLORREF colour) {
    const std::wstring number = std::to_wstring(id);
    return {id, L"QUORVEX " + number, number, frequency, frequency, colour, &ChannelKind::Quorvex};
}

ChannelRegistry::Table buildTable() {
    ChannelRegistry::Table table;
    const ChannelRecord rows[] = {
        {0, L"Auto Select", L"Auto", 0.0f, 0.0f, RGB(0, 0, 0), &ChannelKind::Auto},
        transmitter(1, 17.578f, RGB(255, 46, 36)),
        transmitter(2, 19.531f, RGB(0, 169, 80)),
        transmitter(3, 23.437f, RGB(255, 240, 32)),
        transmitter(4, 25.391f, RGB(0, 86, 171)),
        transmitter(5, 27.342f, RGB(198, 17, 137)),
        transmitter(6, 29.297f, RGB(139, 211, 245)),
        transmitter(7, 31.25f, RGB(234, 175, 15)),
        {8, L"Mag", L"Mag", 0.0f, 0.0f, RGB(108, 121, 143), &ChannelKind::Magnetic},
        {9, L"Legacy", L"Leg", 21.768f, 22.0f, RGB(245, 246, 248), &ChannelKind::Legacy},
    };
    for (const ChannelRecord& row : rows) {
        table.emplace(row.id, row);
    }
    return table;
}

}  // namespace

const ChannelRegistry::Table& ChannelRegistry::all() {
    // Built on first use, thread-safely; the rows never change afterwards.
    static const Table table = buildTable();
    return table;
}

const ChannelRecord* ChannelRegistry::find(int id) {
    const auto found = all().find(id);
    return found == all().end() ? nullptr : &found->second;
}
