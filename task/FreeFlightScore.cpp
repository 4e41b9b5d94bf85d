#include "task/FreeFlightScore.h"
#include "physics/SharedConstants.h"

#include <algorithm>
#include <cmath>

namespace task {

namespace {

constexpr double kFlatMultiplier = 1.2;
constexpr double kClosedFlatMultiplier = 1.4;
constexpr double kFaiMultiplier = 1.4;
constexpr double kClosedFaiMultiplier = 1.6;
constexpr double kTriangleClosing = 0.2;       // of the perimeter
constexpr double kClosedTriangleClosing = 0.05; // of the perimeter
constexpr double kFaiShortestSide = 0.28;       // of the perimeter
constexpr int kDistanceSamples = 600;
constexpr int kTriangleSamples = 300;

double between(const std::vector<XcFix>& t, int i, int j) {
    return std::hypot(t[static_cast<std::size_t>(j)].x - t[static_cast<std::size_t>(i)].x,
                      t[static_cast<std::size_t>(j)].y - t[static_cast<std::size_t>(i)].y);
}

double roundPoints(double p) { return std::round(p * 100.0) / 100.0; }

// Legs and gaps count to whole 10 m, as contests state distances (to 0.01 km).
double roundLeg(double metres) { return std::round(metres / 10.0) * 10.0; }

std::vector<int> thinned(int n, int samples) {
    std::vector<int> idx;
    const int m = std::min(n, samples);
    for (int j = 0; j < m; ++j) {
        idx.push_back(m == 1 ? 0 : static_cast<int>(static_cast<long long>(j) * (n - 1) / (m - 1)));
    }
    return idx;
}

XcScore freeDistance(const std::vector<XcFix>& t) {
    const int n = static_cast<int>(t.size());
    const std::vector<int> idx = thinned(n, kDistanceSamples);
    const int m = static_cast<int>(idx.size());
    // best[L][j]: the longest path of L legs ending at sample j.
    std::vector<std::vector<double>> best(5, std::vector<double>(static_cast<std::size_t>(m), 0.0));
    std::vector<std::vector<int>> from(5, std::vector<int>(static_cast<std::size_t>(m), 0));
    for (int j = 0; j < m; ++j) {
        from[0][static_cast<std::size_t>(j)] = j;
    }
    for (int level = 1; level < 5; ++level) {
        for (int j = 0; j < m; ++j) {
            double top = -1.0;
            int arg = j;
            for (int i = 0; i <= j; ++i) {
                const double v = best[static_cast<std::size_t>(level - 1)][static_cast<std::size_t>(i)] +
                                 between(t, idx[static_cast<std::size_t>(i)], idx[static_cast<std::size_t>(j)]);
                if (v > top) {
                    top = v;
                    arg = i;
                }
            }
            best[static_cast<std::size_t>(level)][static_cast<std::size_t>(j)] = top;
            from[static_cast<std::size_t>(level)][static_cast<std::size_t>(j)] = arg;
        }
    }
    int end = 0;
    for (int j = 0; j < m; ++j) {
        if (best[4][static_cast<std::size_t>(j)] > best[4][static_cast<std::size_t>(end)]) {
            end = j;
        }
    }
    std::array<int, 5> p{};
    int j = end;
    for (int level = 4; level >= 0; --level) {
        p[static_cast<std::size_t>(level)] = idx[static_cast<std::size_t>(j)];
        j = from[static_cast<std::size_t>(level)][static_cast<std::size_t>(j)];
    }
    // Each point over the fixes between its neighbours near where it is.
    const int window = std::max(2, 2 * n / std::max(1, m));
    for (bool moved = true; moved;) {
        moved = false;
        for (int k = 0; k < 5; ++k) {
            const int lo = std::max(k == 0 ? 0 : p[static_cast<std::size_t>(k - 1)], p[static_cast<std::size_t>(k)] - window);
            const int hi = std::min(k == 4 ? n - 1 : p[static_cast<std::size_t>(k + 1)], p[static_cast<std::size_t>(k)] + window);
            const auto around = [&](int c) {
                return (k > 0 ? between(t, p[static_cast<std::size_t>(k - 1)], c) : 0.0) +
                       (k < 4 ? between(t, c, p[static_cast<std::size_t>(k + 1)]) : 0.0);
            };
            int bestFix = p[static_cast<std::size_t>(k)];
            double bestLength = around(bestFix);
            for (int c = lo; c <= hi; ++c) {
                const double v = around(c);
                if (v > bestLength + 1e-9) {
                    bestLength = v;
                    bestFix = c;
                }
            }
            if (bestFix != p[static_cast<std::size_t>(k)]) {
                p[static_cast<std::size_t>(k)] = bestFix;
                moved = true;
            }
        }
    }
    XcScore s;
    s.type = XcType::FreeDistance;
    s.fixes = p;
    for (int k = 0; k < 4; ++k) {
        s.distance += roundLeg(between(t, p[static_cast<std::size_t>(k)], p[static_cast<std::size_t>(k + 1)]));
    }
    s.multiplier = 1.0;
    s.points = roundPoints(s.distance / 1000.0);
    return s;
}

// The triangle a, b, c with its closing pair (s, e) judged by the table.
void judgeTriangle(double ab, double bc, double ca, double closing, XcScore& best, const std::array<int, 5>& fixes) {
    ab = roundLeg(ab);
    bc = roundLeg(bc);
    ca = roundLeg(ca);
    closing = roundLeg(closing);
    const double perimeter = ab + bc + ca;
    // The limits are stated to 10 m as well, as the contests' scorers state them.
    if (perimeter <= 0.0 || closing > roundLeg(kTriangleClosing * perimeter)) {
        return;
    }
    const bool closed = closing <= roundLeg(kClosedTriangleClosing * perimeter);
    const bool fai = std::min({ab, bc, ca}) >= kFaiShortestSide * perimeter;
    const double multiplier = fai ? (closed ? kClosedFaiMultiplier : kFaiMultiplier)
                                  : (closed ? kClosedFlatMultiplier : kFlatMultiplier);
    const double points = (perimeter - closing) / 1000.0 * multiplier;
    if (points > best.points) {
        best.type = fai ? (closed ? XcType::ClosedFaiTriangle : XcType::FaiTriangle)
                        : (closed ? XcType::ClosedFlatTriangle : XcType::FlatTriangle);
        best.distance = perimeter;
        best.closing = closing;
        best.multiplier = multiplier;
        best.points = points;
        best.fixes = fixes;
    }
}

XcScore triangle(const std::vector<XcFix>& t) {
    const int n = static_cast<int>(t.size());
    const std::vector<int> idx = thinned(n, kTriangleSamples);
    const int m = static_cast<int>(idx.size());
    const auto at = [m](int i, int j) { return static_cast<std::size_t>(i) * static_cast<std::size_t>(m) + static_cast<std::size_t>(j); };
    std::vector<double> d(static_cast<std::size_t>(m) * static_cast<std::size_t>(m));
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < m; ++j) {
            d[at(i, j)] = between(t, idx[static_cast<std::size_t>(i)], idx[static_cast<std::size_t>(j)]);
        }
    }
    // gap[a][c]: the nearest pair, one at or before a, one at or after c;
    // pair[a][c] packs which.
    std::vector<double> gap(d.size());
    std::vector<int> pairS(d.size());
    std::vector<int> pairE(d.size());
    for (int a = 0; a < m; ++a) {
        for (int c = m - 1; c >= a; --c) {
            double g = d[at(a, c)];
            int s = a;
            int e = c;
            if (a > 0 && gap[at(a - 1, c)] < g) {
                g = gap[at(a - 1, c)];
                s = pairS[at(a - 1, c)];
                e = pairE[at(a - 1, c)];
            }
            if (c + 1 < m && gap[at(a, c + 1)] < g) {
                g = gap[at(a, c + 1)];
                s = pairS[at(a, c + 1)];
                e = pairE[at(a, c + 1)];
            }
            gap[at(a, c)] = g;
            pairS[at(a, c)] = s;
            pairE[at(a, c)] = e;
        }
    }
    XcScore best;
    for (int a = 0; a < m; ++a) {
        for (int c = a + 2; c < m; ++c) {
            const double ca = d[at(c, a)];
            const double closing = gap[at(a, c)];
            for (int b = a + 1; b < c; ++b) {
                const double ab = d[at(a, b)];
                const double bc = d[at(b, c)];
                // Nothing here can beat the best even at the best multiplier.
                if ((ab + bc + ca - closing) / 1000.0 * kClosedFaiMultiplier <= best.points) {
                    continue;
                }
                judgeTriangle(ab, bc, ca, closing, best,
                              {idx[static_cast<std::size_t>(a)], idx[static_cast<std::size_t>(b)],
                               idx[static_cast<std::size_t>(c)], idx[static_cast<std::size_t>(pairS[at(a, c)])],
                               idx[static_cast<std::size_t>(pairE[at(a, c)])]});
            }
        }
    }
    if (best.type == XcType::None) {
        return best;
    }
    // Refine the corners over the fixes near them; the closing pair follows,
    // from the pair so far or from the fixes next to the new corners.
    const int window = std::max(2, 2 * n / std::max(1, m));
    const auto closingFor = [&](int a, int c, int s0, int e0, int& s, int& e) {
        double gapNow = 1e300;
        const int sFrom = std::max(0, a - window);
        const int eTo = std::min(n - 1, c + window);
        for (int si = sFrom - 1; si <= a; ++si) {
            const int sv = si < sFrom ? s0 : si;
            if (sv > a) {
                continue;
            }
            for (int ei = c; ei <= eTo + 1; ++ei) {
                const int ev = ei > eTo ? e0 : ei;
                if (ev < c) {
                    continue;
                }
                const double g = between(t, sv, ev);
                if (g < gapNow) {
                    gapNow = g;
                    s = sv;
                    e = ev;
                }
            }
        }
        return gapNow;
    };
    for (int round = 0; round < 50; ++round) {
        const double before = best.points;
        for (int k = 0; k < 3; ++k) {
            const std::array<int, 5> p = best.fixes; // a, b, c, s, e
            const int centre = p[static_cast<std::size_t>(k)];
            for (int c = std::max(0, centre - window); c <= std::min(n - 1, centre + window); ++c) {
                std::array<int, 5> q = p;
                q[static_cast<std::size_t>(k)] = c;
                if (!(q[0] < q[1] && q[1] < q[2])) {
                    continue;
                }
                const double closing = closingFor(q[0], q[2], p[3], p[4], q[3], q[4]);
                judgeTriangle(between(t, q[0], q[1]), between(t, q[1], q[2]), between(t, q[2], q[0]), closing, best, q);
            }
        }
        if (best.points == before) {
            break;
        }
    }
    // One corner at a time can stall where two must move together (a
    // triangle held at the FAI limit, a closing pair on a corner): all three
    // together over the nearest fixes, until nothing better is near.
    constexpr int kJoint = 3;
    for (int round = 0; round < 50; ++round) {
        const double before = best.points;
        const std::array<int, 5> p = best.fixes;
        for (int da = -kJoint; da <= kJoint; ++da) {
            for (int db = -kJoint; db <= kJoint; ++db) {
                for (int dc = -kJoint; dc <= kJoint; ++dc) {
                    std::array<int, 5> q = p;
                    q[0] = p[0] + da;
                    q[1] = p[1] + db;
                    q[2] = p[2] + dc;
                    if (q[0] < 0 || q[2] >= n || !(q[0] < q[1] && q[1] < q[2])) {
                        continue;
                    }
                    const double closing = closingFor(q[0], q[2], p[3], p[4], q[3], q[4]);
                    judgeTriangle(between(t, q[0], q[1]), between(t, q[1], q[2]), between(t, q[2], q[0]), closing,
                                  best, q);
                }
            }
        }
        if (best.points == before) {
            break;
        }
    }
    best.points = roundPoints(best.points);
    return best;
}

} // namespace

