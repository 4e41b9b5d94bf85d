#include "task/FreeFlightScore.h"

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
        s.distance += between(t, p[static_cast<std::size_t>(k)], p[static_cast<std::size_t>(k + 1)]);
    }
    s.multiplier = 1.0;
    s.points = roundPoints(s.distance / 1000.0);
    return s;
}

// The triangle a, b, c with its closing pair (s, e) judged by the table.
void judgeTriangle(double ab, double bc, double ca, double closing, XcScore& best, const std::array<int, 5>& fixes) {
    const double perimeter = ab + bc + ca;
    if (perimeter <= 0.0 || closing > kTriangleClosing * perimeter) {
        return;
    }
    const bool closed = closing <= kClosedTriangleClosing * perimeter;
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
    // Refine the corners and the closing pair over the fixes near them.
    const int window = std::max(2, 2 * n / std::max(1, m));
    std::array<int, 5> p = best.fixes; // a, b, c, s, e
    const auto evaluate = [&](const std::array<int, 5>& q, XcScore& into) {
        if (!(q[3] <= q[0] && q[0] < q[1] && q[1] < q[2] && q[2] <= q[4])) {
            return;
        }
        judgeTriangle(between(t, q[0], q[1]), between(t, q[1], q[2]), between(t, q[2], q[0]), between(t, q[3], q[4]),
                      into, q);
    };
    for (int round = 0; round < 20; ++round) {
        const XcScore before = best;
        for (int k = 0; k < 5; ++k) {
            const int centre = p[static_cast<std::size_t>(k)];
            for (int c = std::max(0, centre - window); c <= std::min(n - 1, centre + window); ++c) {
                std::array<int, 5> q = p;
                q[static_cast<std::size_t>(k)] = c;
                if (k >= 3) {
                    // The closing pair only ever shortens the gap.
                    if (between(t, q[3], q[4]) < between(t, p[3], p[4])) {
                        XcScore trial = best;
                        trial.points = 0.0;
                        evaluate(q, trial);
                        if (trial.type != XcType::None && trial.points >= best.points) {
                            best = trial;
                            p = q;
                        }
                    }
                    continue;
                }
                evaluate(q, best);
                p = best.fixes;
            }
        }
        if (best.points == before.points) {
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

XcScore scoreFreeFlight(const std::vector<XcFix>& track) {
    if (track.size() < 2) {
        return XcScore();
    }
    const XcScore free = freeDistance(track);
    const XcScore closed = triangle(track);
    return closed.points > free.points ? closed : free;
}

} // namespace task
