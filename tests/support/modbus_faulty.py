"""A Modbus TCP server that misbehaves in one chosen way, for the tests of the device check.

Usage: modbus_faulty.py MODE [--delay MS] [--address A]

Listens on a port the system picks on 127.0.0.1 (or A), prints it on one line, "port P", and
serves every connection in a thread of its own until it is killed. It serves one request at a
time: it reads a request, drops whatever else came with it, and answers that one alone. Holding
register N holds 1000 + N. MODE:
  good                answers every request (vendor Velmor, product GW20914, revision 1.2)
  exception           register reads get exception 2, identification exception 1
  gateway             every request gets exception 11 (gateway target did not respond)
  wrong-function      register reads are answered with function code 4
  wrong-transaction   replies carry another transaction identifier
  wrong-unit          replies carry another unit identifier
  wrong-protocol      replies carry protocol identifier 1
  huge-length         replies announce a length of 65535 and send noise
  twice               every reply is sent twice
  close               accepts, reads the first request and closes without a reply
  slow                every reply waits --delay MS
  no-identification   answers register reads, never identification
  hostile             the vendor name holds ESC, BEL, NUL, U+009B and U+202E
"""

import argparse
import socket
import struct
import sys
import threading
import time

IDENTITY = [b"Velmor", b"GW20914", b"1.2"]
HOSTILE = [b"Evil\x1b[2J\x07\x00\xc2\x9b31m\xe2\x80\xaeVendor", b"GW20914", b"1.2"]


def read_exactly(conn, count):
    data = b""
    while len(data) < count:
        chunk = conn.recv(count - len(data))
        if not chunk:
            return None
        data += chunk
    return data


def identification(objects):
    body = bytes([0x2B, 0x0E, 0x01, 0x01, 0x00, 0x00, len(objects)])
    for number, text in enumerate(objects):
        body += bytes([number, len(text)]) + text
    return body


def reply_pdu(mode, pdu):
    function = pdu[0]
    if mode == "gateway":
        return bytes([function | 0x80, 11])
    if function == 0x03:
        address = struct.unpack(">H", pdu[1:3])[0]
        if mode == "exception":
            return bytes([0x83, 2])
        if mode == "wrong-function":
            return bytes([0x04, 2]) + struct.pack(">H", 1000 + address)
        return bytes([0x03, 2]) + struct.pack(">H", (1000 + address) & 0xFFFF)
    if function == 0x2B:
        if mode == "exception":
            return bytes([0xAB, 1])
        if mode == "no-identification":
            return None
        return identification(HOSTILE if mode == "hostile" else IDENTITY)
    return bytes([function | 0x80, 1])


def serve(conn, arguments):
    mode = arguments.mode
    with conn:
        while True:
            header = read_exactly(conn, 7)
            if header is None:
                return
            transaction, protocol, length, unit = struct.unpack(">HHHB", header)
            pdu = read_exactly(conn, length - 1)
            if pdu is None:
                return
            if mode == "close":
                return
            # One request at a time: anything sent meanwhile is lost.
            conn.setblocking(False)
            try:
                conn.recv(65536)
            except BlockingIOError:
                pass
            conn.setblocking(True)
            answer = reply_pdu(mode, pdu)
            if answer is None:
                continue
            if mode == "slow":
                time.sleep(arguments.delay / 1000)
            if mode == "huge-length":
                conn.sendall(struct.pack(">HHHB", transaction, 0, 65535, unit) + b"\x5f" * 64)
                continue
            if mode == "wrong-transaction":
                transaction = (transaction + 1000) & 0xFFFF
            if mode == "wrong-unit":
                unit = (unit + 1) & 0xFF
            frame = struct.pack(">HHHB", transaction, 1 if mode == "wrong-protocol" else 0,
                                len(answer) + 1, unit) + answer
            conn.sendall(frame * (2 if mode == "twice" else 1))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode")
    parser.add_argument("--delay", type=int, default=0)
    parser.add_argument("--address", default="127.0.0.1")
    arguments = parser.parse_args()
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((arguments.address, 0))
    server.listen(16)
    print("port %d" % server.getsockname()[1], flush=True)
    while True:
        conn, _ = server.accept()
        threading.Thread(target=serve, args=(conn, arguments), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
