#include "driverlink/commport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

struct SpeedEntry {
    const char* text;
    int baudRate;
    speed_t speed;
};

// "9600bps" is not listed: it is what every unknown text gets as well.
constexpr SpeedEntry kSpeeds[] = {
    {"1200bps", 1200, B1200},
    {"2400bps", 2400, B2400},
    {"4800bps", 4800, B4800},
    {"19200bps", 19200, B19200},
};
constexpr int kFallbackBaud = 9600;

int ReadOneByte(void* context, unsigned char* byte) {
    const int fd = *static_cast<const int*>(context);
    ssize_t got;
    do {
        got = read(fd, byte, 1);
    } while (got == -1 && errno == EINTR);
    return got == 1 ? 1 : got == 0 ? 0 : -1;
}

}  // namespace

std::string CommDevicePath(const char* portText) {
    constexpr size_t kDeviceOffset = 5;  // after "COMn("
    if (portText == nullptr || strlen(portText) < kDeviceOffset) {
        return "";
    }
    return std::string(portText + kDeviceOffset).substr(0, kCommDevicePathLength);
}

int CommBaudRate(const char* speedText) {
    if (speedText != nullptr) {
        for (const SpeedEntry& entry : kSpeeds) {
            if (strcmp(speedText, entry.text) == 0) {
                return entry.baudRate;
            }
        }
    }
    return kFallbackBaud;
}

speed_t CommSpeed(int baudRate) {
    for (const SpeedEntry& entry : kSpeeds) {
        if (entry.baudRate == baudRate) {
            return entry.speed;
        }
    }
    return B9600;
}

int OpenCommPort(const char* path, int baudRate) {
    // Non-blocking: opening a modem line without carrier would otherwise wait
    // for it, and a write into a line held by flow control would hang the
    // window. The reads are meant to return at once anyway.
    const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        return -1;
    }
    termios attributes;
    if (tcgetattr(fd, &attributes) != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    // Another program may have left the port in canonical mode with echo
    // and CR-to-NL translation; the poll needs every byte, carriage returns
    // untouched, as soon as it arrives.
    cfmakeraw(&attributes);
    attributes.c_cflag |= CLOCAL | CREAD;
    attributes.c_cc[VMIN] = 0;
    attributes.c_cc[VTIME] = 0;
    const speed_t speed = CommSpeed(baudRate);
    if (cfsetispeed(&attributes, speed) != 0 || cfsetospeed(&attributes, speed) != 0 ||
        tcsetattr(fd, TCSANOW, &attributes) != 0) {
        const int saved = errno;
        close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

size_t ReadCommLine(int fd, CommLine* line) { return CollectCommLine(line, ReadOneByte, &fd); }

void SendCommText(int fd, const char* text) {
    const std::string command = CommCommand(text);
    ssize_t written = write(fd, command.data(), command.size());
    (void)written;
}
