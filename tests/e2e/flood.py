#!/usr/bin/env python3
"""Load for the PC's listeners, run only inside the private test network
(tests/e2e/load.sh).

  flood.py udp TARGET COUNT       COUNT mixed datagrams to each of TARGET's
                                  discovery responder (16020) and operate
                                  listener (16021), as fast as one sender can
                                  go; answers the downloads that accepted
                                  offers start with a refusal
  flood.py answers TARGET         a valid discovery request and a valid
                                  completion query: exits 0 when both get
                                  their correct answer
  flood.py frames TARGET PORT RATE SECONDS
                                  mixed remote-input frames at RATE per second
                                  for SECONDS (about one in a hundred too large
                                  for the server, which ends that connection:
                                  the flood goes on on a new one)
  flood.py probe TARGET PORT      connects, sends one valid touch and waits for
                                  the cursor position the host sends back

Mixed means: a third valid requests, a third invalid ones (not JSON, wrong
types, deep nesting, truncated), the rest larger than any request (up to
60000 bytes). Every choice comes from a fixed seed.
"""
import json
import random
import socket
import sys
import threading
import time

DISCOVERY_PORT = 16020
OPERATE_PORT = 16021


def valid_request(rnd, port):
    if port == DISCOVERY_PORT:
        return {"name": "Flood", "version": "v1.0", "os": "Android",
                "uuid": "flood-%d" % rnd.randrange(1 << 30), "type": "server"}
    kind = rnd.randrange(3)
    if kind == 0:
        return {"type": "query_result", "session_id": rnd.randrange(1 << 32), "md5": "0" * 32}
    if kind == 1:
        return {"type": "file_download", "file_path": "/etc/passwd"}
    return {"type": "file_distribution", "file_path": "/flood/file-%d.bin" % rnd.randrange(1000),
            "name": "Flood", "uuid": "flood"}


def invalid_request(rnd):
    kind = rnd.randrange(6)
    if kind == 0:
        return bytes(rnd.randrange(256) for _ in range(rnd.randrange(1, 200)))
    if kind == 1:
        return b"[" * rnd.randrange(100, 3000)
    if kind == 2:
        return json.dumps({"type": ["query_result"], "session_id": "x", "uuid": 5}).encode()
    if kind == 3:
        return b'{"type":"query_result","session_id":'
    if kind == 4:
        return json.dumps({"type": "file_download", "file_path": {"a": [1, 2, None]}}).encode()
    return b'{"version":1e400,"uuid":"\\ud800\\u0000","os":' + b'"a",' * 50 + b'"t":1}'


def datagram(rnd, port):
    choice = rnd.randrange(3)
    if choice == 0:
        return json.dumps(valid_request(rnd, port)).encode()
    if choice == 1:
        return invalid_request(rnd)
    return b"{" + b" " * rnd.randrange(20000, 60000) + b"}"


def refuse_downloads(stop):
    """Answers the downloads of accepted offers at once, so that they end."""
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind(("0.0.0.0", OPERATE_PORT))
    server.settimeout(0.2)
    while not stop.is_set():
        try:
            data, sender = server.recvfrom(65535)
        except socket.timeout:
            continue
        try:
            request = json.loads(data)
        except ValueError:
            continue
        if isinstance(request, dict) and request.get("type") == "file_download":
            server.sendto(b'{ "reason" : "flood test", "result" : "fail" }', sender)


def udp(target, count):
    stop = threading.Event()
    refuser = threading.Thread(target=refuse_downloads, args=(stop,), daemon=True)
    refuser.start()
    rnd = random.Random(16)
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 1 << 20)
    sent = 0
    started = time.monotonic()
    for _ in range(count):
        for port in (DISCOVERY_PORT, OPERATE_PORT):
            try:
                sender.sendto(datagram(rnd, port), (target, port))
                sent += 1
            except OSError:
                pass  # a full send buffer: the datagram is lost, as on a real network
    elapsed = time.monotonic() - started
    print("sent %d datagrams in %.2f s" % (sent, elapsed))
    time.sleep(2)  # let the downloads of accepted offers ask and be refused
    stop.set()
    refuser.join()


def ask(sock, message, target, port):
    sock.sendto(json.dumps(message).encode(), (target, port))
    data, _ = sock.recvfrom(65535)
    return json.loads(data)


def answers(target):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("0.0.0.0", 0))
    sock.settimeout(5)
    try:
        reply = ask(sock, {"name": "Check", "version": "v1.0", "os": "Android",
                           "uuid": "check-1", "type": "server"}, target, DISCOVERY_PORT)
        if reply.get("type") != "client" or reply.get("support") != ["file_upload"]:
            print("wrong discovery answer: %r" % reply)
            return 1
        reply = ask(sock, {"type": "query_result", "session_id": 7, "md5": "x"}, target,
                    OPERATE_PORT)
        if reply != {"reason": "not such sessionID", "result": "fail", "session_id": 7}:
            print("wrong query answer: %r" % reply)
            return 1
    except socket.timeout:
        print("no answer")
        return 1
    print("both answered")
    return 0


