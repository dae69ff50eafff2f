#!/usr/bin/env python3
"""A socket:// printer for the printer application's test: listens on a free loopback port, writes
the port to PORTFILE, and keeps each connection's bytes in PREFIX.N (N counts from 1). With
--stall it accepts and never reads, as a printer that stopped taking data."""
import argparse
import socket
import threading
import time

parser = argparse.ArgumentParser()
parser.add_argument("portfile")
parser.add_argument("prefix")
parser.add_argument("--stall", action="store_true")
arguments = parser.parse_args()

listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
with open(arguments.portfile + ".part", "w") as out:
    out.write(str(listener.getsockname()[1]))
import os
os.rename(arguments.portfile + ".part", arguments.portfile)


def take(connection, number):
    if arguments.stall:
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        time.sleep(3600)
        return
    with open(f"{arguments.prefix}.{number}.part", "wb") as out:
        while True:
            block = connection.recv(65536)
            if not block:
                break
            out.write(block)
    connection.close()
    os.rename(f"{arguments.prefix}.{number}.part", f"{arguments.prefix}.{number}")


count = 0
while True:
    connection, _ = listener.accept()
    count += 1
    threading.Thread(target=take, args=(connection, count), daemon=True).start()
