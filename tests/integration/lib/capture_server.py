#!/usr/bin/env python3
"""Raw printer stand-in: listens on 127.0.0.1:PORT and stores each connection's bytes as a
numbered file (job-001.bin, ...) in a folder, so tests can read what the spooler sent."""
import os
import socket
import sys

port_file, folder = sys.argv[1], sys.argv[2]
server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(8)
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.getsockname()[1]))
os.rename(port_file + ".tmp", port_file)

count = 0
while True:
    conn, _ = server.accept()
    count += 1
    partial = os.path.join(folder, ".job-%03d.part" % count)
    with open(partial, "wb") as out:
        while True:
            data = conn.recv(65536)
            if not data:
                break
            out.write(data)
    conn.close()
    # Renamed only when complete, so a test never reads half a job.
    os.rename(partial, os.path.join(folder, "job-%03d.bin" % count))
