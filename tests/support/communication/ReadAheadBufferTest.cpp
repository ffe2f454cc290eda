// The port's own input buffer: arrival order, and a bound that a line which never sends the
// event character cannot break.
#include "support/communication/ReadAheadBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zeph::windows::communication::ReadAheadBuffer;

TEST(ReadAheadBuffer, KeepsArrivalOrderAndOverflowsLikeAFullUartQueue) {
    ReadAheadBuffer buffer;
    const std::vector<std::uint8_t> filler(ReadAheadBuffer::kCapacity - 2, 'f');
    EXPECT_FALSE(buffer.append(filler.data(), filler.size(), 0x04).eventChar);

    // Two bytes fit, the rest is dropped; the event character among the dropped is still seen.
    const std::uint8_t tail[] = {'a', 'b', 'c', 0x04};
    const ReadAheadBuffer::Arrival arrival = buffer.append(tail, sizeof tail, 0x04);
    EXPECT_TRUE(arrival.overflow);
    EXPECT_TRUE(arrival.eventChar);
    EXPECT_EQ(buffer.size(), ReadAheadBuffer::kCapacity);

    std::vector<std::uint8_t> out(ReadAheadBuffer::kCapacity);
    EXPECT_EQ(buffer.take(out.data(), filler.size()), filler.size());
    EXPECT_EQ(buffer.take(out.data(), out.size()), 2u);
    EXPECT_EQ(out[0], 'a');
    EXPECT_EQ(out[1], 'b');
    EXPECT_EQ(buffer.take(out.data(), out.size()), 0u);

    // Room again once read.
    EXPECT_FALSE(buffer.append(tail, sizeof tail, 0x04).overflow);
    EXPECT_EQ(buffer.size(), sizeof tail);
}

}  // namespace
