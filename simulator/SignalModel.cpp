#include "simulator/SignalModel.h"

#include <algorithm>
#include <cmath>

namespace quorvex::simulator::model {

double distance(const PigPath& path, double t) {
    return std::hypot(path.depth, path.speed * t);
}

double transmitterLevel(const PigPath& path, double strength, double t) {
    const double r = distance(path, t);
    return strength / (r * r * r);
}

FieldVector transmitterField(const PigPath& path, double strength, double t) {
    // The vector from the pig to the unit is (-v t, 0, d); the field points along it.
    const double r = distance(path, t);
    const double level = transmitterLevel(path, strength, t);
    return {level * -path.speed * t / r, 0, level * path.depth / r};
}

FieldVector magneticSignature(const PigPath& path, double moment, double t) {
    // B = M (3 (m.r) r - m) / r^3 with m along the pipe and r the unit vector from pig to unit.
    const double r = distance(path, t);
    const double along = -path.speed * t / r;
    const double vertical = path.depth / r;
    const double scale = moment / (r * r * r);
    return {scale * (3 * along * along - 1), 0, scale * 3 * along * vertical};
}

double gainFactor(int gain) {
    return std::pow(GainStep, gain - DefaultGain);
}

Reading reading(double rest, double excursion, int gain, double low, double high) {
    const double scaled = excursion * gainFactor(gain);
    const double value = rest + scaled;
    const double room = scaled > 0 ? high - rest : rest - low;
    if (value >= low && value <= high) {
        return {value, 0};
    }
    const double over = room > 0 ? std::abs(scaled) / room : GainStep;
    const int steps = std::max(1, static_cast<int>(std::ceil(std::log(over) / std::log(GainStep))));
    return {std::clamp(value, low, high), steps};
}

double noise(std::uint64_t sample, int stream) {
    // splitmix64 of the pair: cheap, well mixed, and the same on every run.
    std::uint64_t z = sample * 16 + static_cast<std::uint64_t>(stream) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

}  // namespace quorvex::simulator::model
