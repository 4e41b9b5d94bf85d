// The handling a pilot judges a hang glider by, against published figures:
// how fast full weight shift rolls it in and reverses a turn, what a short
// roll-in then centred leaves, trim and top speed, the polar against its
// published band, the sink in a steep turn, and the simple pilot in a
// thermal.
#include "HandlingCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "HandlingFlight.h"
#include "atmosphere/Atmosphere.h"
#include "autopilot/PilotPlan.h"
#include "physics/SharedConstants.h"
#include "scene/PilotSeat.h"

namespace {

void report(const char* what, const std::string& figure, const char* target, bool ok) {
    std::printf("%-34s %-46s target %-28s %s\n", what, figure.c_str(), target, ok ? "met" : "MISSED");
}

std::string format(const char* fmt, double a, double b = 0, double c = 0, double d = 0, double e = 0) {
    char text[200];
    std::snprintf(text, sizeof text, fmt, a, b, c, d, e);
    return text;
}

constexpr double kNever = 99.0; // (unit: s) a time not reached within the look

// Seconds until `bank` (signed, degrees) is reached by both the wing and the
// track, from now, with the bar held at `lateral`; the series is printed.
struct RollAnswer {
    double wing = kNever;  // (unit: s)
    double track = kNever; // (unit: s)
};

RollAnswer rollTo(HandlingFlight& f, double lateral, double bank, double within, const char* series) {
    start::setWeightShift(f.flight, lateral, 0.0);
    RollAnswer a;
    const double side = bank > 0.0 ? 1.0 : -1.0;
    const double from = f.time();
    std::printf("  %s: t(s) wing(deg) track(deg)\n", series);
    while (f.time() - from < within - 1e-9) {
        f.look();
        const double t = f.time() - from;
        if (a.wing == kNever && f.wingBank() * side >= bank * side) {
            a.wing = t;
        }
        if (a.track == kNever && f.trackBank() * side >= bank * side) {
            a.track = t;
        }
        if (std::lround(t * 10.0) % 5 == 0) {
            std::printf("  %s: %.1f %.1f %.1f\n", series, t, f.wingBank(), f.trackBank());
        }
    }
    return a;
}

} // namespace

RollFigures measureRollIn(double side) {
    HandlingFlight f;
    f.fly(20.0);
    const RollAnswer a = rollTo(f, side, 30.0 * side, 8.0, side > 0 ? "roll-in right" : "roll-in left");
    return RollFigures{a.wing, a.track};
}

RollFigures measureReversal(double side) {
    HandlingFlight f;
    f.fly(10.0);
    BankHold hands;
    hands.bank = 20.0 * side;
    hands.fly(f, 20.0);
    const RollAnswer a = rollTo(f, -side, -20.0 * side, 10.0, side > 0 ? "reversal right-left" : "reversal left-right");
    return RollFigures{a.wing, a.track};
}

ShortRollIn measureShortRollIn(double hold, double side) {
    HandlingFlight f;
    f.fly(20.0);
    start::setWeightShift(f.flight, side, 0.0);
    f.fly(hold);
    start::setWeightShift(f.flight, 0.0, 0.0);
    f.fly(10.0);
    const double from = f.track();
    double turned = 0.0, last = from, bankSum = 0.0, worst = 0.0;
    const double seconds = 20.0;
    for (int i = 0; i < static_cast<int>(seconds / HandlingFlight::kLook); ++i) {
        f.look();
        turned += headingDifference(f.track(), last);
        last = f.track();
        bankSum += f.wingBank() * side;
        worst = std::max(worst, std::fabs(f.wingBank()));
    }
    ShortRollIn s;
    s.meanBank = bankSum / (seconds / HandlingFlight::kLook);
    s.steepest = worst;
    s.fullTurn = std::fabs(turned) > 1.0 ? 360.0 * seconds / std::fabs(turned) : 1e9;
    return s;
}

