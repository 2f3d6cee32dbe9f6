#include "server/service_metrics.h"

#include <cstdio>

namespace server {

namespace {

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

} // namespace

void ServiceMetrics::countRequest(const std::string &script, const std::string &code,
                                  double seconds)
{
    std::lock_guard lock(mutex_);
    ++requests_[{script, code}];
    ++latencyCount_;
    latencySum_ += seconds;
    for (std::size_t i = 0; i < kLatencyBuckets.size(); ++i) {
        if (seconds <= kLatencyBuckets[i])
            ++bucketCounts_[i];
    }
}

void ServiceMetrics::addGauge(std::string name, std::string help, std::function<double()> read)
{
    std::lock_guard lock(mutex_);
    gauges_.push_back({std::move(name), std::move(help), std::move(read)});
}

std::string ServiceMetrics::render() const
{
    std::string out;
    std::lock_guard lock(mutex_);
    out += "# HELP rinkfall_requests_total Requests answered, by script and reply code.\n"
           "# TYPE rinkfall_requests_total counter\n";
    for (const auto &[key, count] : requests_) {
        out += "rinkfall_requests_total{script=\"" + key.first + "\",code=\"" + key.second
               + "\"} " + std::to_string(count) + "\n";
    }
    out += "# HELP rinkfall_request_duration_seconds Time from a complete request head to the "
           "reply.\n# TYPE rinkfall_request_duration_seconds histogram\n";
    for (std::size_t i = 0; i < kLatencyBuckets.size(); ++i) {
        out += "rinkfall_request_duration_seconds_bucket{le=\"" + number(kLatencyBuckets[i])
               + "\"} " + std::to_string(bucketCounts_[i]) + "\n";
    }
    out += "rinkfall_request_duration_seconds_bucket{le=\"+Inf\"} "
           + std::to_string(latencyCount_) + "\n";
    out += "rinkfall_request_duration_seconds_sum " + number(latencySum_) + "\n";
    out += "rinkfall_request_duration_seconds_count " + std::to_string(latencyCount_) + "\n";
    out += "# HELP rinkfall_open_connections Client connections open now.\n"
           "# TYPE rinkfall_open_connections gauge\n"
           "rinkfall_open_connections "
           + std::to_string(openConnections_.load()) + "\n";
    for (const Gauge &gauge : gauges_) {
        out += "# HELP " + gauge.name + " " + gauge.help + "\n# TYPE " + gauge.name + " gauge\n"
               + gauge.name + " " + number(gauge.read()) + "\n";
    }
    return out;
}

} // namespace server
