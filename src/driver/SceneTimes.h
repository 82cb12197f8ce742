#pragma once
// Frame times gathered by scene: how the benchmarks and the browser page report the renderer's
// speed, each scene by its median frame.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tepple {

class SceneTimes {
public:
    struct Summary {
        size_t frames;
        double median;  // of an even count, the mean of the two middle frames
        double slowest;
    };

    // Counts a frame's time (in any unit) against the scene that ran at demoTime; a frame between
    // scenes counts for none.
    void add(double demoTime, double time);
    void clear() { frames_.clear(); }
    // Nothing for a scene that never ran.
    std::optional<Summary> summary(const std::string& scene) const;

private:
    std::map<std::string, std::vector<double>> frames_;
};

} // namespace tepple
