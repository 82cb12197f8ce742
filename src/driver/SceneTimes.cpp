#include "driver/SceneTimes.h"

#include <algorithm>

#include "driver/Timeline.h"

namespace tepple {

void SceneTimes::add(double demoTime, double time)
{
    if (const TimelineEntry* scene = sceneAt(demoTime)) frames_[scene->name].push_back(time);
}

std::optional<SceneTimes::Summary> SceneTimes::summary(const std::string& scene) const
{
    const auto found = frames_.find(scene);
    if (found == frames_.end() || found->second.empty()) return std::nullopt;
    std::vector<double> values = found->second;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    double median = values[middle];
    if (values.size() % 2 == 0) {
        median = (median + *std::max_element(values.begin(), values.begin() + middle)) / 2;
    }
    return Summary{values.size(), median, *std::max_element(values.begin(), values.end())};
}

} // namespace tepple
