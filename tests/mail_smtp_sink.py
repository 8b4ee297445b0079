#!/usr/bin/env python3
"""A local SMTP server for the mail tests.

Usage: mail_smtp_sink.py FOLDER
Listens on a free port of 127.0.0.1, prints "ready PORT" and stores every
message it receives as FOLDER/NNN.eml (the bytes as received) and
FOLDER/NNN.json (envelope, headers decoded by Python's email package, and the
body decoded from its transfer encoding with its line ends kept). Runs until
its standard input is closed or it is terminated.
"""
import email
import email.policy
import json
import os
import socket
import sys

from aiosmtpd.controller import Controller


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        raw = envelope.original_content or envelope.content
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        charset = msg.get_content_charset() or "us-ascii"
        payload = msg.get_payload(decode=True) or b""
        info = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "headers": [[name, str(value)] for name, value in msg.items()],
            "content_type": msg.get_content_type(),
            "charset": charset,
            "transfer_encoding": msg.get("Content-Transfer-Encoding", ""),
            "body": payload.decode(charset),
        }
        base = os.path.join(self.folder, "%03d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(raw)
        with open(base + ".json.part", "w", encoding="utf-8") as f:
            json.dump(info, f, ensure_ascii=False)
        os.replace(base + ".json.part", base + ".json")
        return "250 OK"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    folder = sys.argv[1]
    port = free_port()
    controller = Controller(Store(folder), hostname="127.0.0.1", port=port)
    controller.start()
    print("ready %d" % port, flush=True)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