const char* xcTypeName(XcType type) {
    switch (type) {
    case XcType::FreeDistance:
        return "free_distance";
    case XcType::FlatTriangle:
        return "flat_triangle";
    case XcType::ClosedFlatTriangle:
        return "closed_flat_triangle";
    case XcType::FaiTriangle:
        return "fai_triangle";
    case XcType::ClosedFaiTriangle:
        return "closed_fai_triangle";
    case XcType::None:
        break;
    }
    return "none";
}

XcScore scoreFreeFlight(const std::vector<GeoCoordinate>& track) {
    // Local metres along the meridian and the parallel at the track's mean
    // latitude, from the WGS-84 ellipsoid's radii of curvature there: within
    // a few parts in ten thousand of the ellipsoid's own distances over a
    // flight's tens of kilometres.
    constexpr double kA = 6378137.0;
    constexpr double kF = 1.0 / 298.257223563;
    constexpr double kE2 = kF * (2.0 - kF);
    if (track.empty()) {
        return XcScore();
    }
    double meanLatitude = 0.0;
    for (const GeoCoordinate& g : track) {
        meanLatitude += g.latitude;
    }
    meanLatitude /= static_cast<double>(track.size());
    const double phi = meanLatitude * kPi / 180.0;
    const double w = 1.0 - kE2 * std::sin(phi) * std::sin(phi);
    const double meridian = kA * (1.0 - kE2) / (w * std::sqrt(w)); // (unit: m per radian)
    const double parallel = kA / std::sqrt(w) * std::cos(phi);    // (unit: m per radian)
    std::vector<XcFix> local;
    local.reserve(track.size());
    for (const GeoCoordinate& g : track) {
        local.push_back({std::remainder(g.longitude - track[0].longitude, 360.0) * kPi / 180.0 * parallel,
                         (g.latitude - track[0].latitude) * kPi / 180.0 * meridian});
    }
    return scoreFreeFlight(local);
}

XcScore scoreFreeFlight(const std::vector<XcFix>& track) {
    if (track.size() < 2) {
        return XcScore();
    }
    const XcScore free = freeDistance(track);
    const XcScore closed = triangle(track);
    return closed.points > free.points ? closed : free;
}

} // namespace task
