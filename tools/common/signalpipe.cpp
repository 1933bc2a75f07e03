#include "signalpipe.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int signo) {
    int saved = errno;
    unsigned char byte = static_cast<unsigned char>(signo);
    ssize_t ignored = write(gSignalPipe[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

}  // namespace

bool InstallSignalPipe(std::initializer_list<int> signals) {
    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signo : signals) {
        sigaction(signo, &action, nullptr);
    }
    signal(SIGPIPE, SIG_IGN);
    return true;
}

int SignalPipeReadEnd() { return gSignalPipe[0]; }
