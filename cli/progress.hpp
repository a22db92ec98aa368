// Progress on stderr for work that takes longer than about a second, shown only when
// stderr is a terminal and --quiet is not given: the share of the file read, then the
// time spent computing. The line is cleared when the work is done.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace sheetstat::host {

class Progress {
public:
    explicit Progress(bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Reading a file: share read, 0..1 (a callback for CsvTable::Read).
    static void OnRead(double share, void* self);
    // Computing `what` until Done(): a ticker shows the elapsed time.
    void Computing(const std::string& what);
    void Done();

private:
    void Show(const std::string& text);

    bool enabled_;
    std::chrono::steady_clock::time_point start_;
    bool shown_ = false;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread ticker_;
};

}  // namespace sheetstat::host
