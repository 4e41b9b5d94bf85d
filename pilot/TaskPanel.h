#pragma once

#include <imgui.h>

struct TaskFigures;

// The task on glider-pilot's screen: a panel with the next turnpoint, its
// bearing and distance, the glide needed and the arrival height (the result
// once the finish is reached), and on the map the task's zones, its legs
// and an arrow to the next zone.
namespace taskpanel {

// The map's frame: world metres to the screen.
struct MapFrame {
    ImVec2 centre;     // the screen point of world (cx, cy)
    double cx = 0.0;   // (unit: m)
    double cy = 0.0;
    float scale = 1.0; // pixels per metre
    ImVec2 at(double x, double y) const {
        return ImVec2(centre.x + static_cast<float>(x - cx) * scale, centre.y - static_cast<float>(y - cy) * scale);
    }
};

// The panel, its top left corner at `where`.
void drawPanel(const TaskFigures& task, ImVec2 where);
// On the map, from the pilot at (px, py).
void drawOnMap(ImDrawList* draw, const MapFrame& frame, const TaskFigures& task, double px, double py);

} // namespace taskpanel
