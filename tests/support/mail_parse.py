"""Parses one mail from standard input with Python's email package and prints
what the tests compare, one item per line, every text as hex so that no byte
can break the format:
  H <name> <value>           each header unfolded, encoded-words decoded, as cp932
  M <content-type> <boundary>  the top-level type and its boundary ("-" none)
  P <content-type> <charset> <file name> <transfer encoding> <payload>
for each leaf part, with the payload's transfer encoding undone, and for the
From, To and CC headers as the address parser of the default policy reads them:
  A <header> <group name> <display name> <address>   each address, in order
  D <header> <count>                                 the defects it found"""

import binascii
import email
import email.policy
import re
import sys
from email.header import decode_header, make_header


def hexed(data):
    if isinstance(data, str):
        data = data.encode("cp932", errors="replace")
    return data.hex() or "-"


def decoded(value):
    # The compat32 parser hands a header over folded: unfold it as RFC 5322
    # section 2.2.3 says, by removing each line break before a blank.
    unfolded = re.sub(r"\r?\n(?=[ \t])", "", value)
    return str(make_header(decode_header(unfolded)))


def payload(part):
    if part.get("Content-Transfer-Encoding", "").lower() == "x-uuencode":
        body = part.get_payload(decode=False).encode("ascii")
        out = b""
        for line in body.splitlines():
            if line in (b"`", b""):
                break
            out += binascii.a2b_uu(line)
        return out
    return part.get_payload(decode=True) or b""


def addresses(raw):
    message = email.message_from_bytes(raw, policy=email.policy.default)
    for name in [name for name in ("From", "To", "CC") if message[name] is not None]:
        for group in message[name].groups:
            for address in group.addresses:
                print("A", hexed(name), hexed(group.display_name or ""), hexed(address.display_name),
                      hexed(address.addr_spec))
        print("D", hexed(name), len(message[name].defects))


def main():
    raw = sys.stdin.buffer.read()
    message = email.message_from_bytes(raw)
    for name, value in message.items():
        print("H", hexed(name), hexed(decoded(value)))
    print("M", hexed(message.get_content_type()), hexed(message.get_boundary() or ""))
    for part in message.walk():
        if part.is_multipart():
            continue
        print("P", hexed(part.get_content_type()), hexed(part.get_content_charset() or ""),
              hexed(part.get_filename() or ""),
              hexed(part.get("Content-Transfer-Encoding", "")), hexed(payload(part)))
    addresses(raw)


main()
