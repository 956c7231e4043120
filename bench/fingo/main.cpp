// tavlo-bench-fingo: how fast the remote-input server turns frames into
// injections, beside a bare receiver on the same loopback connection.
//
//   tavlo-bench-fingo [--frames N] [--samples N] [--rounds N] [--pace-us N]
//
// Throughput: N motion frames written as fast as the connection takes them;
// frames per second from the first byte sent to the last injection.
// Latency: one frame at a time (a pause of --pace-us between them), from just
// before the frame's bytes are written to the injection call. The server
// runs with back ends that only count (no platform input). Prints one JSON
// object; exit code 1 when frames went missing.
#include "CountingBackends.h"
#include "DeviceConnection.h"
#include "FingoServer.h"
#include "RawFrameReceiver.h"
#include "TCPFrame.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = InjectionCounter::Clock;
constexpr auto WaitLimit = std::chrono::seconds(30);
const char* const Address = "127.0.0.1";

struct Options {
    int frames = 200000;
    int samples = 10000;
    int rounds = 3;
    int paceUs = 1000;
};

// The port the server reports through its state callback.
class StateWaiter {
public:
    static void onState(int state, int port) {
        std::lock_guard<std::mutex> lock(s_mutex);
        s_port = state == 1 ? port : 0;
        s_changed.notify_all();
    }
    static int waitForPort() {
        std::unique_lock<std::mutex> lock(s_mutex);
        s_changed.wait_for(lock, WaitLimit, [] { return s_port >= 0; });
        const int port = s_port;
        s_port = -1;
        return port;
    }

private:
    static std::mutex s_mutex;
    static std::condition_variable s_changed;
    static int s_port;
};
std::mutex StateWaiter::s_mutex;
std::condition_variable StateWaiter::s_changed;
int StateWaiter::s_port = -1;

const ServerCallbacks Callbacks{&StateWaiter::onState, nullptr, nullptr, nullptr, nullptr};

// Motion frames as a device sends them while a finger moves.
std::vector<std::string> makeFrames(int count) {
    std::vector<std::string> frames;
    frames.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string json = R"({"type":"motion_event","motion_event":[{"pointerId":0,"x":)" +
                                 std::to_string(100 + i % 1700) + "." + std::to_string(i % 10) +
                                 R"(,"y":)" + std::to_string(80 + (i * 7) % 1000) +
                                 R"(.5,"eventTime":)" + std::to_string(1000000 + i * 8) +
                                 R"(,"action":"action_update"}]})";
        frames.push_back(Fingo::TCPFrame::encode(std::string(json.c_str(), json.size() + 1)));
    }
    return frames;
}

// A receiving side listening on loopback with its own counter.
struct Receiver {
    std::shared_ptr<InjectionCounter> counter = std::make_shared<InjectionCounter>();
    std::unique_ptr<Fingo::FingoServer> server;
    std::unique_ptr<RawFrameReceiver> raw;
    int port = 0;

    static Receiver fingoServer() {
        Receiver receiver;
        receiver.server = std::make_unique<Fingo::FingoServer>(Address, 0, &Callbacks,
                                                               countingBackends(receiver.counter));
        receiver.server->resume();
        receiver.port = StateWaiter::waitForPort();
        return receiver;
    }
    static Receiver reference() {
        Receiver receiver;
        receiver.raw = std::make_unique<RawFrameReceiver>(receiver.counter);
        receiver.port = receiver.raw->start(Address);
        return receiver;
    }
};

// Frames per second, or a negative value when frames went missing.
double throughput(Receiver receiver, const std::vector<std::string>& frames) {
    std::string stream;
    for (const std::string& frame : frames)
        stream += frame;
    DeviceConnection device;
    if (receiver.port <= 0 || !device.connectTo(Address, receiver.port))
        return -1;
    const Clock::time_point start = Clock::now();
    constexpr std::size_t Piece = 65536;
    for (std::size_t at = 0; at < stream.size(); at += Piece) {
        if (!device.sendAll(stream.data() + at, std::min(Piece, stream.size() - at)))
            return -1;
    }
    Clock::time_point last;
    if (!receiver.counter->waitFor(frames.size(), WaitLimit, last))
        return -1;
    device.close();
    return static_cast<double>(frames.size()) / std::chrono::duration<double>(last - start).count();
}

