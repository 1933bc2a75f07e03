// Serial controller stand-in: a pseudo-terminal whose far end behaves like
// a touch-panel controller on a serial line. Its slave side is made
// reachable at a device path (a symbolic link such as /dev/ttyS1), every
// carriage-return-terminated command is answered with a reply line ending
// in a carriage return, and each command is printed with the line speed the
// near end has set.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "replyrule.h"
#include "signalpipe.h"

namespace {

// A command longer than this without a carriage return is dropped.
constexpr size_t kMaxCommand = 4096;
// Replies waiting for the near end to read them; beyond this they are lost.
constexpr size_t kMaxPending = 8 * 1024 * 1024;

const char kUsage[] =
    "usage: serialsim --link PATH [--replace] [--mode reply|flood|nul|silent] [--cooked]\n";

long BaudOf(speed_t s) {
    switch (s) {
        case B0:
            return 0;
        case B50:
            return 50;
        case B75:
            return 75;
        case B110:
            return 110;
        case B134:
            return 134;
        case B150:
            return 150;
        case B200:
            return 200;
        case B300:
            return 300;
        case B600:
            return 600;
        case B1200:
            return 1200;
        case B1800:
            return 1800;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            return -1;
    }
}

long LineSpeed(int fd) {
    termios t;
    if (tcgetattr(fd, &t) != 0) {
        return -1;
    }
    return BaudOf(cfgetospeed(&t));
}

struct Args {
    std::string link;
    bool replace = false;
    bool cooked = false;
    ReplyMode mode = ReplyMode::kReply;
};

bool ParseArgs(int argc, char** argv, Args* a) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--link" && i + 1 < argc) {
            a->link = argv[++i];
        } else if (arg == "--replace") {
            a->replace = true;
        } else if (arg == "--cooked") {
            a->cooked = true;
        } else if (arg == "--mode" && i + 1 < argc) {
            std::string m = argv[++i];
            if (m == "reply")
                a->mode = ReplyMode::kReply;
            else if (m == "flood")
                a->mode = ReplyMode::kFlood;
            else if (m == "nul")
                a->mode = ReplyMode::kNul;
            else if (m == "silent")
                a->mode = ReplyMode::kSilent;
            else
                return false;
        } else {
            return false;
        }
    }
    return !a->link.empty();
}

const char* ModeName(ReplyMode m) {
    switch (m) {
        case ReplyMode::kReply:
            return "reply";
        case ReplyMode::kFlood:
            return "flood";
        case ReplyMode::kNul:
            return "nul";
        case ReplyMode::kSilent:
            return "silent";
    }
    return "?";
}

// Puts the link in place: a symbolic link at `path` to the slave.
bool MakeLink(const Args& a, const std::string& slave) {
    struct stat st;
    if (lstat(a.link.c_str(), &st) == 0) {
        if (!a.replace) {
            fprintf(stderr, "serialsim: %s exists; --replace puts the link in its place\n",
                    a.link.c_str());
            return false;
        }
        if (S_ISDIR(st.st_mode) || unlink(a.link.c_str()) != 0) {
            fprintf(stderr, "serialsim: cannot replace %s\n", a.link.c_str());
            return false;
        }
    }
    if (symlink(slave.c_str(), a.link.c_str()) != 0) {
        fprintf(stderr, "serialsim: symlink %s: %s\n", a.link.c_str(), strerror(errno));
        return false;
    }
    return true;
}

// Removes the link only while it still points at our pseudo-terminal.
void RemoveLink(const std::string& path, const std::string& slave) {
    char target[PATH_MAX];
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    if (n > 0) {
        target[n] = '\0';
        if (slave == target) {
            unlink(path.c_str());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    Args args;
    if (!ParseArgs(argc, argv, &args)) {
        fputs(kUsage, stderr);
        return 2;
    }
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        perror("serialsim: pseudo-terminal");
        return 1;
    }
    std::string slaveName = ptsname(master);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    // Holding the slave open keeps the master readable between the near
    // end's open and close, and lets us read the line settings.
    int slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        perror("serialsim: open slave");
        return 1;
    }
    termios t;
    tcgetattr(slave, &t);
    if (!args.cooked) {
        // A serial port carries bytes untouched; a fresh pseudo-terminal
        // would echo, translate the carriage return and buffer lines.
        cfmakeraw(&t);
    }
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(slave, TCSANOW, &t);

    if (!MakeLink(args, slaveName)) {
        return 1;
    }
    if (!InstallSignalPipe({SIGINT, SIGTERM, SIGHUP})) {
        perror("serialsim: pipe");
        RemoveLink(args.link, slaveName);
        return 1;
    }

    long speed = LineSpeed(slave);
    printf("ready link=%s pty=%s mode=%s speed=%ld%s\n", args.link.c_str(), slaveName.c_str(),
           ModeName(args.mode), speed, args.cooked ? " cooked=1" : "");

    std::string command, raw, pending;
    int exitSignal = 0;
    while (exitSignal == 0) {
        pollfd fds[2] = {{SignalPipeReadEnd(), POLLIN, 0},
                         {master, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0}};
        poll(fds, 2, 50);
        if (fds[0].revents & POLLIN) {
            unsigned char s = 0;
            if (read(SignalPipeReadEnd(), &s, 1) == 1) {
                exitSignal = s;
            }
        }
        long now = LineSpeed(slave);
        if (now != speed) {
            speed = now;
            printf("speed %ld\n", speed);
        }
        if (fds[1].revents & POLLIN) {
            char buffer[4096];
            ssize_t n = read(master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                char c = buffer[i];
                raw += c;
                if (c == '\r') {
                    printf("command \"%s\" hex=%s speed=%ld\n", Escape(command, 200).c_str(),
                           Hex(raw).c_str(), speed);
                    std::string reply = ReplyFor(command, args.mode, speed);
                    if (pending.size() + reply.size() > kMaxPending) {
                        printf("reply dropped bytes=%zu\n", reply.size());
                    } else if (!reply.empty()) {
                        printf("reply \"%s\" bytes=%zu\n", Escape(reply).c_str(), reply.size());
                        pending += reply;
                    }
                    command.clear();
                    raw.clear();
                } else if (c != '\n') {
                    command += c;
                }
                if (raw.size() >= kMaxCommand) {
                    printf("overlong bytes=%zu dropped\n", raw.size());
                    command.clear();
                    raw.clear();
                }
            }
        }
        if (!pending.empty()) {
            ssize_t n = write(master, pending.data(), pending.size());
            if (n > 0) {
                pending.erase(0, static_cast<size_t>(n));
            }
        }
    }
    RemoveLink(args.link, slaveName);
    close(slave);
    close(master);
    printf("exit signal=%d\n", exitSignal);
    return 0;
}
