#pragma once

#include <cstdint>

// What the unit's sensor measures while a pig passes, as plain functions of time (seconds, 0 at
// the pig's closest approach), and how the unit's gain turns a measurement into what it reports.
namespace quorvex::simulator::model {

// A pig travelling along the pipe under the unit.
struct PigPath {
    double depth = 1.5;  // metres from the unit down to the pipe
    double speed = 1.5;  // metres a second along the pipe
};

// A field at the unit in the unit's axes: X along the pipe, Y across it, Z upwards.
struct FieldVector {
    double along = 0;
    double across = 0;
    double vertical = 0;
};

// The unit's range for transmitter levels and axes (the console plots it as its full scale), and
// for the axes on the magnetic channel, which swing around the middle of a 16-bit range.
inline constexpr double LevelRange = 20'000'000;
inline constexpr double MagneticCentre = 32768;
inline constexpr double MagneticRange = 65535;

// The gain at which the model's magnitudes are given, and the step of one gain count (2 dB).
inline constexpr int DefaultGain = 8;
inline constexpr double GainStep = 1.2589254117941673;

// A transmitter's strength: its level at 1 m, so that at the default depth and gain a passage
// peaks at 12.5 million, 62.5% of the range.
inline constexpr double DefaultTransmitterStrength = 12'500'000 * 1.5 * 1.5 * 1.5;
// A magnetised pig's dipole moment, in sensor counts at 1 m: at the default depth and gain its
// bipolar swing on Z spans about 62% of the console's magnetic full scale for that gain.
inline constexpr double DefaultMagneticMoment = 59'700;

// The level above which the unit has heard a transmitter (detection, recording trigger), and the
// magnetic excursion above which it has felt a magnetised pig, both after the gain.
inline constexpr double DetectionLevel = 1'000'000;
inline constexpr double MagneticDetection = 3'000;

// The distance from the pig to the unit.
double distance(const PigPath& path, double t);

// A transmitter's level: strength / r^3, which is S0 d^3 / (d^2 + (v t)^2)^1.5 with the peak
// S0 = strength / d^3 at t = 0.
double transmitterLevel(const PigPath& path, double strength, double t);

// The transmitter's field: its level along the line from the pig to the unit. The along-pipe
// component changes sign at the passage; the vertical one peaks there.
FieldVector transmitterField(const PigPath& path, double strength, double t);

// A magnetised pig: a dipole along the pipe. Its vertical component is bipolar (zero at the
// passage), its along-pipe component dips at the passage with two smaller lobes around it.
FieldVector magneticSignature(const PigPath& path, double moment, double t);

// What the unit multiplies its measurements by at a gain (1 at the default gain).
double gainFactor(int gain);

// A reported value: the measurement around its rest value, scaled by the gain and held inside
// the unit's range; clipping counts the gain steps by which the scaled excursion passes the range
// (0 when it fits).
struct Reading {
    double value = 0;
    int clipping = 0;
};
Reading reading(double rest, double excursion, int gain, double low, double high);

// A repeatable noise value in [-1, 1] for a sample number and a stream (each axis and level has
// its own), so a session and a test see the same floor.
double noise(std::uint64_t sample, int stream);

}  // namespace quorvex::simulator::model