void checkRollResponse() {
    const RollFigures left = measureRollIn(-1.0);
    const RollFigures right = measureRollIn(1.0);
    for (const auto& [name, r] : {std::pair<const char*, RollFigures>{"roll-in left to 30 deg", left},
                                  std::pair<const char*, RollFigures>{"roll-in right to 30 deg", right}}) {
        report(name, format("wing %.1f s, ground track %.1f s", r.wing, r.track), "<= 3.5 s both",
               r.wing <= 3.5 && r.track <= 3.5);
    }
    const double wingMirror = std::fabs(left.wing - right.wing) / std::max(left.wing, right.wing) * 100.0;
    const double trackMirror = std::fabs(left.track - right.track) / std::max(left.track, right.track) * 100.0;
    report("roll-in left against right", format("wing %.1f%%, ground track %.1f%%", wingMirror, trackMirror),
           "within 10%", wingMirror <= 10.0 && trackMirror <= 10.0);

    for (double side : {1.0, -1.0}) {
        const RollFigures r = measureReversal(side);
        report(side > 0 ? "reversal 20 right to 20 left" : "reversal 20 left to 20 right",
               format("wing %.1f s, ground track %.1f s", r.wing, r.track), "<= 4.5 s", r.wing <= 4.5);
    }

    // Every roll-in a pilot might give to start a turn, not just the luckiest:
    // 1, 1.5 and 2 s at full shift, either way, must each leave a turn.
    bool all = true;
    double shallowest = 1e9, steepestMean = -1e9, slowest = 0.0;
    for (double hold : {1.0, 1.5, 2.0}) {
        for (double side : {1.0, -1.0}) {
            const ShortRollIn s = measureShortRollIn(hold, side);
            const bool ok = s.meanBank >= 15.0 && s.meanBank <= 30.0 && s.fullTurn <= 25.0 && s.steepest <= 45.0;
            all = all && ok;
            shallowest = std::min(shallowest, s.meanBank);
            steepestMean = std::max(steepestMean, s.meanBank);
            slowest = std::max(slowest, s.fullTurn);
            std::printf("  roll-in %.1f s %s then centred: mean bank %.1f deg (steepest %.0f), %.1f s per 360%s\n",
                        hold, side > 0 ? "right" : "left", s.meanBank, s.steepest, s.fullTurn, ok ? "" : " (outside)");
        }
    }
    report("1-2 s roll-in, then centred",
           format("mean bank %.1f to %.1f deg, up to %.1f s per 360", shallowest, steepestMean, std::min(slowest, 999.9)),
           "15-30 deg, <= 25 s per 360", all);
}

namespace {

struct PolarPoint {
    double speed = 0.0; // (unit: m/s)
    double sink = 0.0;  // (unit: m/s)
    bool straight = true;
};

// Glide over `seconds`: speed, sink and the steepest bank on the way.
PolarPoint glide(HandlingFlight& f, double seconds) {
    const double z0 = f.height();
    double speedSum = 0.0, steepest = 0.0;
    const int looks = static_cast<int>(std::lround(seconds / HandlingFlight::kLook));
    for (int i = 0; i < looks; ++i) {
        f.look();
        speedSum += f.speed();
        steepest = std::max(steepest, std::fabs(f.wingBank()));
    }
    return PolarPoint{speedSum / looks, (z0 - f.height()) / seconds, steepest < 10.0};
}

// (unit: m/s) the sink at `speed` between the measured points, or -1 outside them.
double sinkAt(const std::vector<PolarPoint>& polar, double speed) {
    for (std::size_t i = 1; i < polar.size(); ++i) {
        const PolarPoint& a = polar[i - 1];
        const PolarPoint& b = polar[i];
        if (speed >= a.speed && speed <= b.speed && b.speed > a.speed) {
            return a.sink + (b.sink - a.sink) * (speed - a.speed) / (b.speed - a.speed);
        }
    }
    return -1.0;
}

} // namespace

