// The serial port of the communication test, without the toolkit: which
// device a port entry names, which line speed a speed entry means, opening
// and setting the port up, taking one received line and sending one command.
#ifndef PANELCONF_DRIVERLINK_COMMPORT_H
#define PANELCONF_DRIVERLINK_COMMPORT_H

#include <termios.h>

#include <cstddef>
#include <string>

#include "driverlink/commlines.h"

// Device paths are at most this long ("/dev/ttyS0").
constexpr size_t kCommDevicePathLength = 10;

// The device a port entry such as "COM2(/dev/ttyS1)" names: the text from its
// sixth character on, cut to ten characters. Empty for a shorter text.
std::string CommDevicePath(const char* portText);

// Line speed of a speed entry: "1200bps", "2400bps", "4800bps" and
// "19200bps" give their own; any other text, none included, 9600 baud.
int CommBaudRate(const char* speedText);
speed_t CommSpeed(int baudRate);

// Opens the device for the test and sets it up: raw (no echo, no line
// editing, no signals, no CR/NL translation, 8 bits), reads returning at once
// with what has arrived (VMIN 0, VTIME 0), the given speed both ways, applied
// at once. The descriptor is close-on-exec, never becomes the controlling
// terminal and never blocks. Returns it, or -1 with errno set when the
// device cannot be opened or is not a terminal that takes these settings.
int OpenCommPort(const char* path, int baudRate);

// Takes at most one line from the port (CollectCommLine over the
// descriptor): never waits, reads no more than one line's worth.
size_t ReadCommLine(int fd, CommLine* line);

// Writes the typed text and a carriage return in one write; the result is
// not looked at, the window goes on either way.
void SendCommText(int fd, const char* text);

#endif
