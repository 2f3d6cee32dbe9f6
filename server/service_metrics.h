#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace server {

// What the service did, for GET /metrics in the Prometheus text format: requests by script and
// status, a latency histogram, and gauges read when the page is asked for.
class ServiceMetrics {
public:
    // Upper bounds of the latency buckets, in seconds.
    static constexpr std::array<double, 10> kLatencyBuckets{0.001, 0.0025, 0.005, 0.01, 0.025,
                                                            0.05,  0.1,    0.25,  1.0,  5.0};

    // `script` is the script's name ("Lobby") or "other"; `code` the reply's status field, or the
    // HTTP status when the service gave no reply.
    void countRequest(const std::string &script, const std::string &code, double seconds);
    void connectionOpened() { ++openConnections_; }
    void connectionClosed() { --openConnections_; }
    // Gauges owned elsewhere, read at each render.
    void addGauge(std::string name, std::string help, std::function<double()> read);

    std::string render() const;

private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, uint64_t> requests_;
    std::array<uint64_t, kLatencyBuckets.size()> bucketCounts_{};
    uint64_t latencyCount_ = 0;
    double latencySum_ = 0;
    std::atomic<int64_t> openConnections_{0};
    struct Gauge {
        std::string name;
        std::string help;
        std::function<double()> read;
    };
    std::vector<Gauge> gauges_;
};

} // namespace server
