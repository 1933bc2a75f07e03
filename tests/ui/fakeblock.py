"""A minimal driver block for window tests: creates segment 1234 (3088
bytes, mode 0666) with a driver version, prints "ready", and removes the
segment on SIGTERM/SIGINT. Run it inside the sandbox (private IPC).

    python3 fakeblock.py [MAJOR MINOR BUILD]
"""
import ctypes
import signal
import sys

IPC_CREAT, IPC_RMID = 0o1000, 0
KEY, SIZE = 1234, 3088


def main():
    major, minor, build = (int(v) for v in (sys.argv[1:4] or ("2", "7", "31")))
    libc = ctypes.CDLL(None, use_errno=True)
    libc.shmat.restype = ctypes.c_void_p
    libc.shmat.argtypes = [ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
    shmid = libc.shmget(KEY, SIZE, IPC_CREAT | 0o666)
    if shmid < 0:
        sys.exit(f"shmget: errno {ctypes.get_errno()}")
    base = libc.shmat(shmid, None, 0)
    ctypes.c_uint8.from_address(base + 44).value = major
    ctypes.c_uint8.from_address(base + 45).value = minor
    ctypes.c_uint16.from_address(base + 48).value = build

    def stop(*_):
        libc.shmctl(shmid, IPC_RMID, None)
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print("ready", flush=True)
    while True:
        signal.pause()


if __name__ == "__main__":
    main()