SpeedFigures measureSpeeds() {
    SpeedFigures s;
    {
        HandlingFlight f;
        f.fly(30.0);
        s.trim = glide(f, 60.0).speed;
    }
    {
        HandlingFlight f;
        start::setWeightShift(f.flight, 0.0, 1.0);
        f.fly(40.0);
        const PolarPoint p = glide(f, 20.0);
        s.top = p.speed;
        s.topStraight = p.straight;
    }
    std::vector<PolarPoint> polar;
    for (int k = -10; k <= 10; ++k) {
        HandlingFlight f;
        start::setWeightShift(f.flight, 0.0, k / 10.0);
        f.fly(40.0);
        const PolarPoint p = glide(f, 20.0);
        if (p.straight) {
            polar.push_back(p);
        }
    }
    std::sort(polar.begin(), polar.end(), [](const PolarPoint& a, const PolarPoint& b) { return a.speed < b.speed; });
    s.minSink = 1e9;
    for (const PolarPoint& p : polar) {
        std::printf("  polar band: %.1f km/h sink %.3f m/s glide %.2f\n", p.speed * 3.6, p.sink, p.speed / p.sink);
        const double ratio = std::sqrt(std::max(p.speed * p.speed - p.sink * p.sink, 0.0)) / p.sink;
        if (ratio > s.bestGlide) {
            s.bestGlide = ratio;
            s.bestGlideSpeed = p.speed;
        }
    }
    // The polar is flat near its minimum: the vertex of the parabola through
    // the lowest measured point and its neighbours, not whichever bar
    // position happened to land nearest it.
    std::size_t low = 0;
    for (std::size_t i = 0; i < polar.size(); ++i) {
        if (polar[i].sink < polar[low].sink) {
            low = i;
        }
    }
    s.minSink = polar.empty() ? 0.0 : polar[low].sink;
    s.minSinkSpeed = polar.empty() ? 0.0 : polar[low].speed;
    if (low > 0 && low + 1 < polar.size()) {
        const double x0 = polar[low - 1].speed, x1 = polar[low].speed, x2 = polar[low + 1].speed;
        const double y0 = polar[low - 1].sink, y1 = polar[low].sink, y2 = polar[low + 1].sink;
        const double a = ((y2 - y1) / (x2 - x1) - (y1 - y0) / (x1 - x0)) / (x2 - x0);
        const double b = (y1 - y0) / (x1 - x0) - a * (x0 + x1);
        if (a > 0.0) {
            const double vertex = -b / (2.0 * a);
            s.minSinkSpeed = vertex;
            s.minSink = y1 + (vertex - x1) * (b + a * (vertex + x1));
        }
    }
    for (int i = 0; i < 3; ++i) {
        s.sinkAt[i] = sinkAt(polar, (60.0 + 10.0 * i) / 3.6);
    }
    return s;
}

void checkSpeeds() {
    const SpeedFigures s = measureSpeeds();
    report("hands-off trim speed", format("%.1f km/h", s.trim * 3.6), "32-37 km/h",
           s.trim * 3.6 >= 32.0 && s.trim * 3.6 <= 37.0);
    report("fully pulled in", format("%.1f km/h, ", s.top * 3.6) + (s.topStraight ? "straight" : "rolls away"),
           "80-90 km/h, straight", s.top * 3.6 >= 80.0 && s.top * 3.6 <= 90.0 && s.topStraight);
    report("polar band: best glide", format("%.2f at %.1f km/h", s.bestGlide, s.bestGlideSpeed * 3.6),
           "11-13 at 42-48 km/h",
           s.bestGlide >= 11.0 && s.bestGlide <= 13.0 && s.bestGlideSpeed * 3.6 >= 42.0 && s.bestGlideSpeed * 3.6 <= 48.0);
    report("polar band: minimum sink", format("%.3f m/s at %.1f km/h", s.minSink, s.minSinkSpeed * 3.6),
           "0.85-1.0 m/s at 32-39 km/h",
           s.minSink >= 0.85 && s.minSink <= 1.0 && s.minSinkSpeed * 3.6 >= 32.0 && s.minSinkSpeed * 3.6 <= 39.0);
    const double low[] = {1.6, 2.4, 3.6}, high[] = {2.1, 3.0, 4.6};
    const char* names[] = {"polar band: sink at 60 km/h", "polar band: sink at 70 km/h", "polar band: sink at 80 km/h"};
    const char* targets[] = {"1.6-2.1 m/s", "2.4-3.0 m/s", "3.6-4.6 m/s"};
    for (int i = 0; i < 3; ++i) {
        report(names[i], s.sinkAt[i] < 0.0 ? std::string("not reached") : format("%.2f m/s", s.sinkAt[i]), targets[i],
               s.sinkAt[i] >= low[i] && s.sinkAt[i] <= high[i]);
    }
}