// Microseconds per frame, appended to `latencies`; false when one went missing.
bool latency(Receiver receiver, const std::vector<std::string>& frames, int samples, int paceUs,
             std::vector<double>& latencies) {
    DeviceConnection device;
    if (receiver.port <= 0 || !device.connectTo(Address, receiver.port))
        return false;
    constexpr int WarmUp = 100;
    for (int i = 0; i < WarmUp + samples; ++i) {
        const std::string& frame = frames[static_cast<std::size_t>(i) % frames.size()];
        const Clock::time_point sent = Clock::now();
        if (!device.sendAll(frame.data(), frame.size()))
            return false;
        Clock::time_point injected;
        if (!receiver.counter->waitFor(static_cast<std::uint64_t>(i) + 1, WaitLimit, injected))
            return false;
        if (i >= WarmUp)
            latencies.push_back(std::chrono::duration<double, std::micro>(injected - sent).count());
        std::this_thread::sleep_for(std::chrono::microseconds(paceUs));
    }
    return true;
}

std::string percentiles(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto at = [&](double fraction) {
        const std::size_t rank = static_cast<std::size_t>(fraction * values.size());
        return values[std::min(values.size() - 1, rank > 0 ? rank - 1 : 0)];
    };
    char text[160];
    std::snprintf(text, sizeof text,
                  R"({"samples": %zu, "median": %.1f, "p99": %.1f, "max": %.1f})", values.size(),
                  at(0.5), at(0.99), values.back());
    return text;
}

std::string list(const std::vector<double>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%s%.0f", i > 0 ? ", " : "", values[i]);
        text += number;
    }
    return text + "]";
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (value <= 0 && std::strcmp(argv[i], "--pace-us") != 0)
            return false;
        if (std::strcmp(argv[i], "--frames") == 0)
            options.frames = value;
        else if (std::strcmp(argv[i], "--samples") == 0)
            options.samples = value;
        else if (std::strcmp(argv[i], "--rounds") == 0)
            options.rounds = value;
        else if (std::strcmp(argv[i], "--pace-us") == 0)
            options.paceUs = std::max(0, value);
        else
            return false;
    }
    return argc % 2 == 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: tavlo-bench-fingo [--frames N] [--samples N] [--rounds N] "
                             "[--pace-us N]\n");
        return 2;
    }
    const std::vector<std::string> frames = makeFrames(options.frames);
    std::size_t frameBytes = 0;
    for (const std::string& frame : frames)
        frameBytes += frame.size();

    std::vector<double> serverFps, referenceFps, serverLatency, referenceLatency;
    bool complete = true;
    // Server and reference take turns, so that both see the same load.
    for (int round = 0; round < options.rounds && complete; ++round) {
        serverFps.push_back(throughput(Receiver::fingoServer(), frames));
        referenceFps.push_back(throughput(Receiver::reference(), frames));
        complete = serverFps.back() > 0 && referenceFps.back() > 0 &&
                   latency(Receiver::fingoServer(), frames, options.samples / options.rounds,
                           options.paceUs, serverLatency) &&
                   latency(Receiver::reference(), frames, options.samples / options.rounds,
                           options.paceUs, referenceLatency);
    }
    if (!complete) {
        std::fprintf(stderr, "tavlo-bench-fingo: frames went missing\n");
        return 1;
    }
    std::printf("{\"frames\": %d, \"frame_bytes\": %.1f, \"server_fps\": %s, "
                "\"reference_fps\": %s,\n \"server_latency_us\": %s,\n "
                "\"reference_latency_us\": %s}\n",
                options.frames, static_cast<double>(frameBytes) / frames.size(),
                list(serverFps).c_str(), list(referenceFps).c_str(),
                percentiles(serverLatency).c_str(), percentiles(referenceLatency).c_str());
    return 0;
}
