#pragma once

#include <thread>

// The first text the board lays out makes Qt read the system's font
// configuration, the largest single cost of a start. Where that is
// fontconfig, it is read here on a second thread while the application
// connects to the display; wait() before the first window. Elsewhere
// (Windows) there is nothing to read ahead and this does nothing.
class FontReadAhead
{
public:
    FontReadAhead();
    ~FontReadAhead();
    FontReadAhead(const FontReadAhead&) = delete;
    FontReadAhead& operator=(const FontReadAhead&) = delete;

    // Returns once the configuration is read (at once when nothing was
    // started). Text laid out before this is still right, only its cost is
    // paid twice.
    void wait();

private:
    std::thread m_thread;
};