namespace {

// Held at 37.5 degrees and `speed`: the sink and mean bank over 20 s once
// established, and the speed flown.
struct TurnSink {
    double sink = 0.0, bank = 0.0, speed = 0.0;
};

TurnSink steepTurn(double side, double speed) {
    HandlingFlight f;
    f.fly(10.0);
    BankHold hands;
    hands.bank = 37.5 * side;
    hands.speed = speed;
    hands.fly(f, 20.0);
    const double z0 = f.height();
    double bankSum = 0.0, speedSum = 0.0;
    const double seconds = 20.0;
    const int looks = static_cast<int>(seconds / HandlingFlight::kLook);
    for (int i = 0; i < looks; ++i) {
        hands.fly(f, HandlingFlight::kLook);
        bankSum += f.wingBank() * side;
        speedSum += f.speed();
    }
    return TurnSink{(z0 - f.height()) / seconds, bankSum / looks, speedSum / looks};
}

} // namespace

void checkSteepTurn() {
    // A thermalling turn at the speed that sinks least at that bank, as a
    // pilot flies it: the best of a few speeds held.
    for (double side : {1.0, -1.0}) {
        TurnSink best;
        best.sink = 1e9;
        for (double speed : {10.0, 10.5, 11.0, 11.5, 12.0}) {
            const TurnSink t = steepTurn(side, speed);
            std::printf("  steep turn %s held at %.1f m/s: sink %.2f m/s at %.1f deg, %.1f m/s flown\n",
                        side > 0 ? "right" : "left", speed, t.sink, t.bank, t.speed);
            if (t.bank >= 35.0 && t.bank <= 40.0 && t.sink < best.sink) {
                best = t;
            }
        }
        report(side > 0 ? "steep turn right at best speed" : "steep turn left at best speed",
               format("sink %.2f m/s at %.0f deg, %.0f km/h", best.sink, best.bank, best.speed * 3.6),
               "<= 1.4 m/s at 35-40 deg", best.sink <= 1.4);
    }
    // Established at 17.5 degrees, then hands off (bar centred): it holds.
    for (double side : {1.0, -1.0}) {
        HandlingFlight f;
        f.fly(10.0);
        BankHold hands;
        hands.bank = 17.5 * side;
        hands.fly(f, 20.0);
        start::setWeightShift(f.flight, 0.0, 0.0);
        f.fly(20.0);
        const double after = f.wingBank() * side;
        report(side > 0 ? "17.5 deg right, then hands off" : "17.5 deg left, then hands off",
               format("%.1f deg 20 s later", after), "holds (10-30 deg)", after >= 10.0 && after <= 30.0);
    }
}

namespace {

// A 3 m/s thermal of 100 m radius over the origin, in a layer 3000 m deep:
// a thermal is strongest about a quarter of the way up its layer and fades
// above, so in this layer its core rises 2.8-3.0 m/s everywhere the check
// flies (300-1200 m). In a layer 1500 m deep the same thermal would rise
// 2.1 m/s at 800 m and 1.5 m/s at 1000 m: not a 3 m/s thermal there.
std::unique_ptr<Atmosphere> oneThermal(const HeightField* terrain) {
    auto air = std::make_unique<Atmosphere>(Vector3D(), terrain);
    Thermal t;
    t.updraft = 3.0;
    t.radius = 100.0;
    air->setThermals(std::make_unique<ThermalField>(std::vector<Thermal>{t}, 3000.0, 0.0, 0.0,
                                                    ThermalField::defaultArea(1)));
    return air;
}

} // namespace

