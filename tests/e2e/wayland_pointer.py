"""A virtual pointer on a Wayland compositor (wlr virtual-pointer protocol), held until stdin closes.

A headless sway has no input devices, so its seat offers clients no pointer and its own
`seat - cursor` commands reach nobody; with this device plugged in, they do. Prints "ready" once
the compositor has the device. Standard library only: the few requests are written by hand."""

import os
import socket
import struct
import sys


def string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


def main():
    path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"])
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.connect(path)

    def send(obj, opcode, payload=b""):
        sock.sendall(struct.pack("<II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def roundtrip(callback):
        send(1, 0, struct.pack("<I", callback))   # wl_display.sync
        events, data = [], b""
        while True:
            data += sock.recv(65536)
            while len(data) >= 8:
                obj, size_op = struct.unpack_from("<II", data)
                if len(data) < size_op >> 16:
                    break
                events.append((obj, size_op & 0xFFFF, data[8:size_op >> 16]))
                data = data[size_op >> 16:]
                if obj == callback:
                    return events

    send(1, 1, struct.pack("<I", 2))   # wl_display.get_registry -> 2
    manager = None
    for obj, opcode, body in roundtrip(3):
        if obj == 2 and opcode == 0:   # wl_registry.global
            name, length = struct.unpack_from("<II", body)
            if body[8:8 + length - 1] == b"zwlr_virtual_pointer_manager_v1":
                manager = name
    if manager is None:
        sys.exit("the compositor offers no virtual pointer")
    send(2, 0, struct.pack("<I", manager) + string("zwlr_virtual_pointer_manager_v1") + struct.pack("<II", 1, 4))
    send(4, 0, struct.pack("<II", 0, 5))   # create_virtual_pointer(default seat) -> 5
    roundtrip(6)
    print("ready", flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
