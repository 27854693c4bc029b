#!/usr/bin/env python3
"""Asks the Wayland compositor for an xdg-activation token, as a launcher does for the program it
starts, and prints it. Speaks the wire protocol itself: the tests need nothing beyond Python.

    wl_activation_token.py [APP_ID]

Exits 1 with a message when the compositor has no xdg_activation_v1 or refuses the token.
"""
import os
import socket
import struct
import sys

DISPLAY, REGISTRY, SYNC, ACTIVATION, TOKEN = 1, 2, 3, 4, 5


def string(text):
    data = text.encode() + b"\0"
    return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)


def request(sock, obj, opcode, payload=b""):
    sock.sendall(struct.pack("<II", obj, (8 + len(payload)) << 16 | opcode) + payload)


def events(sock):
    buf = b""
    while True:
        while len(buf) >= 8:
            obj, word = struct.unpack_from("<II", buf)
            size = word >> 16
            if len(buf) < size:
                break
            yield obj, word & 0xFFFF, buf[8:size]
            buf = buf[size:]
        chunk = sock.recv(4096)
        if not chunk:
            raise SystemExit("the compositor closed the connection")
        buf += chunk


def read_string(payload, at):
    (length,) = struct.unpack_from("<I", payload, at)
    text = payload[at + 4:at + 4 + length - 1].decode()
    return text, at + 4 + length + (-length % 4)


def main():
    app_id = sys.argv[1] if len(sys.argv) > 1 else ""
    path = os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0"))
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.settimeout(30)
    sock.connect(path)
    request(sock, DISPLAY, 1, struct.pack("<I", REGISTRY))  # get_registry
    request(sock, DISPLAY, 0, struct.pack("<I", SYNC))  # sync: the globals come before its done
    stream = events(sock)
    activation = None
    for obj, opcode, payload in stream:
        if obj == DISPLAY and opcode == 0:
            raise SystemExit("protocol error: %s" % read_string(payload, 8)[0])
        if obj == REGISTRY and opcode == 0:
            (name,) = struct.unpack_from("<I", payload)
            interface, at = read_string(payload, 4)
            if interface == "xdg_activation_v1":
                activation = name
        if obj == SYNC and opcode == 0:
            break
    if activation is None:
        raise SystemExit("the compositor has no xdg_activation_v1")
    request(sock, REGISTRY, 0, struct.pack("<I", activation) + string("xdg_activation_v1")
            + struct.pack("<II", 1, ACTIVATION))  # bind
    request(sock, ACTIVATION, 1, struct.pack("<I", TOKEN))  # get_activation_token
    if app_id:
        request(sock, TOKEN, 1, string(app_id))  # set_app_id
    request(sock, TOKEN, 3)  # commit
    for obj, opcode, payload in stream:
        if obj == DISPLAY and opcode == 0:
            raise SystemExit("protocol error: %s" % read_string(payload, 8)[0])
        if obj == TOKEN and opcode == 0:
            token = read_string(payload, 0)[0]
            if not token:
                raise SystemExit("the compositor refused the token")
            print(token)
            return


if __name__ == "__main__":
    main()
