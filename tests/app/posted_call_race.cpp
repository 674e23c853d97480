// A small program for the ThreadSanitizer build with one value that a thread
// hands to the window thread through a posted call.
//
//   posted_call_race ordered   the value is written before the post: no report
//   posted_call_race racy      the value is written again after the post, while
//                              the posted call may be reading it: a data race
//
// The first shows that the post itself is a hand-off the sanitizer sees; the
// second, that a race of ours inside a posted call is reported, not hidden.
//
// The window thread takes the call without waiting in its event loop: a wait
// there would be woken through a file descriptor, which the sanitizer sees as
// a hand-off of its own and which a busy window thread does not always get.

#include <atomic>
#include <cstdio>
#include <string_view>
#include <thread>

#include <QCoreApplication>
#include <QObject>

#include "app/common/window_thread.h"

namespace {

// Deliberately neither atomic nor guarded: the sanitizer is the judge.
int g_value = 0;

void ReadValueOnWindowThread() { std::printf("read %d\n", g_value); }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool racy = argc > 1 && std::string_view(argv[1]) == "racy";
    QObject window;
    // Relaxed: tells the window thread that the call is queued without
    // ordering anything for the sanitizer.
    std::atomic<bool> posted{false};
    std::thread poster([&window, &posted, racy] {
        g_value = 1;
        parcelo::PostToWindowThread(&window, [] { ReadValueOnWindowThread(); });
        if (racy) g_value = 2;
        posted.store(true, std::memory_order_relaxed);
    });
    while (!posted.load(std::memory_order_relaxed)) std::this_thread::yield();
    QCoreApplication::sendPostedEvents(&window);
    poster.join();
    return 0;
}
