"""The reference a batch export is measured against: every page named on
the command line read and replaced durably from one process, written plainly:
a temporary file beside the page, written, fsynced and renamed over it; then
each folder fsynced once, after all of its pages are renamed."""
import os
import sys


def main(pages):
    folders = {}
    for page in pages:
        with open(page, "rb") as old:
            data = old.read()
        folder = os.path.dirname(page) or "."
        temporary = page + ".new"
        fd = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        try:
            os.write(fd, data)
            os.fsync(fd)
        finally:
            os.close(fd)
        os.rename(temporary, page)
        folders.setdefault(folder, None)
    for folder in folders:
        fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
        try:
            os.fsync(fd)
        finally:
            os.close(fd)


if __name__ == "__main__":
    main(sys.argv[1:])
