#!/usr/bin/env python3
"""Writes the session fuzzer's seed corpus: the scripted server's scenarios in the script
form that fake_network.h describes, one file each, into the folder given.
  make_session_seeds.py FOLDER"""
import os
import sys

CODES = [110, 120, 125, 150, 200, 202, 220, 221, 226, 230, 250, 257, 331, 332, 421, 425, 426,
         450, 500, 501, 530, 550, 553, 999]
OK, LATE, RAW, PICK, CLOSE, RESET, SILENCE = 0, 10, 11, 12, 13, 14, 15


def pick(code, lines=1):
    return [PICK, CODES.index(code) | (0x80 if lines == 3 else 0)]


def raw(text):
    return [RAW, len(text)] + list(text)


def start(ipv6=False, close_after=0, failing_write=0, cannot_tell=False, no_bound=False,
          tells_path=False, line=None):
    """line: (Mbit/s, sessions the server has at once) for a run that measures
    the whole line."""
    script = [(close_after << 1) | int(ipv6),
              failing_write | (0x10 if cannot_tell else 0) | (0x20 if no_bound else 0) |
              (0x40 if tells_path else 0) | (0x80 if line else 0)]
    if line:
        script.append((line[0] - 1) | (line[1] << 4))
    return script


LOGIN = [OK, OK, OK, OK] + [OK] * 10  # greeting, USER, PASS, PWD, the idle NOOPs


def download(length=0, arrival=0, end=0):
    return [OK, OK, OK, OK, arrival, length & 0xff, length >> 8, end, OK]  # CWD TYPE PORT RETR END


def upload(arrival=0, limit=0):
    return [OK, OK, OK, OK, arrival, limit, OK]  # CWD TYPE PORT STOR END


BEFORE_UPLOAD = start() + [0] + LOGIN + download() + download()

SEEDS = {
    "whole-run": start(),
    "whole-run-ipv6-eprt": start(ipv6=True),
    "whole-run-path-told": start(tells_path=True),
    "noop-unknown": start() + [0, OK, OK, OK, OK] + pick(500) * 10,
    "noop-slow": start() + [0, OK, OK, OK, OK] + [LATE, 12] * 3,  # three in 1.5 s
    "noop-closes": start() + [0, OK, OK, OK, OK, OK, CLOSE],
    "connect-refused": start() + [5],
    "connect-never-answers": start() + [7],
    "greeting-silent": start() + [0, SILENCE],
    "greeting-delayed-120": start() + [0] + pick(120),
    "greeting-late": start() + [0, LATE, 20],
    "user-421": start() + [0, OK] + pick(421),
    "pass-530": start() + [0, OK, OK] + pick(530),
    "user-332": start() + [0, OK] + pick(332),
    "login-without-password": start() + [0, OK] + pick(230),
    "multiline-everywhere": start() + [0] + pick(220, 3) + pick(331, 3) + pick(230, 3) +
    pick(257, 3) + pick(250, 3) + pick(200, 3) + pick(200, 3) + pick(150, 3) + [0, 0, 0, 0] +
    pick(226, 3),
    "replies-in-one-byte-pieces": start() + [0, 0x10, 0x10, 0x10, 0x10, 0x10],
    "over-long-line": start() + [0, RAW, 0xff, ord("2")],
    "garbage": start() + [0] + raw(b"hello there\r\n"),
    "nul-byte": start() + [0] + raw(b"220 \x00\r\n"),
    "pwd-refused": start() + [0, OK, OK, OK] + pick(550),
    "cwd-refused": start() + [0] + LOGIN + pick(550),
    "retr-refused": start() + [0] + LOGIN + [OK, OK, OK] + pick(550),
    "retr-silent": start() + [0] + LOGIN + [OK, OK, OK, SILENCE],
    "retr-end-silent": start() + [0] + LOGIN + download()[:-1] + [SILENCE],
    "retr-end-426": start() + [0] + LOGIN + download()[:-1] + pick(426),
    "data-reset-halfway": start() + [0] + LOGIN + download(40000, end=3),
    "data-from-impostor-first": start() + [0] + LOGIN + download(arrival=5),
    "data-only-from-impostor": start() + [0] + LOGIN + download(arrival=6),
    "data-never-arrives": start() + [0] + LOGIN + download(arrival=7),
    "control-closed-mid-transfer": start() + [0] + LOGIN + download()[:-1] + [CLOSE],
    "control-reset-mid-transfer": start() + [0] + LOGIN + download()[:-1] + [RESET],
    "stor-refused": BEFORE_UPLOAD + [OK, OK, OK] + pick(553),
    "refusal-after-upload": BEFORE_UPLOAD + upload()[:-1] + pick(553),
    "upload-peer-stops-reading": BEFORE_UPLOAD + upload(limit=1),
    "upload-peer-resets": BEFORE_UPLOAD + upload(limit=2),
    "upload-data-never-arrives": BEFORE_UPLOAD + upload(arrival=7),
    "closed-by-user-in-transfer": start(close_after=3),
    "disk-full": start(failing_write=2),
    "wine-sockets": start(cannot_tell=True, no_bound=True),
    "winsock-counts": start(no_bound=True),
    "closed-by-user-in-wait": start(close_after=1) + [0] + LOGIN + download(arrival=7),
    "silent-in-second-attempt": BEFORE_UPLOAD + upload() + [SILENCE] * 40,
    "slow-line-small-file-only": start() + [0] + LOGIN + download(arrival=26 << 3) +
    upload(arrival=20 << 3),
    "short-download-with-226": start() + [0] + LOGIN + download(40000),
    # Two short downloads ended with 226, then an upload of what the first left behind.
    "short-files-then-upload": list(bytes.fromhex(
        "3db700000000000000000000004000000052260045105452008813000000100000000000000000")),
    "slow-line-both-files": start() + [0] + LOGIN + download(arrival=4 << 3) +
    download(arrival=31 << 3) + upload(arrival=31 << 3),
    "whole-line": start(line=(3, 0)),
    "whole-line-6-sessions-at-once": start(line=(10, 6)),
    "whole-line-told-path-over-ipv6": start(ipv6=True, tells_path=True, line=(1, 0)),
    "whole-line-closed": start(close_after=12, line=(3, 0)),
    # Found by the fuzzer: a whole-line upload whose server stops reading, on a system that
    # cannot tell what was acknowledged; the fake network once spun on it without end.
    "whole-line-server-stops-reading": list(bytes.fromhex(
        "449000000000000000000000000073000000006800000000000002000028001b000000000000000023"
        "00000000ffffffffffffffff0000000008000000000000004a4a4a4a4a000000000000010300000002")),
}

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
for name, script in SEEDS.items():
    with open(os.path.join(folder, name), "wb") as out:
        out.write(bytes(script))
print(f"{len(SEEDS)} seeds in {folder}")
