#include "progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace capture {

namespace {

constexpr int bar_cells = 30;

}  // namespace

std::string clock_text(double seconds)
{
    const long whole = std::lround(std::max(0.0, seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::string rate_text(offline::Rate rate)
{
    char text[32];
    if (rate.den == 1)
        std::snprintf(text, sizeof text, "%ld", rate.num);
    else
        std::snprintf(text, sizeof text, "%.2f", offline::per_second(rate));
    return text;
}

std::string progress_line(long done, long total, const char *scene, double fps, double seconds_left)
{
    const double share = total > 0 ? static_cast<double>(done) / total : 1;
    const int filled = static_cast<int>(share * bar_cells);
    const std::string bar = std::string(filled, '#') + std::string(bar_cells - filled, '.');
    const std::string left = seconds_left >= 0 ? clock_text(seconds_left) + " left" : "--:-- left";
    char line[160];
    std::snprintf(line, sizeof line, "%ld/%ld frames [%s] %3d%%  %-11s %6.1f fps  %s", done, total, bar.c_str(),
                  static_cast<int>(share * 100), scene, fps, left.c_str());
    return line;
}

std::string cost_report(const SceneCosts &costs, offline::Rate rate)
{
    std::string report = "scene         frames  seconds    fps  s per demo s\n";
    for (int part = 0; part <= final_part; ++part) {
        const SceneCost &cost = costs[part];
        if (cost.frames == 0)
            continue;
        const double demo_seconds = offline::frame_seconds(cost.frames, rate);
        char row[128];
        std::snprintf(row, sizeof row, "%-12s %7ld %8.1f %6.1f %13.2f\n", offline::scene_name(part), cost.frames,
                      cost.seconds, cost.frames / cost.seconds, cost.seconds / demo_seconds);
        report += row;
    }
    return report;
}

}  // namespace capture
