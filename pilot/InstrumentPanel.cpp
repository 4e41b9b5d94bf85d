#include "pilot/InstrumentPanel.h"

#include <algorithm>
#include <cmath>

#include <imgui.h>

#include "pilot/FlightTrack.h"
#include "pilot/PilotTask.h"
#include "pilot/TaskPanel.h"
#include "physics/SharedConstants.h"

namespace {

constexpr double kKmhPerMps = 3.6;
constexpr double kVarioScale = 5.0; // (unit: m/s) full deflection of the bar
// The map draws at most this many track segments, thinning a long track
// evenly: its drawing then needs bounded buffers, reserved the first time.
constexpr int kMapSegments = 720;
constexpr int kVerticesPerSegment = 12; // anti-aliased thick lines use up to this many
constexpr int kIndicesPerSegment = 18;
constexpr float kPiF = static_cast<float>(kPi);
constexpr ImGuiWindowFlags kFixed = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                    ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoFocusOnAppearing |
                                    ImGuiWindowFlags_NoNav | ImGuiWindowFlags_AlwaysAutoResize;

// The variometer's bar: green up, red down, a tick at zero.
void varioBar(ImDrawList* draw, ImVec2 origin, float height, double vario) {
    const float width = 18.0f;
    const float middle = origin.y + height * 0.5f;
    draw->AddRectFilled(origin, ImVec2(origin.x + width, origin.y + height), IM_COL32(20, 20, 20, 200));
    const double clamped = std::clamp(vario / kVarioScale, -1.0, 1.0);
    const float reach = static_cast<float>(clamped) * height * 0.5f;
    const ImU32 colour = reach >= 0.0f ? IM_COL32(60, 220, 80, 255) : IM_COL32(230, 70, 50, 255);
    draw->AddRectFilled(ImVec2(origin.x + 2.0f, std::min(middle, middle - reach)),
                        ImVec2(origin.x + width - 2.0f, std::max(middle, middle - reach)), colour);
    draw->AddLine(ImVec2(origin.x - 4.0f, middle), ImVec2(origin.x + width + 4.0f, middle), IM_COL32_WHITE, 2.0f);
}

// Where the wind blows to, seen from the cockpit: up is the nose.
void windArrow(ImDrawList* draw, ImVec2 centre, float radius, const Vector3D& wind, double heading) {
    draw->AddCircle(centre, radius, IM_COL32(255, 255, 255, 160), 24, 1.5f);
    const double speed = std::hypot(wind.x, wind.y);
    if (speed < 0.05) {
        return;
    }
    const float towards = static_cast<float>(std::atan2(wind.x, wind.y) - heading * kPiF / 180.0);
    const ImVec2 d(std::sin(towards), -std::cos(towards));
    const ImVec2 tip(centre.x + d.x * radius * 0.85f, centre.y + d.y * radius * 0.85f);
    const ImVec2 tail(centre.x - d.x * radius * 0.85f, centre.y - d.y * radius * 0.85f);
    draw->AddLine(tail, tip, IM_COL32(120, 200, 255, 255), 3.0f);
    const ImVec2 side(-d.y * radius * 0.3f, d.x * radius * 0.3f);
    draw->AddTriangleFilled(tip, ImVec2(tip.x - d.x * radius * 0.4f + side.x, tip.y - d.y * radius * 0.4f + side.y),
                            ImVec2(tip.x - d.x * radius * 0.4f - side.x, tip.y - d.y * radius * 0.4f - side.y),
                            IM_COL32(120, 200, 255, 255));
}

void map(const InstrumentPanel::Figures& f, const FlightTrack& track) {
    const ImGuiIO& io = ImGui::GetIO();
    const float side = std::min(260.0f, io.DisplaySize.y * 0.35f);
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x - side - 10.0f, io.DisplaySize.y - side - 10.0f));
    ImGui::SetNextWindowSize(ImVec2(side, side));
    ImGui::SetNextWindowBgAlpha(0.55f);
    ImGui::Begin("map", nullptr, kFixed & ~ImGuiWindowFlags_AlwaysAutoResize);
    ImDrawList* draw = ImGui::GetWindowDrawList();
    if (draw->VtxBuffer.Capacity < kMapSegments * kVerticesPerSegment) {
        draw->VtxBuffer.reserve(kMapSegments * kVerticesPerSegment + 4096);
        draw->IdxBuffer.reserve(kMapSegments * kIndicesPerSegment + 8192);
    }
    const ImVec2 corner = ImGui::GetWindowPos();
    // The smallest square around launch, pilot and track, with a margin.
    double minX = std::min(f.launch.x, f.pilot.x);
    double maxX = std::max(f.launch.x, f.pilot.x);
    double minY = std::min(f.launch.y, f.pilot.y);
    double maxY = std::max(f.launch.y, f.pilot.y);
    for (int i = 0; i < track.size(); ++i) {
        minX = std::min(minX, static_cast<double>(track.xAt(i)));
        maxX = std::max(maxX, static_cast<double>(track.xAt(i)));
        minY = std::min(minY, static_cast<double>(track.yAt(i)));
        maxY = std::max(maxY, static_cast<double>(track.yAt(i)));
    }
    if (f.task) {
        for (const TaskFigures::Point& p : f.task->points) {
            minX = std::min(minX, p.x - p.radius);
            maxX = std::max(maxX, p.x + p.radius);
            minY = std::min(minY, p.y - p.radius);
            maxY = std::max(maxY, p.y + p.radius);
        }
    }
    const double extent = std::max({maxX - minX, maxY - minY, 200.0}) * 1.15;
    const double cx = 0.5 * (minX + maxX);
    const double cy = 0.5 * (minY + maxY);
    const float scale = static_cast<float>((side - 16.0f) / extent);
    const auto screen = [&](double x, double y) {
        return ImVec2(corner.x + side * 0.5f + static_cast<float>(x - cx) * scale,
                      corner.y + side * 0.5f - static_cast<float>(y - cy) * scale);
    };
    const int stride = track.size() / kMapSegments + 1;
    for (int i = stride; i < track.size(); i += stride) {
        draw->AddLine(screen(track.xAt(i - stride), track.yAt(i - stride)), screen(track.xAt(i), track.yAt(i)),
                      IM_COL32(255, 210, 60, 255), 2.0f);
    }
    if (track.size() > 0) {
        const int last = (track.size() - 1) / stride * stride;
        draw->AddLine(screen(track.xAt(last), track.yAt(last)), screen(f.pilot.x, f.pilot.y),
                      IM_COL32(255, 210, 60, 255), 2.0f);
    }
    if (f.task) {
        const taskpanel::MapFrame frame{ImVec2(corner.x + side * 0.5f, corner.y + side * 0.5f), cx, cy, scale};
        taskpanel::drawOnMap(draw, frame, *f.task, f.pilot.x, f.pilot.y);
    }
    draw->AddCircleFilled(screen(f.launch.x, f.launch.y), 5.0f, IM_COL32(80, 160, 255, 255));
    const float h = static_cast<float>(f.heading * kPiF / 180.0);
    const ImVec2 p = screen(f.pilot.x, f.pilot.y);
    const ImVec2 nose(std::sin(h), -std::cos(h));
    draw->AddTriangleFilled(ImVec2(p.x + nose.x * 9.0f, p.y + nose.y * 9.0f),
                            ImVec2(p.x - nose.x * 5.0f - nose.y * 6.0f, p.y - nose.y * 5.0f + nose.x * 6.0f),
                            ImVec2(p.x - nose.x * 5.0f + nose.y * 6.0f, p.y - nose.y * 5.0f - nose.x * 6.0f),
                            IM_COL32(255, 60, 40, 255));
    ImGui::Text("%.0f m", extent);
    ImGui::End();
}

} // namespace

