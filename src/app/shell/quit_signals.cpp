#include "app/shell/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <QSocketNotifier>

namespace parcelo {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};

extern "C" void OnQuitSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &number, 1);
    errno = saved;
}

void Handle(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

CQuitSignals::CQuitSignals(QObject* parent) : QObject(parent) {
    if (g_pipe[0] >= 0 || pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_pNotifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CQuitSignals::ReadSignals);
    Handle(OnQuitSignal);
}

CQuitSignals::~CQuitSignals() {
    if (!IsInstalled()) return;
    Handle(SIG_DFL);
    delete m_pNotifier;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CQuitSignals::ReadSignals() {
    unsigned char number = 0;
    while (read(g_pipe[0], &number, 1) == 1) emit QuitRequested(number);
}

}  // namespace parcelo
