#include "progress.hpp"

#include <cstdio>
#include <fmt/format.h>
#include <unistd.h>

namespace sheetstat::host {
namespace {
constexpr auto kDelay = std::chrono::seconds(1);
}

Progress::Progress(bool quiet)
    : enabled_(!quiet && isatty(STDERR_FILENO) == 1), start_(std::chrono::steady_clock::now())
{
}

Progress::~Progress() { Done(); }

void Progress::Show(const std::string& text)
{
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void Progress::OnRead(double share, void* self)
{
    auto* progress = static_cast<Progress*>(self);
    if (!progress->enabled_ || std::chrono::steady_clock::now() - progress->start_ < kDelay) return;
    const std::lock_guard lock(progress->mutex_);
    progress->Show(fmt::format("reading: {:.0f}%", 100 * share));
}

void Progress::Computing(const std::string& what)
{
    if (!enabled_) return;
    const auto begun = std::chrono::steady_clock::now();
    ticker_ = std::jthread([this, what, begun](std::stop_token stop) {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, stop, std::chrono::milliseconds(250), [] { return false; })) {
            if (stop.stop_requested()) return;
            const auto elapsed = std::chrono::steady_clock::now() - begun;
            if (elapsed >= kDelay)
                Show(fmt::format("{}: computing, {:.0f} s", what, std::chrono::duration<double>(elapsed).count()));
        }
    });
}

void Progress::Done()
{
    if (ticker_.joinable()) {
        ticker_.request_stop();
        ticker_.join();
    }
    if (shown_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        shown_ = false;
    }
}

}  // namespace sheetstat::host