bool InstrumentPanel::draw(const Figures& f, const FlightTrack& track, std::int64_t& scrubTo) {
    ImGui::SetNextWindowPos(ImVec2(10.0f, 10.0f));
    ImGui::SetNextWindowBgAlpha(0.6f);
    ImGui::Begin("instruments", nullptr, kFixed);
    ImGui::Text("Time %.2f s", f.time);
    if (f.paused) {
        ImGui::Text("PAUSED x%.2f", f.speedFactor);
    } else {
        ImGui::Text("Speed x%.2f", f.speedFactor);
    }
    ImGui::Text("Airspeed %.1f km/h", f.airspeed * kKmhPerMps);
    ImGui::Text("Ground %.1f km/h", f.groundSpeed * kKmhPerMps);
    ImGui::Text("Alt start %.1f m", f.aboveStart);
    ImGui::Text("Alt ground %.1f m", f.aboveGround);
    ImGui::Text("Vario %.2f m/s", f.vario);
    ImGui::Text("Avg 20s %.2f m/s", f.averaged);
    if (f.glide > 0.0 && f.glide < 999.0) {
        ImGui::Text("Glide %.1f", f.glide);
    } else {
        ImGui::Text("Glide --");
    }
    ImGui::Text("Heading %.0f", f.heading);
    const double windSpeed = std::hypot(f.wind.x, f.wind.y);
    double from = std::atan2(-f.wind.x, -f.wind.y) * 180.0 / kPiF;
    from = from < 0.0 ? from + 360.0 : from;
    ImGui::Text("Wind %.1f m/s from %.0f", windSpeed, windSpeed < 0.05 ? 0.0 : from);
    ImGui::Text("Weight %+.2f %+.2f", f.lateral, f.fore);
    ImGui::Text("FPS %.0f  %s%s", f.fps, f.camera, f.muted ? "  muted" : "");
    if (f.recordingProblem[0] != '\0') {
        // Wrapped to the panel's width: the line names a file and a reason.
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.8f, 0.1f, 1.0f)); // amber: bright on the dark panel
        ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + 20.0f * ImGui::GetFontSize());
        ImGui::TextWrapped("NOT SAVED WHOLE: %s", f.recordingProblem);
        ImGui::PopTextWrapPos();
        ImGui::PopStyleColor();
    }
    const ImVec2 corner = ImGui::GetWindowPos();
    const ImVec2 size = ImGui::GetWindowSize();
    ImGui::End();

    // Bar and arrow beside the panel, outside any window's clipping.
    ImDrawList* draw = ImGui::GetForegroundDrawList();
    varioBar(draw, ImVec2(corner.x + size.x + 12.0f, corner.y), size.y * 0.7f, f.vario);
    windArrow(draw, ImVec2(corner.x + size.x + 21.0f, corner.y + size.y * 0.7f + 40.0f), 22.0f, f.wind, f.heading);

    if (f.task) {
        taskpanel::drawPanel(*f.task, ImVec2(corner.x, corner.y + size.y + 8.0f));
    }
    map(f, track);

    const ImGuiIO& io = ImGui::GetIO();
    bool scrubbed = false;
    if (f.replay) {
        ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y - 10.0f), 0, ImVec2(0.5f, 1.0f));
        ImGui::SetNextWindowBgAlpha(0.6f);
        ImGui::Begin("replay", nullptr, kFixed);
        ImGui::Text("REPLAY  <- -> 5 s  Home End");
        std::int64_t step = f.replayStep;
        ImGui::SetNextItemWidth(io.DisplaySize.x * 0.4f);
        if (ImGui::SliderScalar("##position", ImGuiDataType_S64, &step, &f.replayFirst, &f.replayLast,
                                "step %lld")) {
            scrubTo = step;
            scrubbed = true;
        }
        ImGui::End();
    } else if (help) {
        ImGui::SetNextWindowPos(ImVec2(10.0f, io.DisplaySize.y - 10.0f), 0, ImVec2(0.0f, 1.0f));
        ImGui::SetNextWindowBgAlpha(0.45f);
        ImGui::Begin("help", nullptr, kFixed);
        ImGui::TextUnformatted("Arrows/stick/right-drag: weight   P pause  N step  - = speed");
        ImGui::TextUnformatted("C/1-4 camera  drag/wheel orbit  M mute  PgUp/PgDn volume  R reset  H help");
        ImGui::End();
    }
    return scrubbed;
}
