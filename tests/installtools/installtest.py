"""Shared helpers of the installer tools' process-level tests."""
import os
import subprocess

import panelharness

DATA_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")
USAGE_INSTALL = "\nError : [WriteConfig]\n command X's_path mode screen_num serial_num\n"
USAGE_UNINSTALL = "\nError : [uninstall]\n command xpath\n"


def env():
    """The environment of a tool under test: no X, no driver stand-in."""
    result = {"PATH": os.environ.get("PATH", "/usr/sbin:/usr/bin:/sbin:/bin"), "LC_ALL": "C"}
    for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if key in os.environ:
            result[key] = os.environ[key]
    return result


def data(name):
    with open(os.path.join(DATA_DIR, name), "rb") as f:
        return f.read()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, content):
    with open(path, "wb") as f:
        f.write(content)


def install(*args, **kw):
    return subprocess.run([panelharness.program("panelinstall")] + [str(a) for a in args],
                          capture_output=True, text=True, env=env(), **kw)


def uninstall(*args, **kw):
    return subprocess.run([panelharness.program("paneluninstall")] + [str(a) for a in args],
                          capture_output=True, text=True, env=env(), **kw)


def default_section(screen=0, serial=1, usb=False, eol=b"\n"):
    """The default section as the golden file holds it, for another screen,
    port, kind or line end."""
    golden = data("XF86Config.serial-screen0-ttyS1").decode()
    start = golden.index('\nSection "InputDevice"\n   Identifier       "TAVIR')
    end = golden.index("EndSection\n", start) + len("EndSection\n")
    text = golden[start:end]
    text = text.replace('"TAVIR TouchPanel0"', f'"TAVIR TouchPanel{screen}"')
    text = text.replace('"ScreenNo"          "0"', f'"ScreenNo"          "{screen}"')
    device = "/dev/input/event*" if usb else f"/dev/ttyS{serial}"
    return text.replace('"/dev/ttyS1"', f'"{device}"').encode().replace(b"\n", eol)


def layout_line(screen, eol=b"\n"):
    return f'        InputDevice    "TAVIR TouchPanel{screen}"\nEndSection\n'.encode().replace(b"\n", eol)


def line_end(text):
    """The line end the tools write into text: that of its first line that is
    not blank and has one, LF when there is none."""
    for line in text.splitlines(keepends=True):
        if not line.endswith(b"\n"):
            break
        if line.strip(b" \t\r\n"):
            return b"\r\n" if line.endswith(b"\r\n") else b"\n"
    return b"\n"


def no_layout_warning(path, screen=0):
    device = f'"TAVIR TouchPanel{screen}"'
    return (f"\nWarning : [WriteConf4]\n No ServerLayout section in \"{path}\": the X server will "
            f"not use {device} until a ServerLayout section names it (InputDevice {device}).\n")


def leftovers(directory, keep):
    """Names in directory other than those expected (temporary files)."""
    return sorted(set(os.listdir(directory)) - set(keep))
