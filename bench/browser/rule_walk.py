"""The floor for the rule editor's benchmarks: the same files walked in plain
Python. Prints the seconds the walk took, without the interpreter's start.

rule_walk.py rules RULE_FILE OUT_FILE       read every rule, write them back
rule_walk.py import RULE_FILE BOOK OUT_FILE propose a rule per new address
"""
import struct
import sys
import time


def read_rules(path):
    rules = []
    with open(path, "rb") as f:
        for line in f.read().split(b"\r\n"):
            if b"\t" in line:
                key, _, drawer = line.rpartition(b"\t")
            else:
                words = line.split()
                if len(words) < 2:
                    continue
                key, drawer = words[0], words[1]
            if drawer:
                rules.append((key, drawer))
    return rules


def write_rules(path, rules):
    with open(path, "wb") as f:
        f.write(b"".join(k + b" " + d + b"\r\n" for k, d in rules))


def friends(path):
    data = open(path, "rb").read()
    pos = 0
    while pos + 4 <= len(data):
        pos += 4
        texts = []
        for _ in range(3):
            n = data[pos]
            texts.append(data[pos + 1:pos + 1 + n])
            pos += 1 + n
        pos += 4
        yield texts


def fold(text):
    return text.decode("cp932", "replace").casefold()


def main():
    start = time.perf_counter()
    if sys.argv[1] == "rules":
        write_rules(sys.argv[3], read_rules(sys.argv[2]))
    else:
        rules = read_rules(sys.argv[2])
        keys = {fold(k) for k, _ in rules}
        for pet, owner, address in friends(sys.argv[3]):
            if fold(address) in keys:
                continue
            keys.add(fold(address))
            rules.append((address, owner + "と".encode("cp932") + pet))
        write_rules(sys.argv[4], rules)
    print(time.perf_counter() - start)


main()
