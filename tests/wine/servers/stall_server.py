"""Answers every request with the headers of a large body and a few bytes of
it, then sends nothing more until the client goes away: a stalled transfer."""
import socket
import sys
import threading


def serve(connection):
    with connection:
        request = b""
        while b"\r\n\r\n" not in request:
            data = connection.recv(4096)
            if not data:
                return
            request += data
        connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + b"\0" * 1000)
        connection.settimeout(300)
        try:
            while connection.recv(4096):
                pass
        except OSError:
            pass


def main():
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", int(sys.argv[1])))
    listener.listen(16)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


if __name__ == "__main__":
    main()
