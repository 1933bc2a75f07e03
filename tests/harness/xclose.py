"""Closing a program's windows the way a window manager would: a
WM_DELETE_WINDOW message to every mapped top-level window that has a title.
Xvfb has no window manager, so process-level tests use this to answer
message dialogs and to close the main window."""
import ctypes
import ctypes.util
import time

_x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XInternAtom.restype = ctypes.c_ulong
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                            ctypes.POINTER(ctypes.c_ulong),
                            ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                            ctypes.POINTER(ctypes.c_uint)]
_x11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
_x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
_x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

# A window may vanish between listing it and asking about it (a program
# that is ending). Xlib's default handler would then end this process; the
# calls report failure instead and the window is skipped.
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


@_ERROR_HANDLER
def _ignore_x_error(_display, _event):
    return 0


_x11.XSetErrorHandler.restype = ctypes.c_void_p
_x11.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
_x11.XSetErrorHandler(_ignore_x_error)

_CLIENT_MESSAGE = 33
_IS_VIEWABLE = 2
_MAP_STATE_OFFSET = 92  # in XWindowAttributes on LP64


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_char * 96)]


def _titled_windows(display, root):
    parent, root_out = ctypes.c_ulong(), ctypes.c_ulong()
    children = ctypes.POINTER(ctypes.c_ulong)()
    count = ctypes.c_uint()
    if not _x11.XQueryTree(display, root, ctypes.byref(root_out), ctypes.byref(parent),
                           ctypes.byref(children), ctypes.byref(count)):
        return []
    found = []
    attributes = ctypes.create_string_buffer(256)
    for i in range(count.value):
        window = children[i]
        if not _x11.XGetWindowAttributes(display, window, attributes):
            continue
        map_state = int.from_bytes(attributes.raw[_MAP_STATE_OFFSET:_MAP_STATE_OFFSET + 4],
                                   "little")
        if map_state != _IS_VIEWABLE:
            continue
        name = ctypes.c_char_p()
        if _x11.XFetchName(display, window, ctypes.byref(name)) and name.value:
            found.append((window, name.value.decode("utf-8", "replace")))
            _x11.XFree(name)
    if children:
        _x11.XFree(children)
    return found


def titles(display_name):
    """Titles of the mapped top-level windows, topmost last."""
    display = _x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    try:
        return [name for _, name in _titled_windows(display, _x11.XDefaultRootWindow(display))]
    finally:
        _x11.XCloseDisplay(display)


def close_topmost(display_name):
    """Sends WM_DELETE_WINDOW to the topmost titled window; returns its
    title or None when there is none."""
    display = _x11.XOpenDisplay(display_name.encode())
    if not display:
        raise RuntimeError(f"cannot open display {display_name}")
    try:
        windows = _titled_windows(display, _x11.XDefaultRootWindow(display))
        if not windows:
            return None
        window, name = windows[-1]
        event = _ClientMessage()
        event.type = _CLIENT_MESSAGE
        event.window = window
        event.message_type = _x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.format = 32
        event.data[0] = _x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.data[1] = 0  # CurrentTime
        _x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        _x11.XSync(display, 0)
        return name
    finally:
        _x11.XCloseDisplay(display)


def close_until_exit(process, display_name, timeout=60, stable=1.0, poll=0.1):
    """Closes the topmost window, again and again, until process ends. A
    window is closed only once the set of windows has not changed for
    `stable` seconds, so a message that a program shows right after its
    main window is answered first. Returns the titles closed, in order."""
    closed = []
    deadline = time.time() + timeout
    last, since = None, time.time()
    while process.poll() is None and time.time() < deadline:
        time.sleep(poll)
        try:
            now = titles(display_name)
        except RuntimeError:
            continue
        if now != last:
            last, since = now, time.time()
            continue
        if now and time.time() - since >= stable:
            name = close_topmost(display_name)
            if name is not None:
                closed.append(name)
            last, since = None, time.time()
    return closed
