#!/usr/bin/env python3
"""A hand-written SMTP server for the mail tests that misbehaves on purpose.

Usage: mail_smtp_script.py FOLDER BEHAVIOUR...
Listens on one free port of 127.0.0.1 for each behaviour, prints
"ready PORT..." (the ports in the order of the behaviours) and appends every
byte a client sends to FOLDER/BEHAVIOUR.log. Runs until its standard input is
closed or it is terminated.

Behaviours:
  stall-greeting, stall-ehlo, stall-mail, stall-rcpt, stall-data,
  stall-text, stall-quit   answer normally up to that point, then never again
                           (stall-text: the text is read, its answer never
                           comes; stall-quit: the mail is accepted with 250,
                           QUIT never answered)
  auth                     offers AUTH PLAIN but no STARTTLS, accepts
                           any credentials and the mail
  rcpt-unknown             refuses every recipient with
                           "550 5.1.1 User unknown"
"""
import os
import socket
import sys
import threading

STALLS = ("greeting", "ehlo", "mail", "rcpt", "data", "text", "quit")


def serve(conn, behaviour, log_path):
    stall = behaviour[len("stall-"):] if behaviour.startswith("stall-") else None
    buffer = b""
    in_text = False
    in_auth = False

    def send(line):
        conn.sendall(line.encode() + b"\r\n")

    def stalled():
        # Keep the connection open and silent until the client gives up.
        while conn.recv(4096):
            pass

    with conn, open(log_path, "ab", buffering=0) as log:
        if stall == "greeting":
            return stalled()
        send("220 127.0.0.1 ESMTP test")
        while True:
            data = conn.recv(4096)
            if not data:
                return
            log.write(data)
            buffer += data
            while b"\n" in buffer:
                line, buffer = buffer.split(b"\n", 1)
                line = line.rstrip(b"\r")
                if in_auth:
                    in_auth = False
                    send("235 2.7.0 Authentication successful")
                    continue
                if in_text:
                    if line != b".":
                        continue
                    in_text = False
                    if stall == "text":
                        return stalled()
                    send("250 2.0.0 OK queued")
                    continue
                verb = line.split(b" ", 1)[0].upper().decode("ascii", "replace")
                if stall is not None and stall == {"EHLO": "ehlo", "HELO": "ehlo", "MAIL": "mail",
                                                   "RCPT": "rcpt", "DATA": "data", "QUIT": "quit"}.get(verb):
                    return stalled()
                if verb == "EHLO":
                    send("250-127.0.0.1")
                    if behaviour == "auth":
                        send("250-AUTH PLAIN")
                    send("250 8BITMIME")
                elif verb == "HELO":
                    send("250 127.0.0.1")
                elif verb == "AUTH":
                    # PLAIN with its credentials on the line, or asked for.
                    if len(line.split()) >= 3:
                        send("235 2.7.0 Authentication successful")
                    else:
                        send("334 ")
                        in_auth = True
                elif verb == "MAIL":
                    send("250 2.1.0 OK")
                elif verb == "RCPT":
                    send("550 5.1.1 User unknown" if behaviour == "rcpt-unknown" else "250 2.1.5 OK")
                elif verb == "DATA":
                    send("354 End data with <CR><LF>.<CR><LF>")
                    in_text = True
                elif verb == "QUIT":
                    send("221 2.0.0 Bye")
                    return
                elif verb in ("RSET", "NOOP"):
                    send("250 2.0.0 OK")
                else:
                    send("502 5.5.2 Command not recognised")


def listen(behaviour, folder):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    log_path = os.path.join(folder, behaviour + ".log")
    open(log_path, "ab").close()

    def accept_loop():
        while True:
            conn, _ = server.accept()
            threading.Thread(target=serve, args=(conn, behaviour, log_path), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    return server.getsockname()[1]


def main():
    folder, behaviours = sys.argv[1], sys.argv[2:]
    known = {"stall-" + s for s in STALLS} | {"auth", "rcpt-unknown"}
    for b in behaviours:
        if b not in known:
            sys.exit("unknown behaviour " + b)
    ports = [listen(b, folder) for b in behaviours]
    print("ready " + " ".join(str(p) for p in ports), flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