double climbInThermal(const PilotPlan& plan, double x, double y, double altitude, double heading, double from,
                      double to) {
    HandlingFlight f(altitude, heading, x, y);
    const auto air = oneThermal(f.flight.terrain.get());
    f.flight.world->setAirField(air.get());
    SimplePilot pilot(plan, 0.0, 0.0, PilotLimits(), start::pilotGainsFor(start::FlightModel::Realistic));
    double zFrom = 0.0;
    const int steps = static_cast<int>(std::lround(to * 100.0));
    for (int i = 0; i < steps; ++i) {
        if (i == static_cast<int>(std::lround(from * 100.0))) {
            zFrom = f.height();
        }
        start::pressFor(f.flight, pilot.decide(start::pilotView(f.flight)));
        f.flight.world->step();
    }
    const double climb = (f.height() - zFrom) / (to - from);
    f.flight.world->setAirField(nullptr);
    return climb;
}

void checkThermalling() {
    // A thermalling bank for a 100 m thermal: 20 degrees, pushed out a
    // little, turns in about 22 m and sinks little more than straight flight;
    // steeper, this glider's sink grows faster than the core's lift.
    const double kCircleBank = 20.0;
    // Starts around the thermal, near and far, low and high, heading past,
    // towards and away from it; circles both ways.
    struct Start {
        double distance, bearing, altitude, heading; // (unit: m, degrees, m, degrees)
    };
    const Start starts[] = {{40.0, 0.0, 300.0, 90.0},    {300.0, 90.0, 400.0, 270.0}, {300.0, 200.0, 800.0, 90.0},
                            {150.0, 300.0, 600.0, 300.0}, {250.0, 45.0, 300.0, 0.0},   {0.0, 0.0, 500.0, 180.0}};
    double worst = 1e9;
    for (const Start& s : starts) {
        for (double bank : {kCircleBank, -kCircleBank}) {
            PilotPlan plan;
            plan.mode = PilotPlan::Mode::Circle;
            plan.bank = bank;
            const double x = s.distance * std::sin(s.bearing * kPi / 180.0);
            const double y = s.distance * std::cos(s.bearing * kPi / 180.0);
            const double climb = climbInThermal(plan, x, y, s.altitude, s.heading, 60.0, 180.0);
            std::printf("  circle %+.0f from %.0f m at %.0f deg, %.0f m up, heading %.0f: climb %.2f m/s\n", bank,
                        s.distance, s.bearing, s.altitude, s.heading, climb);
            worst = std::min(worst, climb);
        }
    }
    report("circle: thermal from anywhere", format("worst mean climb %.2f m/s (60-180 s)", worst), ">= 1.5 m/s",
           worst >= 1.5);

    PilotPlan soar;
    if (readPilotPlan("soar", soar).empty()) {
        double worstSoar = 1e9;
        // Heading roughly for it (within 30 degrees), as a pilot heading for
        // a cloud or a circling bird: where exactly it is the pilot is not told.
        for (const Start& s : {Start{200.0, 0.0, 500.0, 160.0}, Start{200.0, 120.0, 400.0, 320.0},
                               Start{200.0, 240.0, 600.0, 50.0}, Start{200.0, 300.0, 300.0, 120.0}}) {
            const double x = s.distance * std::sin(s.bearing * kPi / 180.0);
            const double y = s.distance * std::cos(s.bearing * kPi / 180.0);
            const double climb = climbInThermal(soar, x, y, s.altitude, s.heading, 120.0, 240.0);
            std::printf("  soar from 200 m at %.0f deg, heading %.0f: climb %.2f m/s\n", s.bearing, s.heading, climb);
            worstSoar = std::min(worstSoar, climb);
        }
        report("soar: finds and centres a thermal", format("worst mean climb %.2f m/s (120-240 s)", worstSoar),
               ">= 1.2 m/s", worstSoar >= 1.2);
    } else {
        report("soar: finds and centres a thermal", "no soar mode", ">= 1.2 m/s", false);
    }
}
