#pragma once

// The constants every layer shares, defined here once. The project is C++17,
// which has no std::numbers::pi.
constexpr double kPi = 3.14159265358979323846;

// The world's fixed step: every model, program and tool steps 100 times per
// simulated second.
constexpr int kStepsPerSecond = 100;
constexpr double kSecondsPerStep = 0.01; // (unit: s) 1 / kStepsPerSecond, the same double
static_assert(kSecondsPerStep == 1.0 / kStepsPerSecond, "the step and its rate must agree");
