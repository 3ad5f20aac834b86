"""Reads every mail of an mbox file with Python's mailbox module and adds it
to a second mbox: the reference the multi-mail import is measured against.

Usage: mbox_copy.py SOURCE TARGET
"""
import mailbox
import sys


def main(source, target):
    copy = mailbox.mbox(target)
    copy.lock()
    for message in mailbox.mbox(source):
        copy.add(message)
    copy.flush()
    copy.unlock()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
