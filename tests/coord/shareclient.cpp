// Preloaded into a test process to list folders as the client of a network
// share does. A Windows SMB client without directory leases answers a
// listing from its directory cache for up to ten seconds, and an NFS client
// keeps a folder's attributes, and with them its listing, for acdirmin to
// acdirmax seconds: a lock file made meanwhile on another workstation is not
// in the listing. Names opened directly, and their byte-range locks, still
// go to the server.
//
//   SB_LIST_CACHE_SECONDS=N   a folder listed again within N seconds of the
//                             listing that filled the copy gets that copy
//   SB_LIST_FAIL=<folder>     every listing of that folder fails with EIO,
//                             as on a share whose connection drops
//
// Folders are told apart by device and inode, whatever path named them.

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

// On LP64 glibc both record types share one layout, so one copy serves both calls.
static_assert(sizeof(dirent) == sizeof(dirent64) && offsetof(dirent, d_name) == offsetof(dirent64, d_name));

template <typename F>
F real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

using OpendirFn = DIR* (*)(const char*);
using FdopendirFn = DIR* (*)(int);
using ReaddirFn = dirent* (*)(DIR*);
using Readdir64Fn = dirent64* (*)(DIR*);
using ClosedirFn = int (*)(DIR*);
using ClockFn = int (*)(clockid_t, timespec*);

struct Entry
{
    ino64_t ino;
    unsigned char type;
    std::string name;
};

using FolderId = std::pair<dev_t, ino_t>;

struct Copy
{
    double takenAt = 0;
    std::shared_ptr<const std::vector<Entry>> entries;
};

// One open listing answered by the shim: from a copy, or failing.
struct Listing
{
    bool fails = false;
    std::shared_ptr<const std::vector<Entry>> entries;
    size_t next = 0;
    dirent64 record {};
};

struct State
{
    std::mutex mutex;
    std::map<FolderId, Copy> copies;
    std::map<DIR*, Listing> listings;
};

// Made at first use and never destroyed: another library may list a folder
// before this library's globals are constructed, or after they would be gone.
State& state()
{
    static State* s = new State;
    return *s;
}

double cacheSeconds()
{
    const char* s = std::getenv("SB_LIST_CACHE_SECONDS");
    return s ? std::atof(s) : 0;
}

const char* failingFolder()
{
    const char* s = std::getenv("SB_LIST_FAIL");
    return s && *s ? s : nullptr;
}

double monotonicSeconds()
{
    static const ClockFn clock = real<ClockFn>("clock_gettime");
    timespec ts {};
    clock(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

std::vector<Entry> readAll(DIR* dir)
{
    static const Readdir64Fn next = real<Readdir64Fn>("readdir64");
    std::vector<Entry> entries;
    while (const dirent64* e = next(dir))
        entries.push_back({e->d_ino, e->d_type, e->d_name});
    return entries;
}

// Decides at the open how the listing of `dir` is answered.
DIR* adopt(DIR* dir)
{
    if (!dir)
        return dir;
    const double seconds = cacheSeconds();
    const char* failing = failingFolder();
    if (seconds <= 0 && !failing)
        return dir;
    const int saved = errno;
    struct stat st {};
    if (fstat(dirfd(dir), &st) != 0) {
        errno = saved;
        return dir;
    }
    const FolderId id {st.st_dev, st.st_ino};
    struct stat bad {};
    const bool fails = failing && stat(failing, &bad) == 0 && FolderId {bad.st_dev, bad.st_ino} == id;
    if (fails || seconds > 0) {
        State& s = state();
        std::lock_guard<std::mutex> hold(s.mutex);
        Listing& listing = s.listings[dir];
        listing = Listing {};
        listing.fails = fails;
        if (!fails) {
            const double now = monotonicSeconds();
            auto it = s.copies.find(id);
            if (it == s.copies.end() || now - it->second.takenAt > seconds) {
                auto entries = std::make_shared<const std::vector<Entry>>(readAll(dir));
                it = s.copies.insert_or_assign(id, Copy {now, std::move(entries)}).first;
            }
            listing.entries = it->second.entries;
        }
    }
    errno = saved;
    return dir;
}

enum class Answer { Real, Record, End };

// The next record of a listing the shim answers, into its own buffer.
Answer nextRecord(DIR* dir, dirent64*& out)
{
    State& s = state();
    std::lock_guard<std::mutex> hold(s.mutex);
    const auto it = s.listings.find(dir);
    if (it == s.listings.end())
        return Answer::Real;
    Listing& l = it->second;
    if (l.fails) {
        errno = EIO;
        return Answer::End;
    }
    if (l.next >= l.entries->size())
        return Answer::End;   // errno untouched: a complete listing
    const Entry& e = (*l.entries)[l.next++];
    l.record = dirent64 {};
    l.record.d_ino = e.ino;
    l.record.d_off = off64_t(l.next);
    l.record.d_reclen = sizeof(dirent64);
    l.record.d_type = e.type;
    std::strncpy(l.record.d_name, e.name.c_str(), sizeof l.record.d_name - 1);
    out = &l.record;
    return Answer::Record;
}

} // namespace

extern "C" {

DIR* opendir(const char* name)
{
    static const OpendirFn open = real<OpendirFn>("opendir");
    return adopt(open(name));
}

DIR* fdopendir(int fd)
{
    static const FdopendirFn open = real<FdopendirFn>("fdopendir");
    return adopt(open(fd));
}

dirent64* readdir64(DIR* dir)
{
    static const Readdir64Fn next = real<Readdir64Fn>("readdir64");
    dirent64* record = nullptr;
    switch (nextRecord(dir, record)) {
    case Answer::Real:
        return next(dir);
    case Answer::Record:
        return record;
    case Answer::End:
        break;
    }
    return nullptr;
}

dirent* readdir(DIR* dir)
{
    static const ReaddirFn next = real<ReaddirFn>("readdir");
    dirent64* record = nullptr;
    switch (nextRecord(dir, record)) {
    case Answer::Real:
        return next(dir);
    case Answer::Record:
        return reinterpret_cast<dirent*>(record);
    case Answer::End:
        break;
    }
    return nullptr;
}

int closedir(DIR* dir)
{
    static const ClosedirFn close = real<ClosedirFn>("closedir");
    {
        State& s = state();
        std::lock_guard<std::mutex> hold(s.mutex);
        s.listings.erase(dir);
    }
    return close(dir);
}

} // extern "C"
