"""Modbus TCP servers of pymodbus (Debian's python3-pymodbus) for the tests of the device check.

Usage: modbus_server.py [--vendor V] [--product P] [--revision R] [--registers N]
                        [--listen-after MS] ADDRESS[:PORT]...

Every ADDRESS[:PORT] gets a server (port 0 or none: the system picks a free one). Each socket is
bound at once and its port printed on one line, "ports P1 P2 ...", before any server listens;
until --listen-after has passed, a connection to them is refused. "listening" follows on a line
of its own once every server listens. Holding registers 0..N-1 hold
1000 + their address; a read beyond them gets exception 2. Runs until it is killed.
"""

import argparse
import asyncio
import socket
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.device import ModbusDeviceIdentification
from pymodbus.server.async_io import ModbusTcpServer


def bound_socket(text):
    address, _, port = text.partition(":")
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind((address, int(port or 0)))
    return sock


async def serve(arguments, sockets):
    await asyncio.sleep(arguments.listen_after / 1000)
    block = ModbusSequentialDataBlock(0, [1000 + n for n in range(arguments.registers)])
    context = ModbusServerContext(slaves=ModbusSlaveContext(hr=block, zero_mode=True), single=True)
    identity = ModbusDeviceIdentification(info_name={
        "VendorName": arguments.vendor,
        "ProductCode": arguments.product,
        "MajorMinorRevision": arguments.revision,
    })
    tasks = []
    for sock in sockets:
        server = ModbusTcpServer(context, identity=identity, address=sock.getsockname())
        # The socket bound at the start, so that its port never changes hands.
        server.server = await server.loop.create_server(lambda s=server: s.handler(s), sock=sock)
        tasks.append(server.server.serve_forever())
    print("listening", flush=True)
    await asyncio.gather(*tasks)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--vendor", default="")
    parser.add_argument("--product", default="")
    parser.add_argument("--revision", default="")
    parser.add_argument("--registers", type=int, default=100)
    parser.add_argument("--listen-after", type=int, default=0)
    parser.add_argument("addresses", nargs="+")
    arguments = parser.parse_args()
    sockets = [bound_socket(text) for text in arguments.addresses]
    print("ports " + " ".join(str(sock.getsockname()[1]) for sock in sockets), flush=True)
    asyncio.run(serve(arguments, sockets))


if __name__ == "__main__":
    sys.exit(main())
