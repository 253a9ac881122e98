"""What the verdo-cli tests share: where the program is, and file helpers."""
import os
import resource
import signal

BIN = os.environ.get("VERDO_BIN", os.path.join(os.path.dirname(__file__), "..", "..", "build", "bin"))
CLI = os.path.join(BIN, "verdo-cli")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def limited(fsize):
    """Runs the child with files limited to fsize bytes, SIGXFSZ ignored: writes past it fail like a full disk."""
    def setup():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))
    return setup