def frame(payload):
    out = bytearray(b"\x7e")
    for byte in payload:
        if byte in (0x7D, 0x7E, 0x7F):
            out += bytes((0x7D, byte - 0x20))
        else:
            out.append(byte)
    out.append(0x7F)
    return bytes(out)


def unframe(escaped):
    out = bytearray()
    i = 0
    while i < len(escaped):
        if escaped[i] == 0x7D and i + 1 < len(escaped) and escaped[i + 1] in (0x5D, 0x5E, 0x5F):
            out.append(escaped[i + 1] + 0x20)
            i += 2
        else:
            out.append(escaped[i])
            i += 1
    return bytes(out)


def touch(rnd):
    points = [{"pointerId": i, "x": rnd.uniform(0, 1280), "y": rnd.uniform(0, 800),
               "eventTime": rnd.randrange(1 << 31),
               "action": rnd.choice(["action_down", "action_update", "action_up"])}
              for i in range(rnd.randrange(1, 4))]
    return frame(json.dumps({"type": "motion_event", "motion_event": points}).encode() + b"\0")


def bad_frame(rnd):
    kind = rnd.randrange(5)
    if kind == 0:
        return frame(bytes(rnd.randrange(256) for _ in range(rnd.randrange(1, 300))))
    if kind == 1:
        return frame(b'{"type":"motion_event","motion_event":[{"x":"left","action":"action_down"}]}')
    if kind == 2:
        return frame(b'{"type":"keyboard_event","key_value":-5,"action":"sideways"}')
    if kind == 3:
        return frame(b'{"type":"motion_event","motion_event":[{"x":1e300,"y":-1e300,'
                     b'"pointerId":4294967296,"action":"action_update"}]}')
    return b"noise before a frame" + frame(b'{"type":"unknown"}')


def connect(target, port):
    for _ in range(100):
        try:
            return socket.create_connection((target, port), timeout=5)
        except OSError:
            time.sleep(0.05)
    raise SystemExit("cannot connect to %s:%d" % (target, port))


def frames(target, port, rate, seconds):
    rnd = random.Random(8)
    conn = connect(target, port)
    total = rate * seconds
    cuts = 0
    started = time.monotonic()
    for i in range(total):
        due = started + i / rate
        delay = due - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        choice = rnd.randrange(100)
        if choice == 0:
            # A frame larger than the server's buffer ends the connection;
            # the flood goes on on a new one.
            conn.sendall(b"\x7e" + b"a" * 5000)
            conn.settimeout(5)
            try:
                while conn.recv(4096):
                    pass
            except OSError:
                pass
            conn.close()
            cuts += 1
            conn = connect(target, port)
        elif choice < 60:
            conn.sendall(touch(rnd))
        else:
            conn.sendall(bad_frame(rnd))
    elapsed = time.monotonic() - started
    conn.close()
    print("sent %d frames in %.2f s over %d connections" % (total, elapsed, cuts + 1))


def probe(target, port):
    """One valid touch, then waits for the cursor position the host sends."""
    conn = connect(target, port)
    conn.sendall(frame(json.dumps({"type": "motion_event", "motion_event": [
        {"pointerId": 1, "x": 100.0, "y": 100.0, "eventTime": 1,
         "action": "action_update"}]}).encode() + b"\0"))
    print("connected", flush=True)
    conn.settimeout(10)
    data = b""
    try:
        while b"\x7f" not in data:
            more = conn.recv(4096)
            if not more:
                print("closed")
                return 1
            data += more
    except socket.timeout:
        print("no cursor message")
        return 1
    payload = unframe(data[data.index(b"\x7e") + 1:data.index(b"\x7f")]).rstrip(b"\0")
    message = json.loads(payload)
    print("cursor %s %s %s" % (message.get("type"), message.get("pos_x"), message.get("pos_y")))
    return 0 if message.get("type") == "cursor_pos" else 1


def main(argv):
    if len(argv) >= 3 and argv[1] == "udp":
        udp(argv[2], int(argv[3]))
        return 0
    if len(argv) == 3 and argv[1] == "answers":
        return answers(argv[2])
    if len(argv) == 6 and argv[1] == "frames":
        frames(argv[2], int(argv[3]), int(argv[4]), int(argv[5]))
        return 0
    if len(argv) == 4 and argv[1] == "probe":
        return probe(argv[2], int(argv[3]))
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
