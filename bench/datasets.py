"""The files the benchmarks move, made fresh in the scratch folder.

Contents are random where compression must not help and word text where it
should; a seeded generator makes every run of the suite move the same bytes.
"""

import os
import random

MIB = 1 << 20


def big_file(path, size, seed=1):
    """`size` bytes: a random 1 MiB block written over and over (the FTP
    benchmarks measure moving bytes, not their entropy)."""
    block = random.Random(seed).randbytes(MIB)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            f.write(block[:min(left, MIB)])
            left -= MIB
    return path


def sparse_file(path, size):
    """A file of `size` zero bytes that takes no disk space: the server reads
    it from the page cache at memory speed, so a download of it measures the
    client."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.truncate(size)
    return path


def read_through(path):
    with open(path, "rb") as f:
        while f.read(8 * MIB):
            pass


def small_tree(root, folders, per_folder, size, seed=2):
    """`folders` folders of `per_folder` random files of `size` bytes;
    answers the relative paths of the files."""
    rng = random.Random(seed)
    names = []
    for d in range(folders):
        folder = "d%02d" % d
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        for i in range(per_folder):
            name = "%s/f%05d.bin" % (folder, i)
            with open(os.path.join(root, name), "wb") as f:
                f.write(rng.randbytes(size))
            names.append(name)
    return names


def flat_folder(root, count, size):
    """One folder of `count` files of `size` bytes."""
    os.makedirs(root, exist_ok=True)
    body = b"x" * size
    for i in range(count):
        with open(os.path.join(root, "entry_%06d.txt" % i), "wb") as f:
            f.write(body)
    return root


_WORDS = ("the of and to in is was for that with as on by at from his her they this which "
          "transfer folder server archive schedule launch record file client passive block "
          "network share listing deflate window progress status order filter source target "
          "morning report budget quarter invoice customer contract delivery warehouse supplier "
          "january february march april may june july august september october november december "
          "alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima mike").split()


def _corpus(rng, size):
    words = rng.choices(_WORDS, k=size // 5)
    lines = []
    for i in range(0, len(words), 12):
        line = " ".join(words[i:i + 12])
        lines.append("%d. %s, %d." % (i // 12, line.capitalize(), rng.randrange(10 ** 6)))
    return ("\n".join(lines) + "\n").encode()


def mixed_tree(root, total, seed=3):
    """About `total` bytes of files, half word text and half random bytes, in
    a few folders: many small files and some large ones, as a user's project
    folder has. Answers (files, bytes)."""
    rng = random.Random(seed)
    corpus = _corpus(rng, 4 * MIB)
    half = total // 2
    files = written = 0
    for kind in ("text", "random"):
        made = 0
        while made < half:
            # Three small files for each large one; the large ones hold most bytes.
            size = rng.randrange(1, 16) * MIB if files % 4 == 0 else rng.randrange(1024, 256 * 1024)
            size = min(size, half - made)
            folder = os.path.join(root, kind, "part%d" % (files % 5))
            os.makedirs(folder, exist_ok=True)
            path = os.path.join(folder, "%s_%04d.%s" % (kind, files, "txt" if kind == "text" else "bin"))
            with open(path, "wb") as f:
                if kind == "random":
                    f.write(rng.randbytes(size))
                else:
                    left = size
                    while left > 0:
                        start = rng.randrange(len(corpus) // 2)
                        piece = corpus[start:start + min(left, len(corpus) - start)]
                        f.write(piece)
                        left -= len(piece)
            made += size
            files += 1
            written += size
    return files, written
