#!/usr/bin/python3
"""Makes the ZIP archives under tests/archive/data with Debian's `zip` and
Python's zipfile, so that the reader is tested against archives written by
the tools that tile archives actually come from. The archives are committed:
the Windows build runs the same cases without these tools.

The entry contents follow simple formulas that zip_file_test.cpp repeats
(TextContent, PatternContent); change them in both places or not at all.

Usage: tools/make_test_zips.py [output folder]   (default tests/archive/data)
"""
import io
import os
import subprocess
import sys
import tempfile
import zipfile

FIXED_TIME = (2009, 1, 15, 12, 30, 44)  # DOS time: even seconds
FIXED_EPOCH = 1232022644                # 2009-01-15 12:30:44 UTC


def text_content():
    return "".join("Line %d of the test text\n" % i for i in range(400)).encode("ascii")


def pattern_content():
    return bytes((i * i * 31 + i // 7) % 256 for i in range(20000))


class Unseekable(io.RawIOBase):
    """A write-only stream: zipfile then writes data descriptors."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, chunk):
        self.data += chunk
        return len(chunk)


def python_mixed(path):
    with zipfile.ZipFile(path, "w") as archive:
        archive.comment = b"Tolmaric test archive"
        readme = zipfile.ZipInfo("readme.txt", FIXED_TIME)
        readme.compress_type = zipfile.ZIP_STORED
        readme.comment = b"stored entry"
        archive.writestr(readme, text_content())
        pattern = zipfile.ZipInfo("pattern.bin", FIXED_TIME)
        pattern.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(pattern, pattern_content())
        folder = zipfile.ZipInfo("folder/", FIXED_TIME)
        folder.external_attr = 0x10
        archive.writestr(folder, b"")
        # Non-ASCII names are stored as UTF-8 with flag bit 11.
        unicode_name = zipfile.ZipInfo("H\u00f6he \u20ac \u4e2d.txt", FIXED_TIME)
        unicode_name.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(unicode_name, b"Umlaut\n")


def python_stream(path):
    stream = Unseekable()
    with zipfile.ZipFile(stream, "w", zipfile.ZIP_DEFLATED) as archive:
        pattern = zipfile.ZipInfo("pattern.bin", FIXED_TIME)
        pattern.compress_type = zipfile.ZIP_DEFLATED
        with archive.open(pattern, "w") as entry:
            entry.write(pattern_content())
        with archive.open(zipfile.ZipInfo("readme.txt", FIXED_TIME), "w") as entry:
            entry.write(text_content())
    with open(path, "wb") as out:
        out.write(stream.data)


def run_zip(arguments, folder, stdin=None, stdout=None):
    subprocess.run(["zip", "-q"] + arguments, cwd=folder, check=True, stdin=stdin, stdout=stdout)


def infozip_archives(out):
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "readme.txt"), "wb") as f:
            f.write(text_content())
        with open(os.path.join(work, "pattern.bin"), "wb") as f:
            f.write(pattern_content())
        os.mkdir(os.path.join(work, "folder"))
        for name in ("readme.txt", "pattern.bin", "folder"):
            os.utime(os.path.join(work, name), (FIXED_EPOCH, FIXED_EPOCH))

        # Deflated text, stored .bin (-n), a folder, an archive comment,
        # extended-timestamp and Unix extra fields.
        plain = os.path.join(out, "infozip_mixed.zip")
        if os.path.exists(plain):
            os.remove(plain)
        with open(os.path.join(work, "comment"), "wb") as f:
            f.write(b"made by zip\n")
        with open(os.path.join(work, "comment"), "rb") as comment:
            run_zip(["-z", "-n", ".bin", plain, "readme.txt", "pattern.bin", "folder"], work,
                    stdin=comment)

        # Written to a pipe: sizes and CRC follow the data in descriptors.
        piped = subprocess.run(["zip", "-q", "-", "readme.txt", "pattern.bin"], cwd=work,
                               check=True, stdout=subprocess.PIPE).stdout
        with open(os.path.join(out, "infozip_pipe.zip"), "wb") as f:
            f.write(piped)

        # Read from standard input: entry "-" with a ZIP64 local header.
        stdin_zip = os.path.join(out, "infozip_stdin.zip")
        if os.path.exists(stdin_zip):
            os.remove(stdin_zip)
        with open(os.path.join(work, "readme.txt"), "rb") as source:
            run_zip([stdin_zip, "-"], work, stdin=source)

        # A self-extractor: a stub in front, offsets adjusted by zip -A.
        sfx = os.path.join(work, "sfx.zip")
        run_zip([sfx, "readme.txt"], work)
        with open(sfx, "rb") as f:
            body = f.read()
        stub = b"MZ" + bytes(range(256)) * 4
        adjusted = os.path.join(out, "infozip_sfx.zip")
        with open(adjusted, "wb") as f:
            f.write(stub + body)
        subprocess.run(["zip", "-q", "-A", adjusted], check=True)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "tests", "archive", "data")
    os.makedirs(out, exist_ok=True)
    python_mixed(os.path.join(out, "python_mixed.zip"))
    python_stream(os.path.join(out, "python_stream.zip"))
    infozip_archives(out)


if __name__ == "__main__":
    main()
