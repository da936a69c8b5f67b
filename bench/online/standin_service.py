#!/usr/bin/env python3
# A loopback stand-in for the online service, for trying the program's online dialogs by hand on a test screen.
# It answers the service lookup on 127.0.0.1:80 (so the setting "OnlineHost" must be 127.0.0.1, and it must run as
# root) and serves the catalogue on a free port: any log-in is taken; a title search for "never" is never answered,
# one for "cut" is answered with a reply that breaks off after one whole record, any other finds one record.
import socket
import threading
import time

END, WORD, RECORD, COLUMN = b"\x01", b"\x02", b"\x03", b"\x04"


def serve_service(listener):
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=catalogue, args=(conn,), daemon=True).start()


def catalogue(conn):
    buffer = b""
    while True:
        try:
            data = conn.recv(65536)
        except OSError:
            data = b""
        if not data:
            # When the client let go of the connection: the end of its wait, for one who measures it.
            print("%.3f connection closed by the client" % time.time(), flush=True)
            conn.close()
            return
        buffer += data
        while END in buffer:
            message, buffer = buffer.split(END, 1)
            word, _, argument = message.partition(WORD)
            print("%.3f %s %s" % (time.time(), word.decode("latin-1"), argument.decode("latin-1")), flush=True)
            if word == b"LOGIN":
                conn.sendall(b"LOGINOK" + END)
            elif word in (b"FINDTITLE", b"FINDUPC"):
                if argument == b"never":
                    continue
                if argument == b"cut":
                    conn.sendall(b"RESULT" + WORD + b"1" + COLUMN + b"Alien" + COLUMN + b"DVD" + RECORD + b"2" + COLUMN +
                                 b"Ali")
                    conn.close()
                    return
                conn.sendall(b"RESULT" + WORD + b"036000291452" + COLUMN + b"Alien" + COLUMN + b"DVD" + END)


def main():
    service = socket.socket()
    service.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    service.bind(("127.0.0.1", 0))
    service.listen()
    port = service.getsockname()[1]
    threading.Thread(target=serve_service, args=(service,), daemon=True).start()
    web = socket.socket()
    web.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    web.bind(("127.0.0.1", 80))
    web.listen()
    print("service on port", port, flush=True)
    while True:
        conn, _ = web.accept()
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = conn.recv(4096)
            if not chunk:
                break
            request += chunk
        conn.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n127.0.0.1:" + str(port).encode())
        conn.close()


if __name__ == "__main__":
    main()
