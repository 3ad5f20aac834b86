"""A real SMTP server for the transport tests: Debian's aiosmtpd on a loopback
port the system picks. Prints the port, saves each message as <n>.eml (the bytes as
received, dot-stuffing undone) and its envelope as <n>.env (MAIL FROM, then
one RCPT TO per line), and stops when its standard input closes."""

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


class PortZeroController(Controller):
    """Listens on port 0, so that the system picks a free port while the
    socket is already bound; then greets itself on the port it got."""

    def _trigger_server(self):
        self.port = self.server.sockets[0].getsockname()[1]
        super()._trigger_server()


def main():
    controller = PortZeroController(SaveToFolder(sys.argv[1]), hostname="127.0.0.1", port=0)
    controller.start()
    print(controller.port, flush=True)
    sys.stdin.read()
    controller.stop()


main()
