"""A real SMTP server for the transport tests: Debian's aiosmtpd on a free
loopback port. Prints the port, saves each message as <n>.eml (the bytes as
received, dot-stuffing undone) and its envelope as <n>.env (MAIL FROM, then
one RCPT TO per line), and stops when its standard input closes."""

import socket
import sys
from pathlib import Path

from aiosmtpd.controller import Controller


class SaveToFolder:
    def __init__(self, folder):
        self.folder = Path(folder)
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        stem = self.folder / str(self.count)
        stem.with_suffix(".eml").write_bytes(envelope.original_content)
        lines = [envelope.mail_from] + list(envelope.rcpt_tos)
        stem.with_suffix(".env").write_text("\n".join(lines) + "\n")
        return "250 Message accepted for delivery"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def main():
    port = free_port()
    controller = Controller(SaveToFolder(sys.argv[1]), hostname="127.0.0.1", port=port)
    controller.start()
    print(port, flush=True)
    sys.stdin.read()
    controller.stop()


main()
