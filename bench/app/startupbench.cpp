// Times a program from its start to its first painted window: it watches
// the X root window for a new top-level window, then polls one pixel of it
// until it is no longer the unpainted black of a fresh window.
//
//   startupbench RUNS LABEL:PROGRAM [LABEL:PROGRAM ...]
//
// Runs the programs in turn (interleaved, so load on the machine hits both
// alike) and prints each one's median in milliseconds, and the median of its
// resident memory at that moment, and its peak resident memory up to a
// second later (what the start took, the first activation included).
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool painted(xcb_connection_t* c, xcb_window_t w)
{
    auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, 5, 5, 1, 1, ~0u);
    xcb_get_image_reply_t* reply = xcb_get_image_reply(c, cookie, nullptr);
    if (!reply)
        return false;
    const uint8_t* data = xcb_get_image_data(reply);
    const int len = xcb_get_image_data_length(reply);
    bool nonBlack = false;
    for (int i = 0; i < len && i < 3; ++i)
        nonBlack |= data[i] != 0;
    free(reply);
    return nonBlack;
}

// VmRSS (or another field such as VmHWM) of a process in MB; -1 when it
// cannot be read.
double residentMB(pid_t pid, const std::string& field = "VmRSS:")
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + field.size()) / 1024.0;
    }
    return -1;
}

struct Sample
{
    double ms = -1;
    double rssMB = -1;
    double peakMB = -1;
};

Sample runOnce(xcb_connection_t* c, xcb_window_t root, const std::string& program)
{
    // Drain old events.
    while (xcb_generic_event_t* e = xcb_poll_for_event(c))
        free(e);
    const auto start = Clock::now();
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const std::string dir = program.substr(0, program.rfind('/'));
    if (chdir(dir.c_str()) != 0 || posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::perror("spawn");
        std::exit(2);
    }
    xcb_window_t window = 0;
    Sample sample;
    const auto deadline = start + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
        if (!window) {
            xcb_generic_event_t* e = xcb_poll_for_event(c);
            if (!e) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (!m->override_redirect)
                    window = m->window;
            }
            free(e);
            continue;
        }
        if (painted(c, window)) {
            sample.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            sample.rssMB = residentMB(pid);
            std::this_thread::sleep_for(std::chrono::seconds(1));
            sample.peakMB = residentMB(pid, "VmHWM:");
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    (void)root;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return sample;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// The value a quarter (or three quarters) of the way up: a start that helps
// in some runs only shows as a wide spread, not in the median alone.
double quartile(std::vector<double> v, int which)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() * which / 4];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS LABEL:PROGRAM...\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    std::vector<std::string> labels, programs;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const auto colon = a.find(':');
        labels.push_back(a.substr(0, colon));
        programs.push_back(a.substr(colon + 1));
    }
    std::vector<std::vector<double>> times(programs.size()), rss(programs.size()), peak(programs.size());
    for (size_t p = 0; p < programs.size(); ++p)
        runOnce(c, root, programs[p]);   // warm the file cache
    for (int r = 0; r < runs; ++r)
        for (size_t p = 0; p < programs.size(); ++p) {
            const Sample s = runOnce(c, root, programs[p]);
            times[p].push_back(s.ms);
            rss[p].push_back(s.rssMB);
            peak[p].push_back(s.peakMB);
        }
    for (size_t p = 0; p < programs.size(); ++p)
        std::printf("%-24s median %8.1f ms (quartiles %.1f-%.1f) %8.2f MB resident %8.2f MB peak over %d runs\n",
                    labels[p].c_str(), median(times[p]), quartile(times[p], 1), quartile(times[p], 3), median(rss[p]),
                    median(peak[p]), runs);
    // The first program against each of the others: time and resident memory.
    for (size_t p = 1; p < programs.size(); ++p)
        std::printf("%-24s %8.3f    %8.3f\n", ("ratio to " + labels[p]).c_str(), median(times[0]) / median(times[p]),
                    median(rss[0]) / median(rss[p]));
    xcb_disconnect(c);
    return 0;
}
