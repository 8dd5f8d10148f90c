// Preloaded into a test process to move its wall clock SB_CLOCK_AHEAD
// seconds ahead, as on a workstation whose clock runs fast. File stamps the
// kernel gives are untouched, as the file server's would be.

#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <sys/time.h>

namespace {

long secondsAhead()
{
    const char* ahead = std::getenv("SB_CLOCK_AHEAD");
    return ahead ? std::atol(ahead) : 0;
}

bool isWallClock(clockid_t id)
{
    return id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE;
}

} // namespace

extern "C" {

int clock_gettime(clockid_t id, struct timespec* ts)
{
    using Real = int (*)(clockid_t, struct timespec*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "clock_gettime"));
    const int r = real(id, ts);
    if (r == 0 && isWallClock(id))
        ts->tv_sec += secondsAhead();
    return r;
}

int gettimeofday(struct timeval* tv, void*)
{
    struct timespec ts {};
    const int r = clock_gettime(CLOCK_REALTIME, &ts);
    if (r == 0 && tv) {
        tv->tv_sec = ts.tv_sec;
        tv->tv_usec = ts.tv_nsec / 1000;
    }
    return r;
}

time_t time(time_t* out)
{
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    if (out)
        *out = ts.tv_sec;
    return ts.tv_sec;
}

} // extern "C"
