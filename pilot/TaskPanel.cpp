#include "pilot/TaskPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "physics/SharedConstants.h"
#include "pilot/PilotTask.h"

namespace taskpanel {

namespace {

constexpr ImGuiWindowFlags kFixed = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                    ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing |
                                    ImGuiWindowFlags_NoNav | ImGuiWindowFlags_AlwaysAutoResize;
constexpr ImU32 kTaskColour = IM_COL32(200, 120, 255, 255);
constexpr ImU32 kNextColour = IM_COL32(120, 255, 140, 255);

void clock(double seconds, char (&out)[32]) {
    const long whole = static_cast<long>(seconds);
    std::snprintf(out, sizeof out, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
}

} // namespace

void drawPanel(const TaskFigures& t, ImVec2 where) {
    ImGui::SetNextWindowPos(where);
    ImGui::SetNextWindowBgAlpha(0.6f);
    ImGui::Begin("task", nullptr, kFixed);
    char elapsed[32];
    clock(t.elapsed, elapsed);
    ImGui::Text("Task %s  %.1f km", t.name.c_str(), t.taskDistance / 1000.0);
    if (t.finished) {
        ImGui::TextColored(ImVec4(0.5f, 1.0f, 0.55f, 1.0f), "GOAL  %s  %.1f km/h", elapsed,
                           t.elapsed > 0.0 ? t.taskDistance / t.elapsed * 3.6 : 0.0);
    } else {
        const bool toStart = !t.started;
        ImGui::Text("Next %s%s", toStart ? "start " : "", t.names[static_cast<std::size_t>(t.next)].c_str());
        ImGui::Text("Brg %03.0f  Dist %.2f km", t.bearing, t.distance / 1000.0);
        if (std::isfinite(t.requiredGlide) && t.requiredGlide < 999.0) {
            ImGui::Text("Glide req %.1f  Arr %+.0f m", t.requiredGlide, t.arrival);
        } else {
            ImGui::Text("Glide req --  Arr %+.0f m", t.arrival);
        }
        if (t.started) {
            ImGui::Text("Made %.1f of %.1f km  %s", t.flown / 1000.0, t.taskDistance / 1000.0, elapsed);
        }
    }
    ImGui::End();
}

void drawOnMap(ImDrawList* draw, const MapFrame& frame, const TaskFigures& t, double px, double py) {
    const std::size_t n = t.points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const TaskFigures::Point& p = t.points[i];
        const ImVec2 c = frame.at(p.x, p.y);
        if (i + 1 < n) {
            draw->AddLine(c, frame.at(t.points[i + 1].x, t.points[i + 1].y), kTaskColour, 1.5f);
        }
        const bool next = static_cast<int>(i) == t.next;
        const ImU32 colour = next ? kNextColour : kTaskColour;
        if (p.line) {
            // Across the course: along the bearing a right angle from its axis.
            const double across = (p.axis + 90.0) * kPi / 180.0;
            const double ex = std::sin(across) * p.radius;
            const double ey = std::cos(across) * p.radius;
            draw->AddLine(frame.at(p.x - ex, p.y - ey), frame.at(p.x + ex, p.y + ey), colour, next ? 3.0f : 2.0f);
            continue;
        }
        const float r = std::max(3.0f, static_cast<float>(p.radius) * frame.scale);
        draw->AddCircle(c, r, colour, 24, next ? 2.5f : 1.5f);
    }
    if (t.finished) {
        return;
    }
    // The arrow from the pilot towards the next zone's point on the route.
    const ImVec2 from = frame.at(px, py);
    const ImVec2 to = frame.at(t.aimX, t.aimY);
    const float dx = to.x - from.x;
    const float dy = to.y - from.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length < 1.0f) {
        return;
    }
    const ImVec2 d(dx / length, dy / length);
    const float head = std::min(12.0f, length);
    draw->AddLine(from, to, kNextColour, 2.5f);
    draw->AddTriangleFilled(to, ImVec2(to.x - d.x * head - d.y * head * 0.5f, to.y - d.y * head + d.x * head * 0.5f),
                            ImVec2(to.x - d.x * head + d.y * head * 0.5f, to.y - d.y * head - d.x * head * 0.5f),
                            kNextColour);
}

} // namespace taskpanel
