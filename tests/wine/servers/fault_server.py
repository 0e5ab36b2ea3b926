"""The faults nginx cannot play by itself, one listening port per kind (nginx
cannot pick an upstream URI inside `if`, so the port says which fault):

  stall=PORT    the headers of a large body and a few bytes of it, then
                nothing more until the client goes away: a stalled transfer
  silent=PORT   accepts the request and never answers: a black-holed server
  cut=PORT      the first half of the file, without Content-Length, then the
                connection closes: a body cut short that cannot be told so
  short=PORT    the file's Content-Length and its first half, then the
                connection closes
  endless=PORT  a body without Content-Length that never ends
  first404=PORT 404 the first time a path is asked for, the file afterwards

nginx names the file the request maps to in X-Karvex-File and the request's
fault file in X-Karvex-Fault; "first404" leaves "<fault file>.seen" beside
the fault file, which the tests remove with their faults."""
import os
import socket
import sys
import threading


def read_request(connection):
    request = b""
    while b"\r\n\r\n" not in request:
        data = connection.recv(4096)
        if not data:
            return None
        request += data
    headers = {}
    for line in request.split(b"\r\n\r\n")[0].split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        headers[name.strip().lower().decode()] = value.strip().decode("utf-8", "replace")
    return headers


def file_bytes(headers):
    try:
        with open(headers.get("x-karvex-file", ""), "rb") as file:
            return file.read()
    except OSError:
        return b""


def wait_for_close(connection):
    connection.settimeout(300)
    try:
        while connection.recv(4096):
            pass
    except OSError:
        pass


def answer(connection, kind, headers):
    if kind == "stall":
        connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + b"\0" * 1000)
        wait_for_close(connection)
    elif kind == "silent":
        wait_for_close(connection)
    elif kind == "cut":
        body = file_bytes(headers)
        connection.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body[: len(body) // 2])
    elif kind == "short":
        body = file_bytes(headers)
        connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
                           + body[: len(body) // 2])
    elif kind == "endless":
        connection.sendall(b"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")
        piece = b"e" * 65536
        try:
            while True:
                connection.sendall(piece)
        except OSError:
            pass
    elif kind == "first404":
        seen = headers.get("x-karvex-fault", "") + ".first404.seen"
        if not os.path.exists(seen):
            open(seen, "wb").close()
            connection.sendall(b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
        else:
            body = file_bytes(headers)
            connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
                               + body)


def serve(connection, kind):
    with connection:
        try:
            headers = read_request(connection)
            if headers is not None:
                answer(connection, kind, headers)
        except OSError:
            pass


def accept(listener, kind):
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection, kind), daemon=True).start()


def main():
    # Every port is bound before any is served: a port that cannot be had
    # ends the server at once.
    threads = []
    for argument in sys.argv[1:]:
        kind, _, port = argument.partition("=")
        listener = socket.socket()
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", int(port)))
        listener.listen(16)
        threads.append(threading.Thread(target=accept, args=(listener, kind), daemon=True))
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()


if __name__ == "__main__":
    main()
